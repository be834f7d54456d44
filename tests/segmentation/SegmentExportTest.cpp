// The segmented export: exact bytes and console lines on small meshes, and the
// fast position merge against a plain ordered map on real meshes.
#include "SegmentTestMeshes.h"

#include "segmentation/engine/EdgeTraversal.h"
#include "segmentation/engine/SegmentExport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <sstream>

namespace {

// One export file the plain way: faces found by scanning, positions merged
// through an ordered map, numbers printed by a standard stream.
SegmentObj referenceObj(const Mesh& mesh, int id)
{
    std::map<Vector, int> index;
    std::ostringstream vertexLines, faceLines;
    SegmentObj obj;
    for (const Face& face : mesh.faces) {
        if (id >= 0 ? face.segment != id : face.segment <= 0)
            continue;
        int n[3];
        for (int k = 0; k < 3; ++k) {
            const Vector& p = mesh.vertices[std::size_t(face.index[k])];
            const auto [it, added] = index.try_emplace(p, int(index.size()));
            if (added)
                vertexLines << "v " << p.x << " " << p.y << " " << p.z << "\n";
            n[k] = it->second + 1;
        }
        obj.corners += 3;
        faceLines << "f " << n[0] << "/" << n[0] << "/" << n[0] << " " << n[1] << "/" << n[1] << "/"
                  << n[1] << " " << n[2] << "/" << n[2] << "/" << n[2] << "\n";
    }
    obj.vertices = unsigned(index.size());
    obj.text = vertexLines.str() + faceLines.str();
    return obj;
}

// Exports into a fresh folder; returns the console output.
std::string exportInto(const Mesh& mesh, int segmentCount, const std::string& dir,
    SegmentExportReport* report = nullptr)
{
    testing::internal::CaptureStdout();
    const SegmentExportReport r = writeSegmentFiles(mesh, segmentCount, dir);
    if (report)
        *report = r;
    return testing::internal::GetCapturedStdout();
}

} // namespace

TEST(SegmentExport, WritesEveryFileWithMergedPositionsAndExactLines)
{
    // Two triangles over five positions, one of them duplicated (1 0 0) and one
    // given as -0 (merged with 0), with numbers that need the short formats.
    Mesh mesh = makeMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 0.1f, 1e-05f, -0.0f }, { 1, 0, 0 },
                             { 123456789.0f, 2.5f, 0 } },
        { { 0, 1, 2 }, { 3, 4, 2 } });
    const std::string dir = scratchDir("exact");

    // No marks: the whole mesh unsegmented, the combined file empty.
    EXPECT_EQ(exportInto(mesh, 0, dir),
        "Saving: " + dir + "/non-segemented.obj v:4 f:6\nSaving: " + dir
            + "/segemented.obj v:0 f:0\n");
    const std::string whole = "v 0 0 0\nv 1 0 0\nv 0.1 1e-05 -0\nv 1.23457e+08 2.5 0\n"
                              "f 1/1/1 2/2/2 3/3/3\nf 2/2/2 4/4/4 3/3/3\n";
    EXPECT_EQ(readFile(dir + "/non-segemented.obj"), whole);
    EXPECT_TRUE(std::filesystem::exists(dir + "/segemented.obj"));
    EXPECT_EQ(readFile(dir + "/segemented.obj"), "");

    // The second face in segment 3 of 3: segments 1 and 2 give empty files.
    mesh.faces[1].segment = 3;
    EXPECT_EQ(exportInto(mesh, 3, dir),
        "Saving: " + dir + "/non-segemented.obj v:3 f:3\nSaving: " + dir
            + "/object_1.obj v:0 f:0\nSaving: " + dir + "/object_2.obj v:0 f:0\nSaving: " + dir
            + "/object_3.obj v:3 f:3\nSaving: " + dir + "/segemented.obj v:3 f:3\n");
    EXPECT_EQ(readFile(dir + "/non-segemented.obj"),
        "v 0 0 0\nv 1 0 0\nv 0.1 1e-05 -0\nf 1/1/1 2/2/2 3/3/3\n");
    const std::string third = "v 1 0 0\nv 1.23457e+08 2.5 0\nv 0.1 1e-05 -0\nf 1/1/1 2/2/2 3/3/3\n";
    EXPECT_EQ(readFile(dir + "/object_3.obj"), third);
    EXPECT_EQ(readFile(dir + "/segemented.obj"), third);
    for (const char* empty : { "/object_1.obj", "/object_2.obj" }) {
        EXPECT_TRUE(std::filesystem::exists(dir + empty));
        EXPECT_EQ(readFile(dir + empty), "");
    }
    std::filesystem::remove_all(dir);
}

