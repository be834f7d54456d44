// facetra-cli run as a user or a script runs it: what it counts and converts,
// its refusals, Ctrl+C; what it says about the files it reads (a reason for
// every file it could not read, on the error stream only, one JSON line per
// file); what it writes (a name no reader takes back is refused before anything
// is read or computed, compressed outputs read back, morphogens stay in OBJ, and
// what a format cannot hold is named on standard error).
#include "CliProcess.h"

#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/WriteMeshFile.h"
#include "mesh/engine/WriteObj.h"

#include <nlohmann/json.hpp>

#include <sstream>
#include <sys/stat.h>

using namespace testutil;
using namespace clitest;

namespace {

const char* const triangleObj = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
const std::string morphogenObj = "mn heat salt\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nm 0.5 -1\n"
                                 "m 0.25 2\nm 1e-07 0\nm 3 4\nf 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n";

std::vector<nlohmann::json> jsonLines(const std::string& out)
{
    std::vector<nlohmann::json> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(nlohmann::json::parse(line));
    return lines;
}

} // namespace

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

// No command is an error that prints the usage; a missing input, for the
// inspecting verb and for one that changes the mesh, is one line naming the file
// on the error stream, nothing written. The version: install_tree, against the
// package's.
TEST(Cli, UsageErrorsMissingInputsEmptyMeshesAndUnwritableTargetsFailAndTheSampleIsClosed)
{
    TempDir dir;
    const std::string empty = dir.write("empty.obj", "# nothing\n");
    const std::string tri = dir.write("tri.obj", triangleObj);
    const std::pair<std::vector<std::string>, int> cases[]
        = { { { "--help" }, 0 }, { { "frobnicate" }, 1 }, { { "info", "--help" }, 0 },
              { { "info", "--json" }, 1 }, { { "info", "--bogus", tri }, 1 }, { { "sample" }, 1 },
              { { "convert", tri }, 1 }, { { "convert", empty, dir.file("e.obj") }, 1 },
              { { "convert", tri, dir.file("missing/dir/x.obj") }, 1 }, { { "run" }, 1 },
              { { "run", "--help" }, 0 }, { { "run", "--jobs", "0", tri, tri }, 1 } };
    for (const auto& [args, status] : cases)
        EXPECT_EQ(runCli(args).status, status) << args[0];
    const CliRun bare = runCli({});
    EXPECT_TRUE(bare.status == 1 && bare.out.empty()) << bare.out;
    EXPECT_NE(bare.err.find("usage: facetra-cli"), std::string::npos);
    const std::string missing = dir.file("missing.obj"), out = dir.file("out.obj");
    const std::vector<std::string> missingInputs[] = { { "info", missing },
        { "convert", missing, out }, { "subdivide", "--levels", "1", missing, out } };
    for (const auto& args : missingInputs) {
        SCOPED_TRACE(args[0]);
        const CliRun run = runCli(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "facetra-cli: " + missing + ": no such file\n");
        EXPECT_EQ(run.out.find("no such file"), std::string::npos) << run.out;
        EXPECT_FALSE(fs::exists(out));
    }
    EXPECT_FALSE(fs::exists(dir.file("e.obj")));
    // The sample: 300 rings of 24 vertices, two triangles per quad, no border.
    ASSERT_EQ(runCli({ "sample", dir.file("knot.obj") }).status, 0);
    const auto j = info(dir.file("knot.obj"));
    EXPECT_TRUE(j.at("faces") == 14400 && j.at("edges") == 21600 && j.at("boundary_edges") == 0);
}

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

