// Writing meshes: every name that is written reads back, every other name is
// refused without a file, morphogens survive OBJ exactly, and what a format
// cannot hold is said.
#include "TestUtil.h"

#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Workers.h"
#include "mesh/engine/WriteMeshFile.h"
#include "mesh/engine/WriteObj.h"

#include <bit>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <set>
#include <sstream>

using namespace testutil;

namespace {

const std::string choices = "choose .obj, .ply, .stl, .off or a .gz of them";

// An octahedron with colours that are whole bytes and one coordinate (1/3)
// that takes nine digits: every format but OBJ (six digits) gives it back
// unchanged.
void colouredOctahedron(Mesh& mesh)
{
    makeMesh(mesh,
        { { 1, 0, 0 }, { -1, 0, 0 }, { 0, 1.5f, 0 }, { 0, -1.5f, 0 }, { 0, 0, 1.0f / 3 },
            { 0, 0, -0.25f } },
        { { 0, 2, 4 }, { 2, 1, 4 }, { 1, 3, 4 }, { 3, 0, 4 }, { 2, 0, 5 }, { 1, 2, 5 }, { 3, 1, 5 },
            { 0, 3, 5 } });
    for (int i = 0; i < mesh.numVertices; ++i)
        mesh.vertexColours[std::size_t(i)]
            = Vector(float(40 * i) / 255.0f, 1.0f - float(i) / 255.0f, 0.0f, 1.0f);
    mesh.vertexColoursSet = true;
}

void addMorphogens(Mesh& mesh, const std::vector<std::string>& names,
    const std::function<float(int vertex, int morphogen)>& value)
{
    mesh.morphogenNames = names;
    mesh.allocateMorphogens(mesh.numVertices, int(names.size()));
    for (int i = 0; i < mesh.numVertices; ++i)
        for (int j = 0; j < int(names.size()); ++j)
            mesh.morphogenValues[std::size_t(i)][std::size_t(j)] = value(i, j);
}

struct Written
{
    bool ok = false;
    MeshWriteReport report;
    std::string err;
};

Written write(const Mesh& mesh, const std::string& path, bool colours = false)
{
    Written w;
    w.err = quietly([&] { w.ok = writeMeshFile(mesh, path, colours, nullptr, &w.report); });
    return w;
}

bool openQuietly(Mesh& mesh, const std::string& path)
{
    bool ok = false;
    quietly([&] { ok = openMeshFile(mesh, path); });
    return ok;
}

std::multiset<std::array<float, 3>> positions(const Mesh& mesh)
{
    std::multiset<std::array<float, 3>> out;
    for (const Vector& p : mesh.vertices)
        out.insert({ p.x, p.y, p.z });
    return out;
}

} // namespace

