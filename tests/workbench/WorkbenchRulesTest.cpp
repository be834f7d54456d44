// The rule table at work: after every kind of step the tool state is what the
// table in Workbench.cpp says, and the listeners hear of every part that
// changed; settings outlive new meshes; Undo and Redo over a long mixed run
// restore every state byte for byte; the steps listed replay to the same
// state.
#include "WorkbenchTestUtil.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"

using namespace wbtest;

namespace {

// Runs act and expects every part it changed announced; returns what was heard.
template <class Act> unsigned expectAnnounced(Workbench& w, const std::string& what, Act act)
{
    const Parts before = parts(w);
    unsigned heard = 0;
    const int id = w.addListener([&heard](unsigned c) { heard |= c; });
    act();
    w.removeListener(id);
    const Parts after = parts(w);
    unsigned needed = 0;
    for (const auto& [name, p] : before)
        needed |= p.bytes != after.at(name).bytes ? p.change : 0u;
    EXPECT_EQ(heard & needed, needed)
        << what << ": heard " << std::hex << heard << " of " << differing(before, after);
    return heard;
}

class Rules : public testing::Test
{
protected:
    void SetUp() override
    {
        grid = writeGrid(dir, "grid.obj", 8);
        readRampMaps(w);
    }

    TempDir dir;
    std::string grid;
    Workbench w;
};

} // namespace