// N files, N lines: a file that could not be read gives its name and the
// reason. Eight-bit names (Latin-1 file and morphogen names) come out as UTF-8,
// UTF-8 ones as they are; the net format has no face format.
TEST(CliInput, InfoJsonGivesOneLinePerFileAndTheReasonsOfThoseThatFailed)
{
    TempDir dir;
    const std::string good = dir.write("caf\xE9.obj",
        "mn caf\xE9 na\xC3\xAFve\nv 0 0 0\nv 1 0 0\nv 0 1 0\nm 0.5 1\nf 1/1/ 2/2/ 3/3/\n");
    const std::string net
        = dir.write("quad.net", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 0 1 2 3\n");
    const std::string unknown = dir.write("mesh.stp", triangleObj);
    const std::string missing = dir.file("missing.obj");
    const CliRun run = runCli({ "info", "--json", missing, good, unknown, net });
    EXPECT_EQ(run.status, 1);
    const auto lines = jsonLines(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out;
    const std::string reasons[]
        = { missing + ": no such file", "", unknown + ": no reader for this kind of file", "" };
    const std::string files[] = { missing, dir.file("caf\xC3\xA9.obj"), unknown, net };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(lines[i].at("file"), files[i]);
        if (reasons[i].empty()) {
            EXPECT_EQ(lines[i].at("faces"), i == 1 ? 1 : 2);
            EXPECT_FALSE(lines[i].contains("error"));
        } else {
            EXPECT_EQ(lines[i].at("error").get<std::string>().rfind(reasons[i], 0), 0u)
                << lines[i].dump();
            // The same reason on the error stream.
            EXPECT_NE(run.err.find("facetra-cli: " + reasons[i]), std::string::npos) << run.err;
        }
    }
    EXPECT_EQ(lines[1].at("morphogens"), nlohmann::json::array({ "caf\xC3\xA9", "na\xC3\xAFve" }));
    EXPECT_EQ(lines[1].at("face_format"), 4);
    EXPECT_EQ(lines[1].at("boundary_edges"), 3);
    EXPECT_TRUE(lines[3].at("face_format").is_null());
}

// Every verb refuses an unwritable output before reading anything; compressed
// outputs read back, morphogens stay in OBJ and what is lost is named.
TEST(CliWrite, UnwritableOutputsAreRefusedFirstAndWhatIsWrittenReadsBack)
{
    const TempDir dir;
    const std::string in = dir.write("in.obj", morphogenObj);
    // Neither of these exists: reading them would be a different failure.
    const std::string mor = dir.file("missing.mor"), png = dir.file("missing.png");
    // The refusal is the one a save gives (its words: MeshWrite.NamesNoReaderTakesBack...).
    std::vector<std::vector<std::string>> cases = {
        { "convert", in, dir.file("out.net") },
        { "subdivide", "--levels", "1", in, dir.file("out.gts") },
        { "simplify", "--lod", "50", in, dir.file("out.net.gz") },
        { "morphogens", "--settings", mor, in, dir.file("out.png") },
        { "sample", dir.file("knot") },
        { "convert", dir.file("missing.obj"), dir.file("out.obj.zip") },
    };
    if (runCli({ "terrain", "--help" }).status == 0)
        cases.push_back({ "terrain", "--heightmap", png, "--resolution", "4", "--scale", "1",
            "--height", "1", dir.file("t.xyz") });
    for (const auto& args : cases) {
        SCOPED_TRACE(args[0]);
        const CliRun run = runCli(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "facetra-cli: " + meshWriteProblem(args.back()) + "\n");
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string> { "in.obj" });

    // A script saving such a name is refused whole: nothing runs.
    const std::string out = dir.file("outputs");
    const CliRun run = runCli({ "run", "--out-dir", out,
        dir.write("s.steps", "save {name}.obj\nsubdivide levels=1\nsave {name}.gts\n"), in });
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.starts_with("facetra-cli: line 3: save: " + meshWriteProblem("x.gts")))
        << run.err;
    EXPECT_FALSE(fs::exists(out));

    // OBJ keeps the morphogens, compressed too (bit for bit and line by line:
    // MeshWrite.MorphogensSurviveObjExactly), and says nothing.
    const CliRun gz = runCli({ "convert", in, dir.file("same.obj.gz") });
    ASSERT_EQ(gz.status, 0) << gz.err;
    EXPECT_EQ(gz.err, "");
    EXPECT_EQ(
        info(dir.file("same.obj.gz")).at("morphogens"), nlohmann::json::array({ "heat", "salt" }));

    // Another format writes the mesh without them and says so on the error
    // stream (each format's words: MeshWrite.EveryWritableSuffixReadsBack...).
    const std::string ply = dir.file("m.ply.gz");
    const CliRun lost = runCli({ "convert", in, ply });
    ASSERT_EQ(lost.status, 0) << lost.err;
    EXPECT_EQ(lost.err, ply + ": PLY holds no morphogens; they are not written\n");
    EXPECT_EQ(info(ply).at("faces"), 4);

    // The coloured sample as STL, which drops its colours.
    const CliRun stl = runCli({ "sample", dir.file("knot.stl") });
    EXPECT_EQ(
        stl.err, dir.file("knot.stl") + ": STL holds no vertex colours; they are not written\n");
}
