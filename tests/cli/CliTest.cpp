// facetra-cli run as a user or a script runs it: what it counts and converts,
// its refusals, Ctrl+C; what it says about the files it reads (a reason for
// every file it could not read, on the error stream only, one JSON line per
// file); what it writes (a name no reader takes back is refused before anything
// is read or computed, compressed outputs read back, morphogens stay in OBJ, and
// what a format cannot hold is named on standard error); run: step scripts over
// many meshes, against the one-step verbs that drive the same workbench.
#include "CliProcess.h"

#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/WriteMeshFile.h"
#include "mesh/engine/WriteObj.h"

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

// Every file under folder by its path relative to it, with its bytes.
std::map<std::string, std::string> filesUnder(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(folder, error)) {
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).string()] = readFile(entry.path().string());
    }
    return files;
}

// Standard output cut after each mesh's status line: its console lines and
// its status line, sorted.
std::vector<std::string> pieces(const std::string& out, const std::vector<std::string>& meshes)
{
    std::vector<std::string> cut(1);
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        cut.back() += line + '\n';
        if (std::ranges::any_of(meshes, [&](auto& mesh) { return line.starts_with(mesh + ": "); }))
            cut.emplace_back();
    }
    if (cut.back().empty())
        cut.pop_back();
    std::ranges::sort(cut);
    return cut;
}

// Runs on the real meshes of the shared folder; skipped where there are none.
class CliRunReal : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!fs::exists(suzanne) || !fs::exists(cross))
            GTEST_SKIP() << "no real meshes at " << FACETRA_MESH_DIR;
    }

    const std::string suzanne = std::string(FACETRA_MESH_DIR) + "/suzanne.obj";
    const std::string cross = std::string(FACETRA_MESH_DIR) + "/cross.obj";
    const TempDir dir;
};

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

