#include "Commands.h"

const std::vector<Command>& commands()
{
    static const std::vector<Command> list = {
        { "info", "info [--json] FILE...",
          "counts, box and load time of each mesh, any readable format (.obj .net .ply .stl .off "
          ".gts, each also .gz); --json: one JSON object per line", runInfo },
        { "convert", "convert IN OUT",
          "read IN (.obj .net .ply .stl .off .gts, each also .gz) and write it to OUT by its "
          "suffix: .ply (binary), .stl (binary), .off, else OBJ",
          runConvert },
        { "sample", "sample OUT.obj", "write the bundled sample mesh (a coloured torus knot)",
          runSample },
        { "subdivide", "subdivide --levels L [--weight W] IN OUT",
          "butterfly subdivision, L levels with tension W (-0.125 .. 0.125, default 0), as the "
          "Subdivide page does; the result written as OBJ to OUT",
          runSubdivide },
        { "simplify", "simplify --lod PERCENT IN OUT",
          "edge-collapse simplification to PERCENT of the vertices (0 .. 100), as the Simplify "
          "page does; the result written as OBJ to OUT",
          runSimplify },
        { "morphogens", "morphogens --settings F.mor IN OUT.obj",
          "colours the vertices of IN from their morphogen values with the setting saved in "
          "F.mor, as the Morphogens page does after loading it; the result written as OBJ with "
          "its vertex colours to OUT",
          runMorphogens },
#ifdef FACETRA_CLI_TERRAIN
        { "terrain",
          "terrain --heightmap PNG --resolution N --scale S --height H [--colour-by-height] OUT.obj",
          "a terrain mesh from a height map: N x N samples, S wide, H high, as the Terrain page "
          "builds it (--colour-by-height: vertex colours by height as \"vc\" lines); written as "
          "OBJ to OUT",
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
    };
    return list;
}
