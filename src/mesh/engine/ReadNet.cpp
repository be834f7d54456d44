#include "mesh/engine/ReadNet.h"

#include "mesh/engine/LineScan.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/ReadObj.h"

#include <array>
#include <climits>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string_view>
#include <vector>

namespace {

using namespace linescan;

// Reads up to n floats after the line's first character.
bool readFloats(std::string_view line, int n, float* out)
{
    const char* p = line.data() + 1;
    const char* e = line.data() + line.size();
    for (int i = 0; i < n; ++i) {
        p = scanFloat(p, e, &out[i]);
        if (!p)
            return false;
    }
    return true;
}

// What the lines of a text (or of a part of it) give, in their order.
struct NetContent
{
    std::vector<Vector> positions, normals, colours;
    std::vector<std::array<int, 10>> polygons;
    std::vector<int> polygonSizes;
    std::size_t lines = 0; // the lines read, the one that does not parse included
    bool failed = false;
    std::string bad; // that line as shown
};

// Reads the lines of text into c, up to a line that does not parse.
void parseNet(std::string_view text, NetContent& c, Progress* progress)
{
    forEachLine(text, [&](std::string_view line) {
        if ((++c.lines & 0xffff) == 0)
            reportProgress(
                progress, "Parsing", double(line.data() - text.data()) / double(text.size()));
        float v[3] = { 0, 0, 0 };
        bool ok = true;
        switch (line[0]) {
        case 'c':
            ok = readFloats(line, 3, v);
            c.colours.emplace_back(v[0], v[1], v[2], 1.0f);
            break;
        case 'n':
            ok = readFloats(line, 3, v);
            c.normals.emplace_back(v[0], v[1], v[2], 1.0f);
            break;
        case 't':
            ok = readFloats(line, 2, v);
            break;
        case 'v':
            ok = readFloats(line, 3, v);
            c.positions.emplace_back(v[0], v[1], v[2], 1.0f);
            break;
        case 'f': {
            std::array<int, 10> idx {};
            int count = 0;
            const char* p = line.data() + 1;
            const char* e = line.data() + line.size();
            long long value = 0;
            while (count < 10 && (p = scanInt(p, e, &value)) != nullptr)
                idx[std::size_t(count++)] = value > INT_MAX || value < INT_MIN ? -1 : int(value);
            ok = count >= 3;
            c.polygons.push_back(idx);
            c.polygonSizes.push_back(count);
            break;
        }
        default:
            break;
        }
        if (!ok) {
            std::string_view shown = line.substr(0, 80);
            while (!shown.empty() && (shown.back() == '\n' || shown.back() == '\r'))
                shown.remove_suffix(1);
            c.bad = std::string(shown);
            c.failed = true;
            return false;
        }
        return true;
    });
}

// Reads the text in parts on every core and joins them in file order, which
// gives what one pass gives: every line stands alone.
void parseNetInParts(std::string_view text, NetContent& c, Progress* progress)
{
    const unsigned workers = workerCount(double(text.size()));
    const std::vector<std::size_t> starts = lineParts(text, workers);
    std::vector<NetContent> parts(starts.size() - 1);
    readLineParts(text, starts, workers, progress, [&](std::size_t i, std::string_view part) {
        parseNet(part, parts[i], nullptr);
        return !parts[i].failed;
    });
    // The parts are handed out in order: those before the first that stopped
    // have all been read.
    for (NetContent& part : parts) {
        appendAndRelease(c.positions, part.positions);
        appendAndRelease(c.normals, part.normals);
        appendAndRelease(c.colours, part.colours);
        appendAndRelease(c.polygons, part.polygons);
        appendAndRelease(c.polygonSizes, part.polygonSizes);
        c.lines += part.lines;
        if (part.failed) {
            c.failed = true;
            c.bad = part.bad;
            return;
        }
    }
}

} // namespace

