#include "CliCommon.h"
#include "Commands.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/WriteObj.h"
#include "terrain/engine/HeightColours.h"
#include "terrain/engine/TerrainBuilder.h"
#include "terrain/ui/HeightMapImage.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace {

void appendNumber(std::string& out, float value)
{
    char buffer[32];
    const auto r = std::to_chars(
        buffer, buffer + sizeof buffer, double(value), std::chars_format::general, 6);
    out.append(buffer, r.ptr);
}

// The OBJ writer leaves colours out; the reader takes "vc" lines in order of
// appearance, so they can follow everything else.
bool appendVertexColours(const Mesh& mesh, const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream text;
    text << in.rdbuf();
    std::string out = text.str();
    out.reserve(out.size() + std::size_t(mesh.numVertices) * 32);
    for (int i = 0; i < mesh.numVertices; ++i) {
        const Vector& c = mesh.vertexColours[std::size_t(i)];
        out += "vc ";
        appendNumber(out, c.x);
        out += ' ';
        appendNumber(out, c.y);
        out += ' ';
        appendNumber(out, c.z);
        out += '\n';
    }
    return writeFileReplacing(path, out);
}

} // namespace

int runTerrain(const Args& args)
{
    std::string heightmap;
    TerrainParameters parameters;
    bool seen[3] = { false, false, false };
    bool colour = false;
    Args files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--colour-by-height") {
            colour = true;
            continue;
        }
        int* target = a == "--resolution" ? &parameters.gridResolution
            : a == "--scale"              ? &parameters.gridScale
            : a == "--height"             ? &parameters.heightScale
                                          : nullptr;
        if (!target && a != "--heightmap") {
            files.push_back(a);
            continue;
        }
        if (i + 1 >= args.size())
            return fail(a + " needs a value");
        const std::string& value = args[++i];
        if (!target) {
            heightmap = value;
            continue;
        }
        // 4096 samples a side is already 16.7 million vertices, some 2 GB.
        const int limit = target == &parameters.gridResolution ? 4096 : 1 << 20;
        if (!parseInt(value, *target) || *target < 1 || *target > limit)
            return fail(a + " takes a whole number from 1 to " + std::to_string(limit) + ", not '"
                + value + "'");
        seen[target == &parameters.gridResolution ? 0
                : target == &parameters.gridScale ? 1
                                                  : 2]
            = true;
    }
    if (heightmap.empty() || !seen[0] || !seen[1] || !seen[2] || files.size() != 1)
        return fail("terrain takes --heightmap PNG --resolution N --scale S --height H "
                    "[--colour-by-height] OUT.obj (see facetra-cli terrain --help)");

    QImage image;
    if (!loadHeightMapImage(QString::fromLatin1(heightmap.c_str()), image))
        return fail("cannot read '" + heightmap + "' as a PNG image");
    Mesh mesh;
    if (!buildTerrainMesh(mesh, heightMapFromImage(image), parameters))
        return fail("no terrain was built");
    if (colour)
        colourByHeight(mesh, {}, false);
    if (!writeObj(mesh, files[0]) || (colour && !appendVertexColours(mesh, files[0])))
        return fail(
            "cannot write '" + files[0] + "'" + (mesh.numFaces == 0 ? " (empty mesh)" : ""));
    return 0;
}
