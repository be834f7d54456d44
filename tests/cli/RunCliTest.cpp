// facetra-cli run: step scripts over many meshes, against the one-step verbs
// that drive the same workbench.
#include "CliProcess.h"

#include <map>
#include <sstream>

using namespace testutil;
using namespace clitest;

namespace {

const std::string tetraObj
    = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n";

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
        for (const std::string& mesh : meshes) {
            if (line.starts_with(mesh + ": "))
                cut.emplace_back();
        }
    }
    if (cut.back().empty())
        cut.pop_back();
    std::sort(cut.begin(), cut.end());
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
    // In the verb's arguments "@" stands for the verb's output folder.
    const struct
    {
        std::string mesh;
        std::vector<std::string> verb;
        std::string script;
    } cases[] = {
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
        { suzanne,
            { "segment", suzanne, "--traverse", "1:4:20", "--mark", "--traverse", "600:3:30",
                "--mark", "--save-all", "@/parts" },
            "pick face=1 depth=4 angle=20\nmark\npick face=600 depth=3 angle=30\nmark\n"
            "save-segments parts\n" },
        { cross, { "classify", "--weight", "0.3", "--save-table", "@/t.spt", cross },
            "classify weight=0.30000001192092896\nsave-table t.spt\n" },
        { coloured, { "morphogens", "--settings", mor, coloured, "@/c.ply" },
            "morphogens settings=" + mor + "\nsave c.ply\n" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.verb[0] + " " + c.verb[1]);
        fs::remove_all(verbOut);
        fs::remove_all(runOut);
        fs::create_directories(verbOut);
        std::vector<std::string> args = c.verb;
        for (std::string& a : args) {
            if (a.starts_with("@"))
                a.replace(0, 1, verbOut);
        }
        ASSERT_EQ(runCli(args).status, 0);
        const CliRun run
            = runCli({ "run", "--out-dir", runOut, dir.write("step.txt", c.script), c.mesh });
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_FALSE(filesUnder(runOut).empty());
        EXPECT_EQ(filesUnder(runOut), filesUnder(verbOut));
    }
}

// {name} and --out-dir place the files; three meshes at once write what one
// at a time writes, and each mesh's console lines come out in one piece.
TEST_F(CliRunReal, NamesFoldersAndJobsGiveTheSameFiles)
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
}

// One mesh that cannot be read and one whose step is refused fail alone: the
// others are written, the exit status says that something failed.
TEST_F(CliRunReal, AFailingMeshLeavesTheOthersDone)
{
    const std::string tetra = dir.write("tetra.obj", tetraObj);
    const std::string missing = dir.file("missing.obj"), unknown = dir.write("mesh.stp", "v 0\n");
    const std::string script
        = dir.write("pick.steps", "pick face=50 depth=2 angle=30\nmark\nsave {name}.obj\n");
    const std::string out = dir.file("out");
    const CliRun run = runCli({ "run", "--jobs", "2", "--out-dir", out, script, suzanne, missing,
        tetra, unknown, cross });
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
// Step.RefusesDamagedLinesSayingWhy and
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