TEST_F(Rules, EachKindOfStepLeavesTheToolStateTheTableSays)
{
    // Derived data: what a load builds, the classifier's builds (normals and
    // edges from the positions), kept, or kept but for the filtered face normals.
    enum Derived { LoadBuilds, ClassifierBuilds, AsBefore, FilterNormals };
    // then: per column of the table (classifier result, pick, segments,
    // highlight, filter run, clipping cube) C cleared (the cube refitted), K
    // kept, S the step's. shown: face colours, then flat shading: 0 off, 1 on,
    // - as they were.
    const std::tuple<const char*, Derived, const char*, const char*> cases[] = {
        { "open", LoadBuilds, "CCCCCC", "00" },
        { "terrain heightmap=m.png resolution=9 scale=64 height=32", LoadBuilds, "CCCCCC", "00" },
        { "subdivide levels=1 weight=0", LoadBuilds, "CCCCCK", "00" },
        { "simplify lod=50", LoadBuilds, "CCCCCK", "00" },
        { "reload", LoadBuilds, "CCCCCK", "00" },
        { "filter algorithm=median radius=2", FilterNormals, "KKKKSK", "-1" },
        { "filter-step algorithm=spherejump radius=20", FilterNormals, "KKKKSK", "-1" },
        { "classify weight=0.2 mode=floyd", ClassifierBuilds, "SKKKKK", "10" },
        { "repartition patches=1", AsBefore, "SKKKKK", "1-" },
        { "morphogens base=10,20,30 colours=200,0,0;0,0,200 toggles=1,1", AsBefore, "KKKKKK",
            "0-" },
        { "height-colours", AsBefore, "KKKKKK", "0-" },
        { "pick face=3 depth=1 angle=30", AsBefore, "KSKSKK", "--" },
        { "traverse depth=3 angle=80", AsBefore, "KKKSKK", "--" },
        { "mark", AsBefore, "KKSCKK", "1-" },
    };
    const auto segments = [](const Workbench& w) {
        return bytes(w.traversal.segmentCount)
            + eachMark(w.mesh, [](const FaceMarks& f) { return bytes(f.segment); });
    };
    for (const auto& [line, derived, then, shown] : cases) {
        SCOPED_TRACE(line);
        // Every tool's state set: patches, a marked segment, a highlight, a
        // filter run, a plane selected.
        ASSERT_TRUE(w.open(grid));
        for (const char* line :
            { "classify weight=0.5 mode=dijkstra", "pick face=40 depth=2 angle=60", "mark hue=100",
                "traverse depth=2 angle=60", "filter algorithm=meanshift radius=30" })
            runOk(w, line);
        w.selectPlane(PLANE_2);
        ASSERT_TRUE(
            w.classifier.numPatches > 1 && !w.highlight.empty() && w.traversal.segmentCount == 1);
        // Shown colours and shading the other way, so that setting them shows.
        if (shown[0] != '-')
            w.showFaceColours(shown[0] == '0');
        if (shown[1] != '-')
            w.normalShading = shown[1] == '0';
        const bool shownBefore = w.faceColours, shadingBefore = w.normalShading;
        const std::string segmentsBefore = segments(w), vertexNormals = bytes(w.mesh.vertexNormals);
        const std::vector<int> highlight = w.highlight;
        const std::uint64_t clipRevision = w.clipRevision();
        const Parts before = parts(w);

        const unsigned heard = expectAnnounced(w, line, [&] {
            if (std::string_view(line) == "open")
                EXPECT_TRUE(w.open(grid));
            else
                runOk(w, line);
        });
        const Parts after = parts(w);
        const auto kept
            = [&](const char* name) { return before.at(name).bytes == after.at(name).bytes; };

        if (derived == LoadBuilds || derived == ClassifierBuilds) {
            const std::unique_ptr<Mesh> rebuilt = w.mesh.duplicate();
            if (derived == LoadBuilds)
                buildLoadData(*rebuilt);
            else
                build(*rebuilt, { MESH_VERTEX_NORMALS, MESH_EDGE_LIST });
            EXPECT_TRUE(
                geometry(*rebuilt) + normals(*rebuilt) == geometry(w.mesh) + normals(w.mesh))
                << "derived data rebuilt";
        }
        EXPECT_TRUE(derived == LoadBuilds || kept("geometry")) << "geometry kept";
        EXPECT_TRUE(derived != AsBefore || kept("normals")) << "normals kept";
        EXPECT_TRUE(derived != FilterNormals || bytes(w.mesh.vertexNormals) == vertexNormals)
            << "only face normals filtered";
        EXPECT_TRUE(!std::string_view(line).starts_with("filter ") || !kept("normals"))
            << "a full run filters them";

        const ClassifierState& k = w.classifier;
        std::vector<int> flagged;
        for (int f = 0; f < w.mesh.numFaces; ++f)
            if (w.mesh.traversed(std::size_t(f)) == 1)
                flagged.push_back(f);
        EXPECT_EQ(w.highlight, flagged) << "the faces the latest traversal flagged";
        PlaneWidgetInCube fitted = w.clipCube;
        fitted.initCube(clipCubeEdge(w.mesh));
        const bool cleared[] = {
            k.seeds.empty() && k.patchOfFace.empty() && k.memberships.empty() && k.numPatches == 0
                && w.shownPatch == -1,
            w.mesh.selected == -1,
            w.traversal.segmentCount == 0
                && std::ranges::count(w.mesh.faceSegments, 0) == std::ssize(w.mesh.faceSegments),
            w.highlight.empty(),
            // No run and no sphere.
            w.meanShift.regions.empty() && w.meanShift.radius.x == 0.0f,
            after.at("clipping cube").bytes == cubeBytes(fitted)
                && w.clipRevision() != clipRevision,
        };
        const bool same[] = { kept("classifier"), kept("pick"), segments(w) == segmentsBefore,
            w.highlight == highlight, kept("filter"), kept("clipping cube") };
        const char* const columns[]
            = { "classifier result", "pick", "segments", "highlight", "filter run", "cube" };
        for (int i = 0; i < 6; ++i) {
            EXPECT_TRUE(then[i] == 'C' ? cleared[i]
                    : then[i] == 'K'   ? same[i]
                                       : !same[i] && !cleared[i])
                << columns[i] << " " << then[i];
        }
        EXPECT_EQ((heard & ChangeNewMesh) != 0, then[5] == 'C') << "the view fits a new mesh only";
        EXPECT_TRUE(w.meanShift.mesh == &w.mesh && w.classifier.mesh == &w.mesh
            && w.traversal.mesh == &w.mesh);
        EXPECT_EQ(w.faceColours, shown[0] == '-' ? shownBefore : shown[0] == '1');
        EXPECT_EQ(w.normalShading, shown[1] == '-' ? shadingBefore : shown[1] == '1');
    }
}