// No command is an error that prints the usage; every verb refuses arguments
// out of range, missing or damaged and writes nothing; a missing input, for the
// inspecting verb and for one that changes the mesh, is one line naming the file
// on the error stream, nothing written. The version: install_tree, against the
// package's.
TEST(Cli, UsageErrorsMissingInputsEmptyMeshesAndUnwritableTargetsFailAndTheSampleIsClosed)
{
    TempDir dir;
    const std::string empty = dir.write("empty.obj", "# nothing\n");
    const std::string tri = dir.write("tri.obj", triangleObj);
    const std::string in = dir.write("in.obj", morphogenObj);
    const std::string cut = dir.write("cut.mor", "SIZE 3");
    const std::string png = dir.write("huge.png",
        std::string(
            "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\x01\x86\xa0\0\x01\x86\xa0\x08\x02\0\0\0\0\0\0\0",
            33));
    const std::string out = dir.file("out.obj"), normals = dir.file("normals.txt");
    const std::pair<std::vector<std::string>, int> cases[] = { { { "--help" }, 0 },
        { { "frobnicate" }, 1 }, { { "info", "--help" }, 0 }, { { "info", "--json" }, 1 },
        { { "info", "--bogus", tri }, 1 }, { { "sample" }, 1 }, { { "convert", tri }, 1 },
        { { "convert", empty, dir.file("e.obj") }, 1 },
        { { "convert", tri, dir.file("missing/dir/x.obj") }, 1 }, { { "run" }, 1 },
        { { "run", "--help" }, 0 }, { { "run", "--jobs", "0", tri, tri }, 1 },
        { { "classify" }, 1 }, { { "classify", "--weight", "2", in }, 1 },
        { { "classify", "--mode", "fast", in }, 1 }, { { "classify", "--patches", "0", in }, 1 },
        { { "classify", "--patches", "51", in }, 1 },
        { { "classify", "--load-table", dir.file("missing.spt"), in }, 1 },
        { { "subdivide", "--levels", "x", in, out }, 1 },
        { { "subdivide", "--levels", "-1", in, out }, 1 },
        { { "subdivide", "--levels", "1", "--weight", "0.5", in, out }, 1 },
        { { "subdivide", "--levels", "1", "--weight", "nan", in, out }, 1 },
        { { "subdivide", "--weight", "0", in, out }, 1 },
        { { "subdivide", "--levels", "1", in }, 1 },
        // A result too big to hold, refused from the counts.
        { { "subdivide", "--levels", "20", in, out }, 1 },
        { { "simplify", "--lod", "101", in, out }, 1 },
        { { "simplify", "--lod", "nan", in, out }, 1 }, { { "simplify", "--lod", in, out }, 1 },
        { { "filter", "--algorithm", "median", "--radius", "0", "--normals-out", normals, in }, 1 },
        { { "filter", "--algorithm", "median", "--radius", "101", "--normals-out", normals, in },
            1 },
        { { "filter", "--algorithm", "median", "--radius", "x", "--normals-out", normals, in }, 1 },
        { { "filter", "--algorithm", "blur", "--radius", "5", "--normals-out", normals, in }, 1 },
        { { "filter", "--algorithm", "median", "--radius", "5", in }, 1 },
        // A setting file for three morphogens on a mesh of two, or none at all.
        { { "morphogens", "--settings", cut, in, out }, 1 }, { { "morphogens", in, out }, 1 },
        // Where facetra-cli has no terrain, every terrain line is refused alike.
        { { "terrain", "--heightmap", png, "--resolution", "0", "--scale", "1", "--height", "1",
              out },
            1 },
        { { "terrain", "--heightmap", png, "--resolution", "4", "--scale", "x", "--height", "1",
              out },
            1 },
        { { "terrain", "--heightmap", png, "--resolution", "4", "--scale", "1", out }, 1 },
        { { "terrain", "--heightmap", in, "--resolution", "4", "--scale", "1", "--height", "1",
              out },
            1 } };
    for (const auto& [args, status] : cases) {
        const CliRun run = runCli(args);
        EXPECT_EQ(run.status, status) << args[0] << " " << args.size() << ": " << run.err;
    }
    // A height map's size is read from its header before anything decodes it:
    // 33 bytes that claim 100000 x 100000 pixels (40 GB decoded) are refused at
    // once, in one line (where facetra-cli has the terrain).
    const CliRun huge = runCli({ "terrain", "--heightmap", png, "--resolution", "4", "--scale", "1",
        "--height", "1", out });
    EXPECT_EQ(huge.status, 1);
    EXPECT_TRUE(runCli({ "terrain", "--help" }).status != 0
        || (huge.err.starts_with(
                "facetra-cli: cannot read '" + png + "': the image is 100000 x 100000 pixels")
            && std::ranges::count(huge.err, '\n') == 1))
        << huge.err;
    EXPECT_EQ(namesIn(dir.path()),
        (std::vector<std::string> { "cut.mor", "empty.obj", "huge.png", "in.obj", "tri.obj" }));
    const CliRun bare = runCli({});
    EXPECT_TRUE(bare.status == 1 && bare.out.empty()) << bare.out;
    EXPECT_NE(bare.err.find("usage: facetra-cli"), std::string::npos);
    const std::string missing = dir.file("missing.obj");
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
    // MeshWrite.MorphogensAndColoursSurviveObjExactly), and says nothing.
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

    // Subdivision to level 0 leaves the mesh as loaded, as the page sends nothing.
    ASSERT_EQ(runCli({ "subdivide", "--levels", "0", in, dir.file("zero.obj") }).status, 0);
    ASSERT_EQ(runCli({ "convert", in, dir.file("converted.obj") }).status, 0);
    EXPECT_EQ(readFile(dir.file("zero.obj")), readFile(dir.file("converted.obj")));

    // The coloured sample as STL, which drops its colours.
    const CliRun stl = runCli({ "sample", dir.file("knot.stl") });
    EXPECT_EQ(
        stl.err, dir.file("knot.stl") + ": STL holds no vertex colours; they are not written\n");
}

