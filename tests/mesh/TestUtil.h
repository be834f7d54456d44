#pragma once

// Helpers shared by the mesh core tests: meshes built in code, files in a
// private temporary folder, captured console output and the real meshes of
// the shared data folder.

#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace testutil {

namespace fs = std::filesystem;

// A folder removed again when the helper goes out of scope.
class TempDir
{
public:
    TempDir()
    {
        static int counter = 0;
        path_ = fs::temp_directory_path()
            / ("facetra-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // Writes content to name and returns the full path.
    std::string write(const std::string& name, const std::string& content) const
    {
        std::ofstream(file(name), std::ios::binary) << content;
        return file(name);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

// The names of what folder holds, sorted.
inline std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The gzip tool's packing of bytes.
inline std::string gzipped(const std::string& bytes)
{
    const TempDir dir;
    const std::string path = dir.write("plain", bytes);
    EXPECT_EQ(std::system(("gzip -n '" + path + "'").c_str()), 0);
    return readFile(path + ".gz");
}

// Counts reports; with stopAt > 0 asks to stop at that report.
struct StoppingProgress : Progress
{
    explicit StoppingProgress(int stopAt_ = 0)
        : stopAt(stopAt_)
    { }
    int reports = 0, stopAt;
    void show(std::string_view, double) override
    {
        if (++reports == stopAt)
            requestStop();
    }
};

// Standard output (printf and std::cout alike) of one call.
template <class Fn> std::string captureStdout(Fn&& fn)
{
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    fn();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

template <class Fn> std::string captureStderr(Fn&& fn)
{
    testing::internal::CaptureStderr();
    fn();
    return testing::internal::GetCapturedStderr();
}

// Runs fn with standard output held back; returns what it wrote to standard error.
template <class Fn> std::string quietly(Fn&& fn)
{
    std::string err;
    captureStdout([&] { err = captureStderr(fn); });
    return err;
}

// The same bits (-0, infinities, subnormals and not-a-number count); a vector's
// x, y, z and w, not its cached length.
inline bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}
inline bool sameBits(const Vector& a, const Vector& b)
{
    return std::memcmp(&a, &b, 4 * sizeof(float)) == 0;
}
template <class T, class A> bool sameBits(const std::vector<T, A>& a, const std::vector<T, A>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
        [](const T& p, const T& q) { return sameBits(p, q); });
}

// A mesh with these positions and triangles (0-based), faces linked.
inline void makeMesh(
    Mesh& mesh, const std::vector<Vector>& points, const std::vector<std::array<int, 3>>& triangles)
{
    mesh.clear();
    mesh.allocateVertices(int(points.size()));
    mesh.allocateFaces(int(triangles.size()));
    std::copy(points.begin(), points.end(), mesh.vertices.begin());
    for (std::size_t f = 0; f < triangles.size(); ++f) {
        std::copy(triangles[f].begin(), triangles[f].end(), mesh.faces[f].index);
    }
}

// An n x n grid of points, two triangles per square, heights z(column, row).
template <class Z> void makeGrid(Mesh& mesh, int n, Z z)
{
    std::vector<Vector> points;
    std::vector<std::array<int, 3>> faces;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            points.emplace_back(float(j), float(i), z(j, i));
            if (const int a = i * n + j; i + 1 < n && j + 1 < n) {
                faces.push_back({ a, a + 1, a + n + 1 });
                faces.push_back({ a, a + n + 1, a + n });
            }
        }
    }
    makeMesh(mesh, points, faces);
}

// Closed, outward-facing (counter-clockwise seen from outside); tetraObj is the same as OBJ text.
inline const char* const tetraObj
    = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n";
inline void makeTetrahedron(Mesh& mesh)
{
    makeMesh(mesh, { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 0, 0, 1 } },
        { { 0, 2, 1 }, { 0, 1, 3 }, { 0, 3, 2 }, { 1, 2, 3 } });
}

inline std::vector<std::array<int, 3>> triangles(const Mesh& mesh)
{
    std::vector<std::array<int, 3>> out;
    for (int f = 0; f < mesh.numFaces; ++f) {
        const int* i = mesh.faces[std::size_t(f)].index;
        out.push_back({ i[0], i[1], i[2] });
    }
    return out;
}

// Every face's corners are vertices of the mesh.
inline void expectLinked(const Mesh& mesh)
{
    ASSERT_EQ(mesh.faces.size(), std::size_t(mesh.numFaces));
    ASSERT_EQ(mesh.vertices.size(), std::size_t(mesh.numVertices));
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        for (const int v : mesh.faces[f].index)
            ASSERT_TRUE(v >= 0 && v < mesh.numVertices);
    }
}

// The real meshes of the shared data folder, .gz ones unpacked into a temporary
// folder that lives as long as the object.
class RealMeshes
{
public:
    RealMeshes()
    {
        std::error_code ec;
        std::vector<fs::path> names;
        for (const auto& entry : fs::directory_iterator(fs::path(FACETRA_MESH_DIR), ec))
            names.push_back(entry.path());
        std::sort(names.begin(), names.end());
        for (const fs::path& p : names) {
            const std::string name = p.filename().string();
            if (p.extension() == ".obj" || p.extension() == ".net") {
                files_.push_back({ name, p.string() });
            } else if (name.ends_with(".obj.gz")) {
                const std::string plain = unpacked_.file(name.substr(0, name.size() - 3));
                if (std::system(("gzip -dc '" + p.string() + "' > '" + plain + "'").c_str()) == 0)
                    files_.push_back({ name.substr(0, name.size() - 3), plain });
                else
                    ADD_FAILURE() << "cannot unpack " << name;
            } else if (name == "reference.jsonl") {
                reference_ = p.string();
            }
        }
    }
    struct File
    {
        std::string name; // as the reference names it
        std::string path;
    };
    bool present() const { return !files_.empty(); }
    const std::vector<File>& files() const { return files_; }
    // The counts made independently of this program, by file name.
    std::map<std::string, nlohmann::json> referenceCounts() const
    {
        std::map<std::string, nlohmann::json> counts;
        std::ifstream in(reference_);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty()) {
                const auto j = nlohmann::json::parse(line);
                counts[j.at("file").get<std::string>()] = j;
            }
        }
        return counts;
    }

private:
    TempDir unpacked_;
    std::vector<File> files_;
    std::string reference_;
};

} // namespace testutil