TEST_F(Rules, SettingsOutliveNewMeshesAndServeStepsThatLeaveThemOut)
{
    // Set before any mesh is there.
    w.setClassifierWeight(0.25);
    w.setSpMode(1);
    w.setFilterKernel(30.0f, SHPERE_JUMP);
    w.setFilterProfile({ { 0.0f, 10.0f }, { 1.0f, 40.0f }, { 2.0f, 90.0f } }, 100);
    w.setUseColourStops(true);
    const auto settings = [this] {
        const FilterSettings& f = w.filterSettings;
        return bytes(w.classifierSettings.weight, w.classifierSettings.spMode, f.slider,
            f.algorithm, f.profile, f.profileHeight, w.useColourStops, w.meanShift.profile,
            w.meanShift.weightMode);
    };
    const std::string set = settings();
    ASSERT_TRUE(w.open(grid));
    const std::string morphogens = bytes(w.mesh.morphogenValues, w.mesh.morphogenNames);
    for (const char* line :
        { "subdivide levels=1 weight=0", "reload", "terrain resolution=6 scale=64 height=32" }) {
        runOk(w, line);
        EXPECT_EQ(settings(), set) << line;
        // Reload gives back the mesh as read, morphogens included.
        EXPECT_TRUE(std::string_view(line) != "reload"
            || bytes(w.mesh.morphogenValues, w.mesh.morphogenNames) == morphogens);
    }
    ASSERT_TRUE(w.open(grid));
    EXPECT_EQ(settings(), set);

    // The filter weights by the profile set before the mesh came, as it
    // would with the profile named.
    runOk(w, "filter algorithm=spherejump radius=30");
    const Step& filtered = w.steps().back();
    EXPECT_EQ(*filtered.find("profile-height"), "100");
    Workbench named;
    ASSERT_TRUE(named.open(grid));
    ASSERT_EQ(run(named, filtered).outcome, Outcome::Done);
    EXPECT_EQ(normals(w.mesh), normals(named.mesh));

    // Classification and colouring by height, not naming the settings, run
    // with them and leave them as they were.
    runOk(w, "classify");
    EXPECT_EQ(w.steps().back().text(), "classify weight=0.25 mode=dijkstra");
    runOk(w, "height-colours stops=0:1,0,0;1:0,0,1");
    runOk(named, "height-colours use-stops=1 stops=0:1,0,0;1:0,0,1");
    EXPECT_EQ(w.mesh.vertexColours, named.mesh.vertexColours) << "coloured by the stops";
    EXPECT_EQ(settings(), set);

    // A step that names them sets them.
    runOk(w, "classify weight=0.75 mode=floyd");
    runOk(w, "height-colours use-stops=0");
    EXPECT_EQ(w.classifierSettings.weight, 0.75);
    EXPECT_EQ(w.classifierSettings.spMode, 0);
    EXPECT_FALSE(w.useColourStops);
}