// Each one-step verb and the same step in a script write the same bytes: the
// verb is that script.
TEST_F(CliRunReal, ScriptsWriteWhatTheOneStepVerbsWrite)
{
    const std::string coloured = dir.write("coloured.obj",
        "mn alpha beta\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n"
        "m 1 0\nm 0.5 0.5\nm 0 1\nm 0.2 0.3\nf 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n");
    const std::string mor = dir.write(
        "set.mor", "SIZE 2\nBASECOL 10 20 30\nMIXMODE 0\nMORPHO\t255 0 0 1\nMORPHO\t0 0 255 1\n");
    const std::string verbOut = dir.file("verb"), runOut = dir.file("run");
    // The mesh, the verb's arguments (where "@" stands for the verb's output
    // folder) and the script of the same step.
    const std::tuple<std::string, std::vector<std::string>, std::string> cases[] = {
        { suzanne, { "subdivide", "--levels", "1", "--weight", "0.025", suzanne, "@/a.obj" },
            "subdivide levels=1 weight=0.025\nsave a.obj\n" },
        { cross, { "subdivide", "--levels", "2", cross, "@/a.ply" },
            "subdivide levels=2\nsave a.ply\n" },
        { suzanne, { "simplify", "--lod", "30", suzanne, "@/a.off" },
            "simplify lod=30\nsave a.off\n" },
        { suzanne,
            { "filter", "--algorithm", "median", "--radius", "3", "--normals-out", "@/n.txt",
                suzanne },
            "filter algorithm=median radius=3\nsave-normals n.txt\n" },
        { cross,
            { "filter", "--algorithm", "spherejump", "--radius", "20", "--normals-out", "@/n.txt",
                cross },
            "filter algorithm=spherejump radius=20\nsave-normals n.txt\n" },
        // A mark before any pick does nothing, as in the window.
        { suzanne,
            { "segment", suzanne, "--mark", "--traverse", "1:4:20", "--mark", "--traverse",
                "600:3:30", "--mark", "--save-all", "@/parts" },
            "pick face=1 depth=4 angle=20\nmark\npick face=600 depth=3 angle=30\nmark\n"
            "save-segments parts\n" },
        { cross, { "classify", "--weight", "0.3", "--save-table", "@/t.spt", cross },
            "classify weight=0.30000001192092896\nsave-table t.spt\n" },
        { coloured, { "morphogens", "--settings", mor, coloured, "@/c.ply" },
            "morphogens settings=" + mor + "\nsave c.ply\n" },
    };
    for (const auto& [mesh, verb, script] : cases) {
        SCOPED_TRACE(verb[0] + " " + verb[1]);
        fs::remove_all(verbOut);
        fs::remove_all(runOut);
        fs::create_directories(verbOut);
        std::vector<std::string> args = verb;
        for (std::string& a : args) {
            if (a.starts_with("@"))
                a.replace(0, 1, verbOut);
        }
        ASSERT_EQ(runCli(args).status, 0);
        const CliRun run
            = runCli({ "run", "--out-dir", runOut, dir.write("step.txt", script), mesh });
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_FALSE(filesUnder(runOut).empty());
        EXPECT_EQ(filesUnder(runOut), filesUnder(verbOut));
    }
    // A face the mesh does not have fails.
    EXPECT_EQ(
        runCli({ "segment", coloured, "--traverse", "5:2:20", "--save-all", verbOut }).status, 1);
}

