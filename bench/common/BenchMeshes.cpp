#include "common/BenchMeshes.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadObj.h"
#include "mesh/engine/WriteObj.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>
#include <unordered_map>

namespace fs = std::filesystem;

namespace {

fs::path tempFolder()
{
    const fs::path dir = fs::temp_directory_path() / "facetra-bench";
    fs::create_directories(dir);
    return dir;
}

} // namespace

std::string benchMeshPath(const std::string& name)
{
    const fs::path source = fs::path(FACETRA_MESH_DIR) / name;
    if (fs::exists(source))
        return source.string();
    const fs::path packed = fs::path(FACETRA_MESH_DIR) / (name + ".gz");
    if (!fs::exists(packed))
        return {};
    const fs::path unpacked = tempFolder() / name;
    if (!fs::exists(unpacked)) {
        const std::string command
            = "gzip -dc '" + packed.string() + "' > '" + unpacked.string() + "'";
        if (std::system(command.c_str()) != 0)
            return {};
    }
    return unpacked.string();
}

void midpointSplit(const Mesh& in, Mesh& out)
{
    std::unordered_map<unsigned long long, int> midpoints;
    midpoints.reserve(std::size_t(in.numFaces) * 2);
    std::vector<Vector> points(in.vertices.begin(), in.vertices.end());
    const auto midpoint = [&](int a, int b) {
        const unsigned long long key = (unsigned long long)std::min(a, b) << 32
            | (unsigned long long)std::max(a, b);
        auto [it, inserted] = midpoints.try_emplace(key, int(points.size()));
        if (inserted)
            points.push_back(0.5f * (points[std::size_t(a)] + points[std::size_t(b)]));
        return it->second;
    };
    std::vector<int> triangles;
    triangles.reserve(std::size_t(in.numFaces) * 12);
    for (const Face& f : in.faces) {
        const int a = f.index[0], b = f.index[1], c = f.index[2];
        const int ab = midpoint(a, b), bc = midpoint(b, c), ca = midpoint(c, a);
        for (int t : { a, ab, ca, ab, b, bc, ca, bc, c, ab, bc, ca })
            triangles.push_back(t);
    }
    out.clear();
    out.allocateVertices(int(points.size()));
    for (std::size_t i = 0; i < points.size(); ++i)
        out.vertices[i] = Vector(points[i].x, points[i].y, points[i].z, 1.0f);
    out.allocateFaces(int(triangles.size() / 3));
    for (int f = 0; f < out.numFaces; ++f) {
        for (int k = 0; k < 3; ++k)
            out.faces[std::size_t(f)].index[k] = triangles[std::size_t(3 * f + k)];
    }
}

std::string benchMillionFacePath()
{
    const fs::path path = tempFolder() / "horse-loop1-split-plain.obj";
    if (fs::exists(path))
        return path.string();
    const std::string source = benchMeshPath("horse-loop1.obj");
    if (source.empty())
        return {};
    Mesh horse, split;
    if (!readObj(horse, source))
        return {};
    midpointSplit(horse, split);
    // Plain "f a b c" corners, which every peer reads.
    std::string text;
    char line[96];
    for (const Vector& p : split.vertices) {
        std::snprintf(line, sizeof line, "v %g %g %g\n", double(p.x), double(p.y), double(p.z));
        text += line;
    }
    for (const Face& f : split.faces) {
        std::snprintf(line, sizeof line, "f %d %d %d\n", f.index[0] + 1, f.index[1] + 1,
                      f.index[2] + 1);
        text += line;
    }
    if (!writeFileReplacing(path.string(), text))
        return {};
    return path.string();
}

long long peakRssBytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return (long long)usage.ru_maxrss * 1024;
}