TEST_F(Rules, UndoAndRedoRestoreEveryStateByteForByteAndTheStepsListedReplayToTheSame)
{
    ASSERT_TRUE(w.open(grid));
    w.traversal.randomHue = [] { return 4242; };
    const char* const lines[] = { "pick face=30 depth=2 angle=60", "mark",
        "classify weight=0.4 mode=dijkstra", "repartition patches=2",
        "filter algorithm=meanshift radius=30", "traverse depth=3 angle=45",
        "height-colours use-stops=1 stops=0:0,0,1;1:1,1,0",
        "morphogens mix=1 base=0,0,0 colours=255,0,0;0,255,0 toggles=1,0", "subdivide levels=1",
        "filter algorithm=median radius=2", "pick face=7 depth=3 angle=50", "mark hue=20000",
        "filter-step algorithm=spherejump radius=40", "simplify lod=50",
        "classify mode=dijkstra patches=2", "reload",
        "terrain heightmap=ramp.png resolution=8 scale=64 height=32",
        "filter algorithm=meanshift radius=25", "pick face=5 depth=2 angle=90", "mark" };
    const std::size_t n = std::size(lines);
    // Undo takes back neither the file, the history nor the settings.
    const unsigned notRestored = ChangeFile | ChangeHistory;
    std::vector<Parts> states { parts(w) };
    for (const char* text : lines) {
        expectAnnounced(w, text, [&] { runOk(w, text); });
        states.push_back(parts(w));
        EXPECT_NE(differing(states[states.size() - 2], states.back(), notRestored, false), "")
            << text << " changed nothing";
    }
    const std::vector<Step> done = w.steps();
    ASSERT_EQ(done.size(), n);
    // Each step holds every parameter it ran with.
    EXPECT_EQ(done[1].text(), "mark hue=4242");
    EXPECT_EQ(done[8].text(), "subdivide levels=1 weight=0");
    EXPECT_EQ(done[14].text(), "classify mode=dijkstra patches=2 weight=0.4");

    for (std::size_t i = n; i > 0; --i) {
        expectAnnounced(w, "undo " + std::string(lines[i - 1]), [&] { runOk(w, "undo"); });
        EXPECT_EQ(differing(parts(w), states[i - 1], notRestored, false), "")
            << "undo of " << lines[i - 1];
        EXPECT_EQ(w.steps().size(), i - 1);
    }
    EXPECT_EQ(run(w, step("undo")).outcome, Outcome::Refused);
    for (std::size_t i = 1; i <= n; ++i) {
        expectAnnounced(w, "redo " + std::string(lines[i - 1]), [&] { runOk(w, "redo"); });
        EXPECT_EQ(differing(parts(w), states[i], notRestored, false), "")
            << "redo of " << lines[i - 1];
    }
    EXPECT_EQ(w.steps(), done);
    EXPECT_EQ(run(w, step("redo")).outcome, Outcome::Refused);

    // A new step drops what could be redone; undone steps and saves are not
    // listed.
    runOk(w, "undo");
    runOk(w, "reload");
    EXPECT_TRUE(w.redoName().empty());
    runOk(w, "save " + dir.file("saved.ply"));
    runOk(w, "save-segments " + dir.file("segments"));
    ASSERT_EQ(w.steps().size(), n);
    EXPECT_EQ(w.steps().back().verb, "reload");

    // The script names the file the steps started from, not the one saved
    // since, and reads back as the steps; replayed (the hues from the script,
    // not from the generator) they make the same state.
    const std::string script = w.stepsScript();
    EXPECT_EQ(script.substr(0, script.find('\n')), "# " + grid);
    std::vector<ScriptLine> read;
    std::string problem;
    ASSERT_TRUE(parseScript(script, read, problem)) << problem;
    std::vector<Step> steps;
    for (const ScriptLine& line : read)
        steps.push_back(line.step);
    EXPECT_EQ(steps, w.steps());
    Workbench again;
    readRampMaps(again);
    ASSERT_TRUE(again.open(grid));
    again.traversal.randomHue = [] { return 77; };
    std::size_t last = 0;
    Workbench::StepEnd end;
    again.runSteps(steps, [&](const Workbench::StepEnd& e, std::size_t index) {
        end = e;
        last = index;
    });
    EXPECT_EQ(end.outcome, Outcome::Done) << end.message;
    EXPECT_EQ(last, n - 1);
    EXPECT_EQ(differing(parts(again), parts(w), notRestored, false), "");
    EXPECT_EQ(again.steps(), w.steps());

    // Opening a file drops it all.
    ASSERT_TRUE(w.open(grid));
    EXPECT_TRUE(w.undoName().empty());
    EXPECT_TRUE(w.steps().empty());
}