bool readNet(Mesh& mesh, const std::string& path, ObjReadReport* report, std::string* problem,
    Progress* progress)
{
    if (report)
        *report = ObjReadReport();
    LargeText text;
    if (!readWholeFile(path, text, problem, progress))
        return false;
    std::cout << "Opening: " << path << std::endl;

    NetContent c;
    if (readInParts(text.size()))
        parseNetInParts(text, c, progress);
    else
        parseNet(text, c, progress);
    if (c.failed)
        return readFailed(
            path, "line " + std::to_string(c.lines) + " does not parse: " + c.bad, problem);
    LargeText().swap(text);
    const std::vector<Vector>& positions = c.positions;
    const std::vector<Vector>& normals = c.normals;
    const std::vector<Vector>& colours = c.colours;
    const std::vector<std::array<int, 10>>& polygons = c.polygons;
    const std::vector<int>& polygonSizes = c.polygonSizes;

    if (positions.size() > std::size_t(INT_MAX) / 2)
        return readFailed(path, "has too many vertices", problem);
    const int nv = int(positions.size());
    // Fan-triangulate; a polygon naming a vertex that does not exist is dropped.
    std::vector<std::array<int, 3>> triangles;
    long long dropped = 0;
    for (std::size_t i = 0; i < polygons.size(); ++i) {
        const auto& idx = polygons[i];
        const int n = polygonSizes[i];
        bool valid = true;
        for (int k = 0; k < n; ++k)
            valid = valid && idx[std::size_t(k)] >= 0 && idx[std::size_t(k)] < nv;
        if (!valid) {
            dropped += n - 2;
            continue;
        }
        for (int t = 0; t + 2 < n; ++t)
            triangles.push_back({ idx[0], idx[std::size_t(t) + 1], idx[std::size_t(t) + 2] });
    }
    if (triangles.size() > std::size_t(INT_MAX))
        return readFailed(path, "has too many faces", problem);

    if (!mesh.allocateVertices(nv) || !mesh.allocateFaces(int(triangles.size()))) {
        mesh.clear();
        return readFailed(path, "is too large to hold in memory", problem);
    }
    for (int i = 0; i < nv; ++i)
        mesh.vertices[std::size_t(i)] = positions[std::size_t(i)];
    const long long nonFinite = replaceNonFinite(mesh.vertices);
    const bool useNormals = !normals.empty() && normals.size() == positions.size();
    for (int i = 0; i < nv; ++i) {
        Vector& n = mesh.vertexNormals[std::size_t(i)];
        n.x = useNormals ? normals[std::size_t(i)].x : 0.0f;
        n.y = useNormals ? normals[std::size_t(i)].y : 0.0f;
        n.z = useNormals ? normals[std::size_t(i)].z : 0.0f;
        // Vertices beyond a shorter colour list get the default grey.
        mesh.vertexColours[std::size_t(i)] = std::size_t(i) < colours.size()
            ? colours[std::size_t(i)]
            : Vector(0.4f, 0.4f, 0.4f, 1.0f);
    }
    mesh.vertexColoursSet = !colours.empty();
    for (std::size_t f = 0; f < triangles.size(); ++f) {
        for (int k = 0; k < 3; ++k)
            mesh.faces[f].index[k] = triangles[f][std::size_t(k)];
    }
    if (!colours.empty() && colours.size() < positions.size())
        std::printf("%zu vertices without a colour get grey\n", positions.size() - colours.size());
    if (colours.size() > positions.size()) {
        sayLoss(report,
            "dropped " + std::to_string(colours.size() - positions.size())
                + " vertex colours beyond the " + std::to_string(nv) + " vertices");
    }
    if (dropped > 0)
        sayLoss(report,
            "dropped " + std::to_string(dropped) + " faces with vertex indices out of range");
    if (nonFinite > 0)
        sayLoss(report, "replaced " + std::to_string(nonFinite) + " non-finite coordinates by 0");
    if (report) {
        report->droppedFaces = dropped;
        report->coloursRead = int(std::min(colours.size(), positions.size()));
    }
    return true;
}
