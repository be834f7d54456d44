#include "ObjTestUtil.h"
#include "TestUtil.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadObj.h"
#include "mesh/engine/WriteObj.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <sys/stat.h>

namespace {

using testutil::captureStdout;
using testutil::readFile;

TEST(WriteObj, ExactBytesAndConsoleLines)
{
    testutil::TempDir dir;
    Mesh mesh;
    testutil::makeMesh(mesh, { { 0, 0, 0 }, { 1.5f, -2, 1e-5f }, { 123456789.0f, 0.1f, 1e6f } },
        { { 0, 1, 2 }, { 2, 1, 0 } });
    const std::string path = dir.file("out.obj");
    bool ok = false;
    const std::string out = captureStdout([&] { ok = writeObj(mesh, path); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(out, "3, 2\n\tMESH: Saving " + path + "... done...\n");
    EXPECT_EQ(readFile(path),
        "v 0 0 0\n"
        "v 1.5 -2 1e-05\n"
        "v 1.23457e+08 0.1 1e+06\n"
        "f 1/1/ 2/2/ 3/3/\n"
        "f 3/3/ 2/2/ 1/1/\n");
}

TEST(WriteObj, NumbersAsTheStandardStreamPrintsThem)
{
    const float values[] = { 0.0f, -0.0f, -1.0f, 1.0f / 3.0f, 999999.0f, 1000000.0f, 1234567.0f,
        0.0001f, 0.00001f, 0.000123456f, 3.14159265f, -2.5e-7f, 1e30f, -1e-30f, 65536.5f,
        std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min() };
    std::vector<Vector> points;
    std::ostringstream want;
    for (float value : values) {
        points.push_back({ value, value, value });
        want << "v " << value << " " << value << " " << value << "\n";
    }
    Mesh mesh;
    testutil::makeMesh(mesh, points, { { 0, 1, 2 } });
    testutil::TempDir dir;
    captureStdout([&] { writeObj(mesh, dir.file("n.obj")); });
    EXPECT_EQ(readFile(dir.file("n.obj")), want.str() + "f 1/1/ 2/2/ 3/3/\n");
}

TEST(WriteObj, FailureOrAnEmptyMeshLeavesTheOldFileAndNoTemporary)
{
    testutil::TempDir dir;
    Mesh mesh;
    bool ok = true;
    // No faces: nothing is written, and the caller hears so.
    testutil::makeMesh(mesh, { { 1, 2, 3 } }, {});
    EXPECT_EQ(captureStdout([&] { ok = writeObj(mesh, dir.file("empty.obj")); }), "1, 0\n");
    EXPECT_FALSE(ok);
    EXPECT_FALSE(std::filesystem::exists(dir.file("empty.obj")));
    testutil::makeTetrahedron(mesh);

    // The folder does not exist.
    const std::string missing = dir.file("no/such/folder/out.obj");
    std::string err;
    const std::string out = captureStdout(
        [&] { err = testutil::captureStderr([&] { ok = writeObj(mesh, missing); }); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(out, "4, 4\n\tMESH: Saving " + missing + "... failed\n");
    EXPECT_EQ(err, "ERROR: Writing File: " + missing + "\n");

    // The target is a folder: nothing may replace it, and no temporary remains.
    const std::string folder = dir.file("taken.obj");
    std::filesystem::create_directory(folder);
    captureStdout([&] { testutil::captureStderr([&] { ok = writeObj(mesh, folder); }); });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    // An existing file is replaced whole on success.
    const std::string path = dir.write("old.obj", std::string(100000, 'x'));
    captureStdout([&] { ok = writeObj(mesh, path); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(readFile(path).substr(0, 8), "v 0 0 0\n");
    EXPECT_EQ(readFile(path).find('x'), std::string::npos);

    const std::filesystem::directory_iterator entries(dir.path());
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 2) << "a temporary file was left behind";
}

TEST(WriteObj, ReplacingKeepsLinksAndModes)
{
    testutil::TempDir dir;
    Mesh mesh;
    testutil::makeTetrahedron(mesh);
    const std::string target = dir.write("real.obj", "old");
    ::chmod(target.c_str(), 0640);
    const std::string link = dir.file("link.obj");
    std::filesystem::create_symlink(target, link);
    bool ok = false;
    captureStdout([&] { ok = writeObj(mesh, link); });
    ASSERT_TRUE(ok);
    // The link still points at the file, which holds the new mesh and its old mode.
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readFile(target).substr(0, 8), "v 0 0 0\n");
    struct stat st
    {
    };
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// What is saved reads back as the same triangles, and saving that again gives
// the same bytes: six significant digits survive the trip.
TEST(WriteObj, ReadingBackAndSavingAgainGivesTheSameBytesFromEveryLayout)
{
    const std::string vertices = "v 0.1 -2.25 3e-2\nv 1234.5678 0 -1\nv 1e-7 7 8\n"
                                 "v 0.333333333 0.666666666 -0.999999999\nvn 0 0 1\nvt 0 0\n";
    testutil::TempDir dir;
    for (const char* faces : { "f 1 2 3\nf 1 3 4\n", "f 1/1/1 2/1/1 3/1/1 4/1/1\n",
             "f 1//1 2//1 3//1\nf 1//1 3//1 4//1\n", "f 1/1/ 2/1/ 3/1/\nf 1/1/ 3/1/ 4/1/\n",
             "f 1// 2// 3// 4//\n", "f 1/1 2/1 3/1 4/1\n" }) {
        SCOPED_TRACE(faces);
        Mesh first, second;
        ASSERT_TRUE(testutil::readObjText(first, vertices + faces).ok);
        const auto again = [&](Mesh& mesh, const char* name) {
            captureStdout([&] { writeObj(mesh, dir.file(name)); });
            return readFile(dir.file(name));
        };
        const std::string saved = again(first, "first.obj");
        const auto r = testutil::readObjText(second, saved);
        EXPECT_EQ(r.report.formatType, 4);
        EXPECT_EQ(testutil::triangles(second), testutil::triangles(first));
        EXPECT_EQ(again(second, "second.obj"), saved);
    }
}

} // namespace
