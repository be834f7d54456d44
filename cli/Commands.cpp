#include "Commands.h"

#include "workbench/engine/Workbench.h"

#include <string>

namespace {

// The steps a script may hold are the workbench's own.
const char* runSummary()
{
    static const std::string text = [] {
        std::string t = "runs the step script SCRIPT (a step a line, as Save Steps writes them; "
                        "'#' comments) on each MESH, N meshes at once, each in a process of its "
                        "own (default: one per core). Only the save steps write: {name} in their "
                        "names is the mesh's name without folder and suffixes, a relative name "
                        "is taken under DIR (default: the current folder). The whole script is "
                        "checked first. Per mesh: its console lines, then \"MESH: done (K steps)\" "
                        "or \"MESH: failed at line L (verb): reason\"; exit status 1 if any "
                        "failed. A save step writes its mesh by the suffix (.obj .ply .stl .off, "
                        "each also .gz); a script saving to any other name is refused. Steps:";
        const auto& verbs = Workbench::verbs();
        for (std::size_t k = 0; k < verbs.size(); ++k)
            t += (k == 0 ? " " : ", ") + verbs[k];
        return t;
    }();
    return text.c_str();
}

} // namespace

const std::vector<Command>& commands()
{
    static const std::vector<Command> list = {
        { "info", "info [--json] FILE...",
          "counts, box and load time of each mesh, any readable format (.obj .net .ply .stl .off "
          ".gts, each also .gz); --json: one JSON object per line", runInfo },
        { "convert", "convert IN OUT",
          "read IN (.obj .net .ply .stl .off .gts, each also .gz) and write it to OUT by its "
          "suffix: .obj, .ply (binary), .stl (binary) or .off, each also .gz (compressed); any "
          "other OUT is refused before IN is read. What OUT's format cannot hold (STL: colours "
          "and morphogens; PLY, OFF: morphogens) is named on standard error",
          runConvert },
        { "sample", "sample OUT",
          "write the bundled sample mesh (a coloured torus knot) to OUT by its suffix, as convert "
          "does",
          runSample },
        { "subdivide", "subdivide --levels L [--weight W] IN OUT",
          "butterfly subdivision, L levels with tension W (-0.125 .. 0.125, default 0), as the "
          "Subdivide page does; the result written to OUT by its suffix, as convert does",
          runSubdivide },
        { "simplify", "simplify --lod PERCENT IN OUT",
          "edge-collapse simplification to PERCENT of the vertices (0 .. 100), as the Simplify "
          "page does; the result written to OUT by its suffix, as convert does",
          runSimplify },
        { "morphogens", "morphogens --settings F.mor IN OUT",
          "colours the vertices of IN from their morphogen values with the setting saved in "
          "F.mor, as the Morphogens page does after loading it; the result written with its "
          "vertex colours and morphogens to OUT by its suffix, as convert does",
          runMorphogens },
#ifdef FACETRA_CLI_TERRAIN
        { "terrain",
          "terrain --heightmap PNG --resolution N --scale S --height H [--colour-by-height] OUT",
          "a terrain mesh from a height map: N x N samples, S wide, H high, as the Terrain page "
          "builds it (--colour-by-height: vertex colours by height); written to OUT by its "
          "suffix, as convert does (OBJ holds the colours as \"vc\" lines)",
          runTerrain },
#endif
        { "filter",
          "filter --algorithm meanshift|spherejump|median --radius SLIDER --normals-out FILE "
          "IN",
          "smooths the face normals as Apply on the Mean Shift page does (SLIDER 1 .. 100: the "
          "kernel is SLIDER / 200 of the mesh's size, or for the median filter the depth) and "
          "writes one face normal per line, x y z, to FILE; console lines go to standard error",
          runFilter },
        { "segment", "segment IN [--traverse FACE:DEPTH:ANGLE | --mark]... --save-all DIR",
          "edge traversals from face FACE (1-based, as a pick prints it) and marks of the traversed "
          "faces as segments, in the order given, as the Edge Traversal page does; then the "
          "segmented export (\"Save ALL...\") into DIR",
          runSegment },
        { "classify",
          "classify [--weight W] [--mode floyd|dijkstra] [--patches N] [--load-table F.spt] "
          "[--save-table F.spt] [--json] IN",
          "patches of faces by geodesic distance, as Apply on the Classification page does, then "
          "the re-partition into the patch count found (or N, 1 .. 50); --json ends with one "
          "object: numPatches, seeds, patch (per face), ms",
          runClassify },
        { "run", "run [--jobs N] [--out-dir DIR] SCRIPT MESH...", runSummary(),
          runRun },
    };
    return list;
}