TEST(MeshWrite, EveryWritableSuffixReadsBackAndSaysWhatItCouldNotHold)
{
    Mesh mesh;
    colouredOctahedron(mesh);
    addMorphogens(mesh, { "a", "b" }, [](int i, int j) { return float(i * 2 + j) / 7.0f; });
    TempDir dir;
    const std::string stlColours = "STL holds no vertex colours; they are not written";
    const std::string noMorphogens = " holds no morphogens; they are not written";
    // The name, whether it is packed, whether its vertices are joined, what it loses.
    const std::tuple<const char*, bool, bool, std::vector<std::string>> cases[] = {
        { "m.obj", false, false, {} },
        { "m.ply", false, false, { "PLY" + noMorphogens } },
        { "m.stl", false, true, { stlColours, "STL" + noMorphogens } },
        { "m.off", false, false, { "OFF" + noMorphogens } },
        { "m.obj.gz", true, false, {} },
        { "m.PLY.gz", true, false, { "PLY" + noMorphogens } },
        { "m.stl.GZ", true, true, { stlColours, "STL" + noMorphogens } },
        { "M.OFF.GZ", true, false, { "OFF" + noMorphogens } },
    };
    for (const auto& [name, gzip, joined, losses] : cases) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(name);
        const Written w = write(mesh, path, true);
        ASSERT_TRUE(w.ok) << w.err;
        EXPECT_EQ(w.report.problem, "");
        std::string said;
        std::vector<std::string> named;
        for (const std::string& loss : losses) {
            named.push_back(path + ": " + loss);
            said += named.back() + "\n";
        }
        EXPECT_EQ(w.report.losses, named);
        EXPECT_EQ(w.err, said);
        EXPECT_EQ(readFile(path).substr(0, 2) == "\x1f\x8b", gzip);

        Mesh back;
        ASSERT_TRUE(openQuietly(back, path));
        ASSERT_EQ(back.numFaces, mesh.numFaces);
        ASSERT_EQ(back.numVertices, mesh.numVertices);
        if (joined) {
            // STL keeps corners, not vertices: the same points, in another order.
            EXPECT_EQ(positions(back), positions(mesh));
            continue;
        }
        EXPECT_EQ(triangles(back), triangles(mesh));
        const float d = std::string(name).find(".obj") != std::string::npos ? 1e-6f : 0;
        for (std::size_t i = 0; i < mesh.vertices.size(); ++i) {
            const Vector p = mesh.vertices[i] - back.vertices[i],
                         c = mesh.vertexColours[i] - back.vertexColours[i];
            EXPECT_LE(std::max({ std::abs(p.x), std::abs(p.y), std::abs(p.z) }), d) << i;
            EXPECT_TRUE(std::max(std::abs(c.x), std::abs(c.y)) < 0.5f / 255 && c.z == 0) << i;
        }
    }
    // Without colours or morphogens nothing is lost.
    Mesh plain;
    makeTetrahedron(plain);
    const Written w = write(plain, dir.file("plain.stl"));
    EXPECT_TRUE(w.ok && w.report.losses.empty() && w.err.empty()) << w.err;
}

TEST(MeshWrite, NamesNoReaderTakesBackAreRefusedAndFailedWritesSayWhyAndKeepTheOldFile)
{
    Mesh mesh;
    makeTetrahedron(mesh);
    TempDir dir;
    const std::pair<const char*, std::string> cases[] = {
        { "m.net", "cannot write .net files: " },
        { "m.gts", "cannot write .gts files: " },
        { "m.net.gz", "cannot write .net.gz files: " },
        { "m.png", "cannot write .png files: " },
        { "m.obj.zip", "cannot write .obj.zip files: " },
        { "m.gz", "cannot write .gz files: " },
        { "m.tar.GZ", "cannot write .tar.GZ files: " },
        { "v1.2.xyz", "cannot write .xyz files: " },
        { "m.", "" },
        { "m", "" },
    };
    for (const auto& [name, start] : cases) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(name);
        const std::string want = start.empty()
            ? "cannot write '" + path + "' (no suffix): " + choices
            : start + choices;
        EXPECT_EQ(meshWriteProblem(path), want);
        EXPECT_EQ(meshWriteTarget(path).format, MeshWriteFormat::None);
        const Written w = write(mesh, path);
        EXPECT_FALSE(w.ok);
        EXPECT_EQ(w.report.problem, want);
        EXPECT_EQ(w.err, want + "\n");
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
    // A dot in a folder's name is no suffix of the file.
    EXPECT_NE(meshWriteProblem("out.d/mesh").find("(no suffix)"), std::string::npos);

    // Other failed writes say why and keep the old file.
    Written w = write(Mesh(), dir.file("empty.obj"));
    EXPECT_FALSE(w.ok);
    EXPECT_EQ(w.report.problem, "no mesh to save");
    const std::string missing = dir.file("no/such/folder/out.ply.gz");
    w = write(mesh, missing);
    EXPECT_FALSE(w.ok);
    EXPECT_EQ(w.report.problem, missing + ": no such file or directory");
    EXPECT_EQ(w.err, w.report.problem + "\n");

    fs::create_directory(dir.file("taken.off"));
    w = write(mesh, dir.file("taken.off"));
    EXPECT_EQ(w.report.problem, dir.file("taken.off") + ": is a directory");

    // Permissions do not bind the superuser.
    if (::geteuid() != 0) {
        fs::create_directory(dir.file("locked"));
        const std::string old = dir.write("locked/old.obj", "old\n");
        fs::permissions(dir.file("locked"), fs::perms(0500));
        w = write(mesh, old);
        fs::permissions(dir.file("locked"), fs::perms(0700));
        EXPECT_EQ(w.report.problem, old + ": permission denied");
        EXPECT_EQ(readFile(old), "old\n");
    }
    EXPECT_EQ(
        std::distance(fs::recursive_directory_iterator(dir.path()), {}), ::geteuid() != 0 ? 3 : 1)
        << "a temporary file was left behind";
}

