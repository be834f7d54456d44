// facetra-cli run as a user or a script runs it.
#include "CliProcess.h"

#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/WriteObj.h"

#include <sys/stat.h>

using namespace testutil;
using namespace clitest;

namespace {

// Counts from the readers, the edge graph and the bounding box against counts
// made independently of this program; then a conversion of each file must
// keep positions to six digits and every triangle.
TEST(CliInfo, CountsMatchTheIndependentReferenceAndConvertWritesWhatSavingWould)
{
    const RealMeshes meshes;
    if (!meshes.present())
        GTEST_SKIP() << "no real meshes at " << FACETRA_MESH_DIR;
    const auto reference = meshes.referenceCounts();
    TempDir dir;
    for (const auto& file : meshes.files()) {
        SCOPED_TRACE(file.name);
        const auto j = info(file.path);
        ASSERT_TRUE(reference.count(file.name)) << "no reference line";
        const auto& want = reference.at(file.name);
        for (const char* key : { "vertices", "faces", "edges", "boundary_edges" })
            EXPECT_EQ(j.at(key), want.at(key)) << key;
        for (const char* key : { "bbox_min", "bbox_max" }) {
            for (std::size_t k = 0; k < 3; ++k) {
                const double w = want.at(key)[k].get<double>();
                EXPECT_NEAR(j.at(key)[k].get<double>(), w, 1e-5 * (1 + std::abs(w))) << key;
            }
        }
        EXPECT_NEAR(j.at("extent").get<double>(), want.at("extent").get<double>(),
            1e-5 * want.at("extent").get<double>());

        // Converting writes what saving the loaded mesh writes.
        const std::string out = dir.file("converted-" + file.name);
        ASSERT_EQ(runCli({ "convert", file.path, out }).status, 0);
        Mesh loaded;
        captureStdout([&] {
            readMeshFile(loaded, file.path);
            writeObj(loaded, dir.file("saved.obj"));
        });
        EXPECT_EQ(readFile(out), readFile(dir.file("saved.obj")));
        EXPECT_EQ(info(out).at("face_format"), 4);
    }
}

TEST(Cli, UsageErrorsEmptyMeshesAndUnwritableTargetsFailAndTheSampleIsClosed)
{
    TempDir dir;
    const std::string empty = dir.write("empty.obj", "# nothing\n");
    const std::string tri = dir.write("tri.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    const std::pair<std::vector<std::string>, int> cases[]
        = { { { "--help" }, 0 }, { { "frobnicate" }, 1 }, { { "info", "--help" }, 0 },
              { { "info", "--json" }, 1 }, { { "info", "--bogus", tri }, 1 }, { { "sample" }, 1 },
              { { "convert", tri }, 1 }, { { "convert", empty, dir.file("e.obj") }, 1 },
              { { "convert", tri, dir.file("missing/dir/x.obj") }, 1 }, { { "run" }, 1 },
              { { "run", "--help" }, 0 }, { { "run", "--jobs", "0", tri, tri }, 1 } };
    for (const auto& [args, status] : cases)
        EXPECT_EQ(runCli(args).status, status) << (args.empty() ? "" : args[0]);
    EXPECT_FALSE(fs::exists(dir.file("e.obj")));
    // The sample: 300 rings of 24 vertices, two triangles per quad, no border.
    ASSERT_EQ(runCli({ "sample", dir.file("knot.obj") }).status, 0);
    const auto j = info(dir.file("knot.obj"));
    EXPECT_TRUE(j.at("faces") == 14400 && j.at("edges") == 21600 && j.at("boundary_edges") == 0);
}

} // namespace

// Ctrl+C, whether a verb computes, waits on a FIFO no writer opens or runs a
// script over many meshes: status 130, "Cancelled", nothing written. A whole
// run keeps the bar off a standard error that is no terminal.
TEST(CliCancel, InterruptEndsEveryVerbWith130AndNoOutputAndTheBarStaysOffAPipe)
{
    TempDir dir;
    const std::string grid = dir.file("grid.obj"), fifo = dir.file("fifo.obj");
    Mesh mesh;
    makeGrid(mesh, 150, [](int j, int i) { return float((i * j) % 5) * 0.1f; });
    captureStdout([&] { ASSERT_TRUE(writeObj(mesh, grid)); });
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string steps = dir.write("big.steps", "subdivide levels=3\nsave {name}.obj\n");
    const std::vector<std::string> meshes { dir.file("a.obj"), dir.file("b.obj"),
        dir.file("c.obj") };
    for (const std::string& name : meshes)
        fs::copy_file(grid, name);

    const CliRun whole = runCli({ "subdivide", "--levels", "1", grid, dir.file("small.obj") });
    EXPECT_EQ(whole.status, 0);
    EXPECT_EQ(whole.err, "");
    fs::remove(dir.file("small.obj"));

    const std::pair<std::vector<std::string>, std::string> cases[] = {
        // Once the first console line is out.
        { { "subdivide", "--levels", "3", grid, dir.file("big.obj") }, "\n" },
        // The reader announces the file before it waits for its bytes.
        { { "info", fifo }, "Opening: " + fifo },
        { { "convert", fifo, dir.file("copy.obj") }, "Opening: " + fifo },
        { { "run", "--jobs", "2", "--out-dir", dir.file("out"), steps, meshes[0], meshes[1],
              meshes[2] },
            "" },
    };
    CliRun run;
    for (const auto& [args, waitFor] : cases) {
        SCOPED_TRACE(args[0]);
        run = interrupted(args, waitFor);
        EXPECT_EQ(run.status, 130) << run.out;
        EXPECT_TRUE(run.err.ends_with("Cancelled\n")) << run.err;
        EXPECT_TRUE(args[0] == "run" || run.err == "Cancelled\n") << run.err;
    }
    // Both jobs stopped; the third mesh never started.
    EXPECT_NE(run.out.find(meshes[0] + ": cancelled\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(meshes[1] + ": cancelled\n"), std::string::npos);
    EXPECT_EQ(run.out.find(meshes[2]), std::string::npos);
    // The run's folder is made, and stays empty.
    EXPECT_EQ(namesIn(dir.path()),
        (std::vector<std::string> {
            "a.obj", "b.obj", "big.steps", "c.obj", "fifo.obj", "grid.obj", "out" }));
    EXPECT_TRUE(fs::is_empty(dir.file("out")));
}