TEST(SegmentExport, AFileThatCannotBeWrittenDoesNotStopTheOthers)
{
    Mesh mesh = flatGrid(4);
    mesh.faces[0].segment = 1;
    mesh.faces[5].segment = 2;
    const std::string dir = scratchDir("blocked");
    // A folder where object_1.obj should go cannot be replaced by a file.
    std::filesystem::create_directory(dir + "/object_1.obj");
    SegmentExportReport report;
    testing::internal::CaptureStderr();
    exportInto(mesh, 2, dir, &report);
    EXPECT_EQ(
        testing::internal::GetCapturedStderr(), "ERROR: Writing File: " + dir + "/object_1.obj\n");
    EXPECT_EQ(report.failed, std::vector<std::string> { dir + "/object_1.obj" });
    EXPECT_EQ(report.written,
        (std::vector<std::string> {
            dir + "/non-segemented.obj", dir + "/object_2.obj", dir + "/segemented.obj" }));
    EXPECT_TRUE(std::filesystem::is_directory(dir + "/object_1.obj"));
    EXPECT_EQ(readFile(dir + "/object_2.obj"), "v 2 0 0\nv 3 1 0\nv 2 1 0\nf 1/1/1 2/2/2 3/3/3\n");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 4);
    std::filesystem::remove_all(dir);
}

TEST(SegmentExport, PositionMergeMatchesAnOrderedMapOnRealMeshes)
{
    int tried = 0;
    for (const char* name : { "teapot.obj", "suzanne.obj", "stanford-bunny.obj" }) {
        Mesh mesh;
        if (!loadRealMesh(mesh, name))
            continue;
        ++tried;
        // Scattered segments, some left empty, and faces in no segment.
        std::mt19937 random(7);
        const int segments = 9;
        for (Face& face : mesh.faces)
            face.segment = int(random() % 12) % (segments + 1);
        for (Face& face : mesh.faces)
            if (face.segment == 4)
                face.segment = 0;

        int classCount = 0;
        const std::vector<int> classes = positionClasses(mesh, classCount);
        std::vector<int> stamp(std::size_t(classCount), -1), slot(std::size_t(classCount), 0);
        for (int id = -1; id <= segments; ++id) {
            std::vector<int> faceList;
            for (int f = 0; f < mesh.numFaces; ++f) {
                const int s = mesh.faces[std::size_t(f)].segment;
                if (id >= 0 ? s == id : s > 0)
                    faceList.push_back(f);
            }
            const SegmentObj fast = segmentObj(mesh, faceList, classes, stamp, slot, id + 1);
            const SegmentObj plain = referenceObj(mesh, id);
            ASSERT_EQ(fast.vertices, plain.vertices) << name << " segment " << id;
            ASSERT_EQ(fast.corners, plain.corners);
            ASSERT_EQ(fast.text, plain.text) << name << " segment " << id;
        }
        // Duplicated positions merge: the whole mesh has fewer vertices.
        if (std::string(name) == "teapot.obj") {
            std::vector<int> every(std::size_t(mesh.numFaces));
            for (int f = 0; f < mesh.numFaces; ++f)
                every[std::size_t(f)] = f;
            EXPECT_LT(segmentObj(mesh, every, classes, stamp, slot, 100).vertices,
                unsigned(mesh.numVertices));
        }
    }
    if (tried == 0)
        GTEST_SKIP() << "the real meshes are not here";
}