// Morphogen names and values, and vertex colours of any finite bits, come back
// identical, bit for bit, plain and compressed; a mesh read back owns its
// colours (and so does a copy of it) only where they were written.
TEST(MeshWrite, MorphogensAndColoursSurviveObjExactly)
{
    const float values[] = { 0.0f, -0.0f, 1.0f / 3.0f, -2.5e-7f, 123456789.0f, 1e30f,
        std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min(),
        -std::numeric_limits<float>::min(), std::numeric_limits<float>::infinity(),
        -std::numeric_limits<float>::infinity(), 0.1f, 16777217.0f, 65536.5f };
    constexpr int count = int(std::size(values));
    Mesh built;
    makeGrid(built, 40, [](int i, int j) { return float(i * j) * 0.1f; });
    addMorphogens(built, { "alpha", "beta_2", "caf\xC3\xA9" },
        [&](int i, int j) { return values[(i * 3 + j) % count]; });
    std::mt19937 random(13);
    std::uniform_int_distribution<std::uint32_t> bits;
    for (Vector& c : built.vertexColours)
        for (float* channel : { &c.x, &c.y, &c.z })
            do
                *channel = std::bit_cast<float>(bits(random));
            while (!std::isfinite(*channel));

    TempDir dir;
    for (const auto& [name, colours] :
        { std::pair { "plain.obj", false }, { "m.obj", true }, { "m.obj.gz", true } }) {
        SCOPED_TRACE(name);
        const Written w = write(built, dir.file(name), colours);
        ASSERT_TRUE(w.ok && w.report.losses.empty()) << w.err;
        Mesh back, copy;
        ASSERT_TRUE(openQuietly(back, dir.file(name)));
        EXPECT_EQ(back.morphogenNames, built.morphogenNames);
        ASSERT_EQ(back.morphogenValues.size(), built.morphogenValues.size());
        for (std::size_t i = 0; i < back.morphogenValues.size(); ++i)
            ASSERT_TRUE(sameBits(built.morphogenValues[i], back.morphogenValues[i])) << "row " << i;
        copy.copyFrom(back);
        EXPECT_TRUE(back.vertexColoursSet == colours && copy.vertexColoursSet == colours);
        for (std::size_t i = 0; colours && i < back.vertexColours.size(); ++i) // x, y, z
            ASSERT_EQ(std::memcmp(&built.vertexColours[i], &back.vertexColours[i], 12), 0) << i;
    }
}

