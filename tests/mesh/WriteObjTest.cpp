#include "TestUtil.h"

#include "mesh/engine/WriteObj.h"

#include <limits>
#include <sstream>

namespace {

using testutil::captureStdout;
using testutil::readFile;
namespace fs = std::filesystem;

TEST(WriteObj, ExactBytesLinesAndNumbersAsTheStandardStreamPrintsThem)
{
    const float values[] = { 0.0f, -0.0f, -1.5f, 1.0f / 3.0f, 999999.0f, 1000000.0f, 1234567.0f,
        0.0001f, 0.00001f, 0.000123456f, 123456789.0f, -2.5e-7f, 1e30f, -1e-30f, 65536.5f,
        std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min() };
    std::vector<Vector> points;
    std::ostringstream want;
    for (float value : values) {
        points.push_back({ value, value, value });
        want << "v " << value << " " << value << " " << value << "\n";
    }
    Mesh mesh;
    testutil::makeMesh(mesh, points, { { 0, 1, 2 }, { 2, 1, 0 } });
    testutil::TempDir dir;
    const std::string path = dir.file("out.obj");
    captureStdout([&] { EXPECT_TRUE(writeObj(mesh, path)); });
    EXPECT_EQ(readFile(path), want.str() + "f 1/1/ 2/2/ 3/3/\nf 3/3/ 2/2/ 1/1/\n");
}

// A large mesh goes out in pieces that end with whole lines, and the file
// holds exactly the text made at once.
TEST(WriteObj, ALargeMeshIsWrittenInPiecesOfWholeLinesAsTheWholeText)
{
    Mesh mesh;
    testutil::makeGrid(mesh, 320, [](int j, int i) { return float(i * j % 7) / 3.0f; });
    std::vector<std::string> pieces;
    streamObjText(mesh, {}, nullptr, [&](std::string_view piece) { pieces.emplace_back(piece); });
    ASSERT_GT(pieces.size(), 1u);
    std::string joined;
    for (const std::string& piece : pieces) {
        EXPECT_EQ(piece.back(), '\n');
        joined += piece;
    }
    const std::string whole = objText(mesh);
    EXPECT_EQ(joined, whole);
    testutil::TempDir dir;
    const std::string path = dir.file("big.obj");
    captureStdout([&] { EXPECT_TRUE(writeObj(mesh, path)); });
    EXPECT_EQ(readFile(path), whole);
}

// Nothing written must ever cost the user the old file, a link or its mode.
// Missing folders and folders in the way: MeshWrite.FailedWritesSayWhyAndKeepTheOldFile.
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

} // namespace
