// Edge traversal, marking and the segmented export on meshes built in code, and
// the fast export against a plain ordered map on real meshes. That facetra-cli
// segment writes what the view exports: CliRunReal.ScriptsWriteWhatTheOneStepVerbsWrite
// and WindowBatchTest::classifyPickAndMark.
#include "SegmentationTestMeshes.h"
#include "TestUtil.h"

#include "mesh/engine/Mesh.h"
#include "segmentation/engine/EdgeTraversal.h"
#include "segmentation/engine/SegmentExport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <numbers>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// Two triangles sharing an edge, the second turned about it by `fold` degrees
// (180: folded back onto the first, facing the other way), and a third apart.
Mesh foldedPair(double fold)
{
    const double t = fold * std::numbers::pi / 180.0;
    return segMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 0.5f, 1, 0 },
                       { 0.5f, float(-std::cos(t)), float(std::sin(t)) }, { 5, 5, 5 }, { 6, 5, 5 },
                       { 5, 6, 5 } },
        { { 0, 1, 2 }, { 1, 0, 3 }, { 4, 5, 6 } });
}

std::vector<int> flags(const Mesh& mesh)
{
    std::vector<int> out;
    for (std::size_t f = 0; f < mesh.faces.size(); ++f)
        out.push_back(mesh.traversed(f));
    return out;
}

} // namespace

TEST(EdgeTraversal, FoldLimitIsStrictDepthCountsLayersAndTheNewerMarkWins)
{
    // The fold, the traversal's angle and depth, the face picked, the faces reached.
    const std::tuple<double, int, int, int, std::vector<int>> cases[] = {
        { 0.0, 1, 1, 1, { 0, 1, 0 } }, // coplanar at the smallest angle
        { 0.0, 1, 2, 1, { 1, 1, 0 } }, // the start face is reached back from layer 1
        { 0.0, 90, 3, 0, { 0, 0, 0 } }, // selected 0 names no face (nor does -1)
        { 0.0, 360, 5000, 3, { 0, 0, 0 } }, // a face without neighbours
        // The limit is strict; single-precision normals resolve a fold to about
        // 1e-4 degrees, so a fold of 1 degree is tried a hair each side.
        { 1.001, 1, 1, 1, { 0, 0, 0 } }, { 0.999, 1, 1, 1, { 0, 1, 0 } },
        { 180.0, 1, 1, 1, { 0, 1, 0 } }, // opposite-facing: folded to 0
        { 100.0, 81, 1, 2, { 1, 0, 0 } }, // folded to 80
    };
    for (const auto& [fold, angle, depth, selected, reached] : cases) {
        Mesh mesh = foldedPair(fold);
        // An earlier traversal's flags are always cleared.
        mesh.faceTraversed.assign(mesh.faces.size(), 1);
        mesh.selected = selected;
        EdgeTraversal(&mesh).run(depth, angle);
        EXPECT_EQ(flags(mesh), reached) << "fold " << fold << " angle " << angle;
    }

    // Marks number segments and the newer mark wins.
    Mesh mesh = foldedPair(0.0);
    EdgeTraversal traversal(&mesh);
    int hue = 0; // red, then 32767: hue 360, outside the sectors, black
    traversal.randomHue = [&hue] { return hue; };
    mesh.selected = 1;
    // A face costs nothing for marks until a tool writes them.
    const auto made = [&mesh] {
        return std::vector<bool> { !mesh.faceTraversed.empty(), !mesh.faceColours.empty(),
            !mesh.faceSegments.empty() };
    };
    EXPECT_EQ(made(), (std::vector<bool> { false, false, false }));
    traversal.run(2, 1);
    EXPECT_EQ(made(), (std::vector<bool> { true, false, false }));
    traversal.markCurrent();
    EXPECT_EQ(made(), (std::vector<bool> { true, true, true }));
    traversal.markCurrent(); // nothing flagged: uses up number 2
    hue = 32767;
    mesh.selected = 2;
    traversal.run(1, 1);
    traversal.markCurrent();
    EXPECT_EQ(traversal.segmentCount, 3);
    EXPECT_EQ(flags(mesh), (std::vector<int> { 0, 0, 0 }));
    EXPECT_EQ(mesh.faceSegments, (LargeVector<int> { 3, 1, 0 }));
    EXPECT_EQ(mesh.colour(0), Vector(0.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(mesh.colour(1), Vector(1.0f, 0.0f, 0.0f, 1.0f));
}

TEST(SegmentExport, AnUnwritableFileSparesTheOthers)
{
    Mesh mesh = foldedPair(0.0);
    mesh.faceSegments = { 0, 1, 2 };
    const testutil::TempDir scratch;
    const std::string dir = scratch.path().string();
    fs::create_directory(dir + "/object_1.obj");
    SegmentExportReport blocked;
    testutil::quietly([&] { blocked = writeSegmentFiles(mesh, 2, dir); });
    EXPECT_EQ(blocked.failed, std::vector<std::string> { dir + "/object_1.obj" });
    EXPECT_EQ(blocked.written.size(), 3u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 4); // no temporary left
    EXPECT_GT(fs::file_size(dir + "/object_2.obj"), 0u);
}

TEST(SegmentExport, MatchesAPlainOrderedMapOnRealMeshes)
{
    for (const char* name : { "teapot.obj", "suzanne.obj" }) {
        Mesh mesh;
        if (!loadRealMesh(mesh, name))
            GTEST_SKIP() << name << " is not here";
        for (int f = 0; f < mesh.numFaces; ++f)
            mesh.segmentOf(std::size_t(f)) = (f * 7919) % 13 % 6; // 0 .. 5, unevenly
        int classCount = 0;
        const std::vector<int> classes = positionClasses(mesh, classCount);
        std::vector<int> stamp(std::size_t(classCount), -1), slot(std::size_t(classCount), 0);
        for (int id = -1; id <= 5; ++id) { // -1: every segmented face
            std::vector<int> chosen;
            std::map<Vector, int> index;
            std::ostringstream vertexLines, faceLines;
            for (int f = 0; f < mesh.numFaces; ++f) {
                const int segment = mesh.segment(std::size_t(f));
                if (id >= 0 ? segment != id : segment <= 0)
                    continue;
                chosen.push_back(f);
                faceLines << "f";
                for (const int v : mesh.faces[std::size_t(f)].index) {
                    const Vector& p = mesh.vertices[std::size_t(v)];
                    const auto [it, added] = index.try_emplace(p, int(index.size()));
                    if (added)
                        vertexLines << "v " << p.x << " " << p.y << " " << p.z << "\n";
                    const int n = it->second + 1;
                    faceLines << " " << n << "/" << n << "/" << n;
                }
                faceLines << "\n";
            }
            const SegmentObj fast = segmentObj(mesh, chosen, classes, stamp, slot, id + 1);
            EXPECT_EQ(fast.vertices, index.size());
            EXPECT_EQ(fast.text, vertexLines.str() + faceLines.str()) << name << " " << id;
        }
        EXPECT_LT(unsigned(classCount), unsigned(mesh.numVertices)); // duplicates merged
    }
}