// {name} and --out-dir place the files; three meshes at once write what one
// at a time writes, and each mesh's console lines come out in one piece.
TEST_F(CliRunReal, NamesFoldersAndJobsGiveTheSameFilesAndAFailingMeshLeavesTheOthersDone)
{
    const std::string tetra = dir.write("tetra.v2.obj", tetraObj);
    const std::string script = dir.write("fine.steps",
        "# refine, then keep the mesh and its normals\n"
        "subdivide levels=1 weight=0.0625\n"
        "save {name}-fine.ply\n"
        "filter algorithm=spherejump radius=10\n"
        "save-normals \"{name} normals.txt\"\n");
    const std::vector<std::string> meshes = { suzanne, cross, tetra };
    std::map<std::string, std::string> files[2];
    std::vector<std::string> console[2];
    for (int k = 0; k < 2; ++k) {
        // The same relative folder in two places, so the console lines match.
        const fs::path cwd = dir.path() / ("jobs" + std::to_string(k));
        fs::create_directories(cwd);
        std::vector<std::string> args
            = { "run", "--jobs", k == 0 ? "1" : "3", "--out-dir", "out", script };
        args.insert(args.end(), meshes.begin(), meshes.end());
        const CliRun run = runCli(args, cwd.string());
        ASSERT_EQ(run.status, 0) << run.err;
        files[k] = filesUnder(cwd / "out");
        console[k] = pieces(run.out, meshes);
    }
    std::string names;
    for (const auto& [name, bytes] : files[0])
        names += name + "; ";
    EXPECT_EQ(names,
        "cross normals.txt; cross-fine.ply; suzanne normals.txt; suzanne-fine.ply; "
        "tetra normals.txt; tetra-fine.ply; ");
    EXPECT_TRUE(files[0] == files[1]);
    ASSERT_EQ(console[0].size(), 3u);
    EXPECT_EQ(console[0], console[1]);
    EXPECT_NE(console[0][0].find(": done (4 steps)\n"), std::string::npos);

    // Without --out-dir a relative name is taken in the current folder.
    const fs::path here = dir.path() / "here";
    fs::create_directories(here);
    ASSERT_EQ(runCli({ "run", dir.write("save.steps", "save {name}.off\n"), tetra }, here.string())
                  .status,
        0);
    EXPECT_TRUE(fs::exists(here / "tetra.off"));

    // One mesh that cannot be read and one whose step is refused fail alone: the
    // others are written, the exit status says that something failed.
    const std::string missing = dir.file("missing.obj"), unknown = dir.write("mesh.stp", "v 0\n");
    const std::string pick
        = dir.write("pick.steps", "pick face=50 depth=2 angle=30\nmark\nsave {name}.obj\n");
    const std::string out = dir.file("out");
    const CliRun run = runCli(
        { "run", "--jobs", "2", "--out-dir", out, pick, suzanne, missing, tetra, unknown, cross });
    EXPECT_EQ(run.status, 1);
    for (const std::string& line : { suzanne + ": done (3 steps)\n", cross + ": done (3 steps)\n",
             tetra + ": failed at line 1 (pick): face 50 is not in the mesh (4 faces)\n",
             missing + ": failed: " + missing + ": no such file\n",
             unknown + ": failed: " + unknown + ": no reader for this kind of file" })
        EXPECT_NE(run.out.find(line), std::string::npos) << line << " in\n" << run.out;
    const auto written = filesUnder(out);
    EXPECT_EQ(written.size(), 2u);
    EXPECT_TRUE(written.count("suzanne.obj") && written.count("cross.obj"));
}

// A script is checked whole before anything runs: a damaged line is named and
// nothing is written, not even what the lines before it would save. Lines that
// do not parse, and their numbers past comments and blank lines:
// Step.ReadsWordsQuotesAndParametersAndRefusesDamagedLinesSayingWhy and
// Step.ScriptSkipsCommentsAndBlankLinesAndNamesTheDamagedLine; an unknown verb's
// words: test_refused_steps_raise_value_error_with_the_batch_tool_words.
TEST(CliRun, ADamagedScriptIsRefusedBeforeAnythingRuns)
{
    const TempDir dir;
    const std::string tetra = dir.write("tetra.obj", tetraObj);
    const std::string other = dir.write("other.obj", tetraObj);
    const std::pair<std::string, std::string> cases[] = {
        { "save {name}.obj\nsubdivide levels=1\n\nsimplify lod=300\n",
            "line 4: simplify: lod takes a percentage from 0 to 100, not '300'" },
        { "save {name}.obj\nsave-normals\n", "line 2: save-normals: takes one file name" },
        { "subdivide levels=1 tension=2\n", "line 1: subdivide: unknown key 'tension'" },
        // Two meshes would write one file.
        { "save {name}.obj\nsave last.obj\n",
            "line 2: '" + tetra + "' and '" + other + "' would both write" },
    };
    const std::string out = dir.file("out");
    for (const auto& [script, problem] : cases) {
        SCOPED_TRACE(problem);
        const CliRun run
            = runCli({ "run", "--out-dir", out, dir.write("bad.steps", script), tetra, other });
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.err.starts_with("facetra-cli: " + problem)) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(fs::exists(out));
    }
}