TEST(WriteObj, ExactBytesAsTheStandardStreamPrintsThemAlsoInPiecesOfWholeLines)
{
    const float values[] = { 0.0f, -0.0f, -1.5f, 1.0f / 3.0f, 999999.0f, 1000000.0f, 1234567.0f,
        0.0001f, 0.00001f, 0.000123456f, 123456789.0f, -2.5e-7f, 1e30f, -1e-30f, 65536.5f,
        std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min() };
    constexpr int count = int(std::size(values));
    std::vector<Vector> points;
    // Morphogen names first, then the vertices, then a row of morphogens per vertex.
    std::ostringstream want, rows;
    want << "mn u v\n";
    for (int i = 0; i < count; ++i) {
        points.push_back({ values[i], values[i], values[i] });
        want << "v " << values[i] << " " << values[i] << " " << values[i] << "\n";
        rows << "m " << i % 3 << " " << i % 3 - 0.5 << "\n";
    }
    Mesh mesh;
    testutil::makeMesh(mesh, points, { { 0, 1, 2 }, { 2, 1, 0 } });
    addMorphogens(mesh, { "u", "v" }, [](int i, int j) { return float(i % 3) - 0.5f * float(j); });
    testutil::TempDir dir;
    const std::string path = dir.file("out.obj");
    captureStdout([&] { EXPECT_TRUE(writeObj(mesh, path)); });
    EXPECT_EQ(readFile(path), want.str() + rows.str() + "f 1/1/ 2/2/ 3/3/\nf 3/3/ 2/2/ 1/1/\n");

    // A large mesh goes out in pieces that end with whole lines, and the file
    // holds exactly the text made at once.
    Mesh large;
    testutil::makeGrid(large, 320, [](int j, int i) { return float(i * j % 7) / 3.0f; });
    std::vector<std::string> pieces;
    streamObjText(large, {}, nullptr, [&](std::string_view piece) { pieces.emplace_back(piece); });
    ASSERT_GT(pieces.size(), 1u);
    std::string joined;
    for (const std::string& piece : pieces) {
        EXPECT_EQ(piece.back(), '\n');
        joined += piece;
    }
    const std::string whole = objText(large);
    EXPECT_EQ(joined, whole);
    captureStdout([&] { EXPECT_TRUE(writeObj(large, dir.file("big.obj"))); });
    EXPECT_EQ(readFile(dir.file("big.obj")), whole);

    // Made in blocks on several threads, every kind of line: the text of one.
    addMorphogens(large, { "u" }, [](int i, int) { return float(i % 5); });
    for (std::size_t v = 0; v < large.vertexColours.size(); ++v)
        large.vertexColours[v] = Vector(float(v % 3) / 2.0f, 0.25f, 1.0f);
    std::string texts[2];
    for (const unsigned limit : { 1u, 3u }) {
        workerLimit() = limit;
        texts[limit / 2] = objText(large, { true });
    }
    workerLimit() = 0;
    EXPECT_GT(texts[0].size(), whole.size());
    EXPECT_TRUE(texts[0] == texts[1]);
}

// Nothing written must ever cost the user the old file, a link or its mode.
// Missing folders and folders in the way: MeshWrite.NamesNoReaderTakesBack...
TEST(WriteObj, AnEmptyMeshWritesNothingAndReplacingKeepsLinksAndModes)
{
    testutil::TempDir dir;
    Mesh mesh;
    bool ok = true;
    testutil::makeMesh(mesh, { { 1, 2, 3 } }, {});
    captureStdout([&] { ok = writeObj(mesh, dir.file("empty.obj")); });
    EXPECT_FALSE(ok || fs::exists(dir.file("empty.obj")));

    testutil::makeTetrahedron(mesh);

    const std::string target = dir.write("real.obj", std::string(100000, 'x'));
    fs::permissions(target, fs::perms(0640));
    fs::create_symlink(target, dir.file("link.obj"));
    captureStdout([&] { ok = writeObj(mesh, dir.file("link.obj")); });
    ASSERT_TRUE(ok);
    EXPECT_TRUE(fs::is_symlink(dir.file("link.obj")));
    EXPECT_EQ(readFile(target).substr(0, 8), "v 0 0 0\n");
    EXPECT_EQ(readFile(target).find('x'), std::string::npos);
    EXPECT_EQ(fs::status(target).permissions(), fs::perms(0640));
    const fs::directory_iterator entries(dir.path());
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 2) << "a temporary file was left behind";
}