TEST_F(Rules, TheChangedMarkMeansTheMeshDiffersFromItsFile)
{
    // Each line: the step (or "save NAME", "open"), then whether the mesh then
    // differs from its file and the name the workbench calls it by.
    const std::tuple<std::string, bool, const char*> walk[] = {
        { "open", false, "grid.obj" },
        { "pick face=3 depth=1 angle=30", false, "grid.obj" },
        { "filter algorithm=median radius=2", true, "grid.obj" },
        { "undo", false, "grid.obj" },
        { "undo", false, "grid.obj" },
        { "redo", false, "grid.obj" },
        { "redo", true, "grid.obj" },
        { "save b.obj", false, "b.obj" },
        { "undo", true, "b.obj" },
        { "redo", false, "b.obj" },
        { "height-colours", true, "b.obj" },
        // Reload brings back the mesh as read, which is not b.obj's.
        { "reload", true, "b.obj" },
        { "undo", true, "b.obj" },
        { "undo", false, "b.obj" },
        { "subdivide levels=1 weight=0", true, "b.obj" },
        { "reload", true, "b.obj" },
        { "terrain heightmap=m.png resolution=9 scale=64 height=32", true, "terrain" },
        { "reload", true, "terrain" },
        { "save t.ply", false, "t.ply" },
        { "height-colours", true, "t.ply" },
        { "undo", false, "t.ply" },
        { "undo", false, "t.ply" },
        // Back before the terrain: b.obj again, and its saved state is clean.
        { "undo", true, "b.obj" },
        { "undo", true, "b.obj" },
        { "undo", false, "b.obj" },
        { "redo", true, "b.obj" },
        { "redo", true, "b.obj" },
        // The terrain again, which t.ply holds.
        { "redo", false, "t.ply" },
        { "redo", false, "t.ply" },
        { "open", false, "grid.obj" },
        { "classify weight=0.2 mode=floyd", true, "grid.obj" },
        { "reload", false, "grid.obj" },
    };
    for (std::size_t i = 0; i < std::size(walk); ++i) {
        const auto& [line, changed, name] = walk[i];
        if (line == "open")
            ASSERT_TRUE(w.open(grid));
        else if (line.starts_with("save "))
            runOk(w, "save " + dir.file(line.substr(5)));
        else
            runOk(w, line);
        EXPECT_EQ(w.isModified(), changed) << "after " << line << " (" << i << ")";
        EXPECT_EQ(w.documentName(), name) << "after " << line;
    }
}

TEST_F(Rules, AnOpenThroughTheRunnerKeepsTheMeshUntilItIsDoneAndSaysWhyItFailed)
{
    HoldingRunner runner;
    w.setRunner(&runner);
    ASSERT_TRUE(w.open(grid));
    runOk(w, "height-colours");
    const auto shown
        = [this] { return std::hash<std::string>()(geometry(w.mesh) + colours(w.mesh)); };
    const std::size_t before = shown();
    const std::string other = writeGrid(dir, "other.obj", 5);

    // The file, how the run ends, then how the open ends and what it says.
    const std::tuple<std::string, void (*)(HoldingRunner&), Outcome, const char*> cases[] = {
        { other, [](HoldingRunner& r) { r.cancel(); }, Outcome::Cancelled, "cancelled" },
        { dir.file("image.png"), [](HoldingRunner& r) { r.complete(); }, Outcome::Failed,
            "image.png: no reader for this kind of file" },
        { dir.file("missing.obj"), [](HoldingRunner& r) { r.complete(); }, Outcome::Failed,
            "missing.obj" },
        { other, [](HoldingRunner& r) { r.complete(); }, Outcome::Done, "" },
    };
    for (const auto& [file, ends, outcome, says] : cases) {
        Workbench::StepEnd end { Outcome::Refused, "no end", false };
        w.open(file, [&end](const Workbench::StepEnd& e) { end = e; });
        ASSERT_TRUE(runner.pending) << file;
        // Meanwhile the mesh is the old one and no step may change it.
        EXPECT_EQ(shown(), before);
        EXPECT_EQ(run(w, step("undo")).outcome, Outcome::Refused);
        ends(runner);
        EXPECT_EQ(end.outcome, outcome) << file << ": " << end.message;
        EXPECT_NE(end.message.find(says), std::string::npos) << end.message;
        if (outcome != Outcome::Done) {
            EXPECT_EQ(shown(), before) << file;
            EXPECT_EQ(w.fileName, grid);
            EXPECT_TRUE(w.isModified());
        }
    }
    EXPECT_EQ(w.fileName, other);
    EXPECT_FALSE(w.isModified());
    EXPECT_EQ(w.mesh.numVertices, 25);
}
