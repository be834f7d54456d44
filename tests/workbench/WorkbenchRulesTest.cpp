// The rule table at work: after every kind of step the tool state is what the
// table in Workbench.cpp says, and the listeners hear of every part that
// changed; settings outlive new meshes; Undo and Redo over a long mixed run
// restore every state byte for byte; the steps listed replay to the same
// state.
#include "WorkbenchTestUtil.h"

#include "clipping/engine/PlaneWidgetInCube.h"
#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"

#include <functional>

using namespace wbtest;

namespace {

// The changes a listener must hear of, from what changed between two states.
unsigned changesBetween(const Parts& before, const Parts& after)
{
    unsigned changes = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i].bytes != after[i].bytes)
            changes |= before[i].change;
    }
    return changes;
}

// Runs act and expects every part it changed announced.
template <class Act> unsigned expectAnnounced(Workbench& w, const std::string& what, Act act)
{
    const Parts before = parts(w);
    Heard heard(w);
    act();
    const unsigned needed = changesBetween(before, parts(w));
    EXPECT_EQ(heard.changes & needed, needed)
        << what << ": heard " << std::hex << heard.changes << ", changed " << needed << " ("
        << differing(before, parts(w)) << ")";
    return heard.changes;
}

// The highlight is the list of faces the latest traversal flagged.
void expectHighlightMatchesFlags(const Workbench& w, const std::string& what)
{
    std::vector<int> flagged;
    for (int f = 0; f < w.mesh.numFaces; ++f) {
        if (w.mesh.faces[std::size_t(f)].traversed == 1)
            flagged.push_back(f);
    }
    EXPECT_EQ(w.highlight, flagged) << what;
}

// The segment count and each face's segment.
std::string segmentBytes(const Workbench& w)
{
    std::string out;
    put(out, w.traversal.segmentCount);
    for (const Face& f : w.mesh.faces)
        put(out, f.segment);
    return out;
}

std::string cubeBytes(const PlaneWidgetInCube& c)
{
    std::string out;
    putCube(out, c);
    return out;
}

class Rules : public testing::Test
{
protected:
    void SetUp() override
    {
        grid = writeGrid(dir, "grid.obj", 8, true);
        readRampMaps(w);
    }

    // A workbench with every tool's state set: patches, a marked segment, a
    // highlight, a filter run, a plane selected.
    void makeRich()
    {
        ASSERT_TRUE(w.open(grid));
        runOk(w, "classify weight=0.5 mode=dijkstra");
        runOk(w, "pick face=40 depth=2 angle=60");
        runOk(w, "mark hue=100");
        runOk(w, "traverse depth=2 angle=60");
        runOk(w, "filter algorithm=meanshift radius=30");
        w.selectPlane(PLANE_2);
        ASSERT_GT(w.classifier.numPatches, 1);
        ASSERT_FALSE(w.highlight.empty());
        ASSERT_EQ(w.traversal.segmentCount, 1);
        ASSERT_GT(w.meanShift.radius.x, 0.0f);
    }

    TempDir dir;
    std::string grid;
    Workbench w;
};

} // namespace

TEST_F(Rules, EachKindOfStepLeavesTheToolStateTheTableSays)
{
    enum Then { Cleared, Kept, Changed };
    // Derived data: what a load builds, the classifier's builds (normals and
    // edges from the positions), kept, or kept but for the face normals a
    // filter writes.
    enum Derived { LoadBuilds, ClassifierBuilds, AsBefore, FilterNormals };
    // Face colours shown, or flat shading by the face normals: off, on, or as
    // they were.
    enum Shown { Off, On, AsWas };
    struct Case
    {
        const char* what;
        std::function<bool(Workbench&)> act;
        Derived derived;
        Then classifier, pick, segments, highlight, filter;
        bool refit;
        Shown colours;
        Shown shading;
    };
    const auto line = [](const char* text) {
        return
            [text](Workbench& w) { return run(w, step(text)).outcome == Workbench::Outcome::Done; };
    };
    const std::string file = grid;
    const Case cases[] = {
        { "open", [&](Workbench& w) { return w.open(file); }, LoadBuilds, Cleared, Cleared, Cleared,
            Cleared, Cleared, true, Off, Off },
        { "terrain", line("terrain heightmap=m.png resolution=9 scale=64 height=32"), LoadBuilds,
            Cleared, Cleared, Cleared, Cleared, Cleared, true, Off, Off },
        { "subdivide", line("subdivide levels=1 weight=0"), LoadBuilds, Cleared, Cleared, Cleared,
            Cleared, Cleared, false, Off, Off },
        { "simplify", line("simplify lod=50"), LoadBuilds, Cleared, Cleared, Cleared, Cleared,
            Cleared, false, Off, Off },
        { "reload", line("reload"), LoadBuilds, Cleared, Cleared, Cleared, Cleared, Cleared, false,
            Off, Off },
        { "filter", line("filter algorithm=median radius=2"), FilterNormals, Kept, Kept, Kept, Kept,
            Changed, false, AsWas, On },
        { "filter-step", line("filter-step algorithm=spherejump radius=20"), FilterNormals, Kept,
            Kept, Kept, Kept, Changed, false, AsWas, On },
        { "classify", line("classify weight=0.2 mode=floyd"), ClassifierBuilds, Changed, Kept, Kept,
            Kept, Kept, false, On, Off },
        { "repartition", line("repartition patches=1"), AsBefore, Changed, Kept, Kept, Kept, Kept,
            false, On, AsWas },
        { "morphogens", line("morphogens base=10,20,30 colours=200,0,0;0,0,200 toggles=1,1"),
            AsBefore, Kept, Kept, Kept, Kept, Kept, false, Off, AsWas },
        { "height-colours", line("height-colours"), AsBefore, Kept, Kept, Kept, Kept, Kept, false,
            Off, AsWas },
        { "pick", line("pick face=3 depth=1 angle=30"), AsBefore, Kept, Changed, Kept, Changed,
            Kept, false, AsWas, AsWas },
        { "traverse", line("traverse depth=3 angle=80"), AsBefore, Kept, Kept, Kept, Changed, Kept,
            false, AsWas, AsWas },
        { "mark", line("mark"), AsBefore, Kept, Kept, Changed, Cleared, Kept, false, On, AsWas },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        makeRich();
        // Shown colours and shading the other way, so that setting them shows.
        if (c.colours != AsWas)
            w.showFaceColours(c.colours == Off);
        if (c.shading != AsWas)
            w.normalShading = c.shading == Off;
        const bool shownBefore = w.faceColours;
        const bool shadingBefore = w.normalShading;
        const std::string classifier = part(w, "classifier");
        const int pick = w.mesh.selected;
        const std::string segments = segmentBytes(w);
        const std::vector<int> highlight = w.highlight;
        const std::string filter = part(w, "filter");
        const std::string cube = part(w, "clipping cube");
        const std::uint64_t clipRevision = w.clipRevision();
        std::string geometry, normals;
        putGeometry(geometry, w.mesh);
        putNormals(normals, w.mesh);
        const std::string vertexNormals = bytes(w.mesh.vertexNormals);

        bool done = false;
        const unsigned heard = expectAnnounced(w, c.what, [&] { done = c.act(w); });
        ASSERT_TRUE(done);
        EXPECT_EQ((heard & ChangeNewMesh) != 0, c.refit) << "the view fits a new mesh only";

        const auto expect = [](Then then, bool cleared, bool same, const char* what) {
            switch (then) {
            case Cleared:
                EXPECT_TRUE(cleared) << what << " cleared";
                break;
            case Kept:
                EXPECT_TRUE(same) << what << " kept";
                break;
            case Changed:
                EXPECT_FALSE(same || cleared) << what << " the step's";
                break;
            }
        };
        std::string geometryNow, normalsNow, built;
        putGeometry(geometryNow, w.mesh);
        putNormals(normalsNow, w.mesh);
        const std::unique_ptr<Mesh> rebuilt = w.mesh.duplicate();
        switch (c.derived) {
        case LoadBuilds:
            buildLoadData(*rebuilt);
            putGeometry(built, *rebuilt);
            putNormals(built, *rebuilt);
            EXPECT_TRUE(geometryNow + normalsNow == built) << "what a load builds";
            break;
        case ClassifierBuilds:
            build(*rebuilt, { MESH_VERTEX_NORMALS, MESH_EDGE_LIST });
            putNormals(built, *rebuilt);
            EXPECT_TRUE(normalsNow == built) << "normals from the positions";
            EXPECT_TRUE(geometryNow == geometry);
            break;
        case AsBefore:
            EXPECT_TRUE(geometryNow == geometry && normalsNow == normals) << "derived data kept";
            break;
        case FilterNormals:
            EXPECT_TRUE(geometryNow == geometry);
            EXPECT_TRUE(bytes(w.mesh.vertexNormals) == vertexNormals) << "only face normals";
            break;
        }

        const ClassifierState& k = w.classifier;
        expect(c.classifier,
            k.seeds.empty() && k.patchOfFace.empty() && k.memberships.empty() && k.numPatches == 0
                && w.shownPatch == -1,
            part(w, "classifier") == classifier, "classifier result");
        expect(c.pick, w.mesh.selected == -1, w.mesh.selected == pick, "pick");
        bool noSegments = w.traversal.segmentCount == 0;
        for (const Face& f : w.mesh.faces)
            noSegments = noSegments && f.segment == 0;
        expect(c.segments, noSegments, segmentBytes(w) == segments, "segments");
        expect(c.highlight, w.highlight.empty(), w.highlight == highlight, "highlight");
        expectHighlightMatchesFlags(w, c.what);
        // A cleared filter has no run and no sphere.
        expect(c.filter, w.meanShift.regions.empty() && w.meanShift.radius.x == 0.0f,
            part(w, "filter") == filter, "filter run");
        EXPECT_EQ(w.meanShift.mesh, &w.mesh);
        EXPECT_EQ(w.classifier.mesh, &w.mesh);
        EXPECT_EQ(w.traversal.mesh, &w.mesh);

        if (c.refit) {
            PlaneWidgetInCube fresh = w.clipCube;
            fresh.initCube(clipCubeEdge(w.mesh));
            EXPECT_EQ(cubeBytes(w.clipCube), cubeBytes(fresh)) << "cube refitted";
            EXPECT_NE(w.clipRevision(), clipRevision);
        } else {
            EXPECT_EQ(part(w, "clipping cube"), cube) << "cube kept";
        }
        EXPECT_EQ(w.faceColours, c.colours == AsWas ? shownBefore : c.colours == On);
        EXPECT_EQ(w.normalShading, c.shading == AsWas ? shadingBefore : c.shading == On);
    }
}

TEST_F(Rules, SettingsOutliveNewMeshesAndServeStepsThatLeaveThemOut)
{
    const std::vector<Vector> profile = { { 0.0f, 10.0f }, { 1.0f, 40.0f }, { 2.0f, 90.0f } };
    // Set before any mesh is there.
    w.setClassifierWeight(0.25);
    w.setSpMode(1);
    w.setFilterKernel(30.0f, SHPERE_JUMP);
    w.setFilterProfile(profile, 100);
    w.setUseColourStops(true);
    const auto settings = [this] {
        const FilterSettings& f = w.filterSettings;
        std::string out = bytes(w.classifierSettings.weight) + bytes(w.classifierSettings.spMode)
            + bytes(f.slider) + bytes(f.algorithm) + bytes(f.profile) + bytes(f.profileHeight)
            + bytes(w.useColourStops) + bytes(w.meanShift.profile);
        return out + bytes(w.meanShift.weightMode);
    };
    const std::string set = settings();

    ASSERT_TRUE(w.open(grid));
    EXPECT_EQ(settings(), set) << "open";
    runOk(w, "subdivide levels=1 weight=0");
    runOk(w, "reload");
    EXPECT_EQ(settings(), set) << "reload";
    runOk(w, "terrain resolution=6 scale=64 height=32");
    EXPECT_EQ(settings(), set) << "terrain";
    ASSERT_TRUE(w.open(grid));

    // The filter weights by the profile set before the mesh came, as it
    // would with the profile named.
    runOk(w, "filter algorithm=spherejump radius=30");
    const Step& filtered = w.steps().back();
    ASSERT_NE(filtered.find("profile"), nullptr);
    EXPECT_EQ(*filtered.find("profile-height"), "100");
    Workbench named;
    ASSERT_TRUE(named.open(grid));
    ASSERT_EQ(run(named, filtered).outcome, Workbench::Outcome::Done);
    std::string got, want;
    putNormals(got, w.mesh);
    putNormals(want, named.mesh);
    EXPECT_EQ(got, want);

    // Classification and colouring by height, not naming the settings, run
    // with them and leave them as they were.
    runOk(w, "classify");
    EXPECT_EQ(*w.steps().back().find("weight"), "0.25");
    EXPECT_EQ(*w.steps().back().find("mode"), "dijkstra");
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

TEST_F(Rules, UndoingALongMixedRunAndRedoingItRestoresEveryStateByteForByte)
{
    ASSERT_TRUE(w.open(grid));
    w.traversal.randomHue = [] { return 4242; };
    const char* const lines[] = {
        "pick face=30 depth=2 angle=60",
        "mark",
        "classify weight=0.4 mode=dijkstra",
        "repartition patches=2",
        "filter algorithm=meanshift radius=30",
        "traverse depth=3 angle=45",
        "height-colours use-stops=1 stops=0:0,0,1;1:1,1,0",
        "morphogens mix=1 base=0,0,0 colours=255,0,0;0,255,0 toggles=1,0",
        "subdivide levels=1 weight=0.0625",
        "filter algorithm=median radius=2",
        "pick face=7 depth=3 angle=50",
        "mark hue=20000",
        "filter-step algorithm=spherejump radius=40",
        "simplify lod=50",
        "classify mode=dijkstra patches=2",
        "reload",
        "terrain heightmap=ramp.png resolution=8 scale=64 height=32",
        "filter algorithm=meanshift radius=25",
        "pick face=5 depth=2 angle=90",
        "mark",
    };
    // Every part but the file, the history and the settings, which Undo does
    // not take back.
    const unsigned notRestored = ChangeFile | ChangeHistory;
    std::vector<Parts> states { parts(w) };
    std::vector<std::string> names;
    for (const char* text : lines) {
        expectAnnounced(w, text, [&] { runOk(w, text); });
        expectHighlightMatchesFlags(w, text);
        names.push_back(w.undoName());
        states.push_back(parts(w));
        EXPECT_NE(differing(states.back(), states[states.size() - 2], notRestored, false), "")
            << text << " changed nothing";
    }
    ASSERT_EQ(w.steps().size(), std::size(lines));
    ASSERT_EQ(w.history.undoCount(), std::size(lines));

    for (std::size_t i = std::size(lines); i > 0; --i) {
        EXPECT_EQ(w.undoName(), names[i - 1]);
        expectAnnounced(w, "undo " + std::string(lines[i - 1]), [&] { runOk(w, "undo"); });
        EXPECT_EQ(differing(parts(w), states[i - 1], notRestored, false), "")
            << "undo of " << lines[i - 1];
        EXPECT_EQ(w.steps().size(), i - 1);
        expectHighlightMatchesFlags(w, lines[i - 1]);
    }
    EXPECT_EQ(run(w, step("undo")).outcome, Workbench::Outcome::Refused);
    for (std::size_t i = 1; i <= std::size(lines); ++i) {
        expectAnnounced(w, "redo " + std::string(lines[i - 1]), [&] { runOk(w, "redo"); });
        EXPECT_EQ(differing(parts(w), states[i], notRestored, false), "")
            << "redo of " << lines[i - 1];
        ASSERT_EQ(w.steps().size(), i);
        EXPECT_EQ(w.steps().back(), w.steps()[i - 1]);
    }
    EXPECT_EQ(run(w, step("redo")).outcome, Workbench::Outcome::Refused);

    // A new step drops what could be redone; opening a file drops it all.
    runOk(w, "undo");
    runOk(w, "reload");
    EXPECT_TRUE(w.redoName().empty());
    EXPECT_EQ(w.steps().back().verb, "reload");
    ASSERT_TRUE(w.open(grid));
    EXPECT_TRUE(w.undoName().empty());
    EXPECT_TRUE(w.steps().empty());
}

TEST_F(Rules, TheStepsListedAreTheStepsDoneAndReplayToTheSameState)
{
    ASSERT_TRUE(w.open(grid));
    runOk(w, "subdivide levels=1");
    runOk(w, "pick face=50 depth=2 angle=70");
    runOk(w, "mark");
    runOk(w, "filter algorithm=median radius=1");
    runOk(w, "undo");
    runOk(w, "classify patches=3");
    runOk(w, "filter algorithm=meanshift radius=25");
    runOk(w, "height-colours");
    runOk(w, "traverse depth=2 angle=60");
    runOk(w, "save " + dir.file("saved.ply"));
    runOk(w, "save-segments " + dir.file("segments"));
    runOk(w, "undo");

    // Undone steps and the saves are left out; each step holds what it ran
    // with, the mark its hue, the classification its weight and mode.
    const std::vector<Step>& done = w.steps();
    ASSERT_EQ(done.size(), 6u);
    const char* const verbs[]
        = { "subdivide", "pick", "mark", "classify", "filter", "height-colours" };
    for (std::size_t i = 0; i < done.size(); ++i)
        EXPECT_EQ(done[i].verb, verbs[i]);
    EXPECT_EQ(*done[0].find("weight"), "0");
    EXPECT_NE(done[2].find("hue"), nullptr);
    EXPECT_EQ(*done[3].find("weight"), "0.5");
    EXPECT_EQ(*done[3].find("mode"), "floyd");
    EXPECT_EQ(*done[3].find("patches"), "3");

    const std::string script = w.stepsScript();
    EXPECT_EQ(script.substr(0, script.find('\n')), "# " + grid);
    std::vector<ScriptLine> lines;
    std::string problem;
    ASSERT_TRUE(parseScript(script, lines, problem)) << problem;
    ASSERT_EQ(lines.size(), done.size());
    std::vector<Step> steps;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].step, done[i]);
        steps.push_back(lines[i].step);
    }

    Workbench again;
    ASSERT_TRUE(again.open(grid));
    // The replay's hues come from the script, not from the generator.
    again.traversal.randomHue = [] { return 77; };
    std::size_t last = 99;
    Workbench::StepEnd end;
    again.runSteps(steps, [&](const Workbench::StepEnd& e, std::size_t index) {
        end = e;
        last = index;
    });
    EXPECT_EQ(end.outcome, Workbench::Outcome::Done) << end.message;
    EXPECT_EQ(last, steps.size() - 1);
    // Settings the undone steps left are not part of the mesh's making.
    EXPECT_EQ(differing(parts(again), parts(w), ChangeFile | ChangeHistory, false), "");
    EXPECT_EQ(again.steps(), w.steps());
}

TEST_F(Rules, ReloadGivesBackTheMeshAsReadMorphogensIncluded)
{
    const char* const colour = "morphogens base=0,0,0 colours=255,0,0;0,0,255 toggles=1,1";
    Workbench read;
    ASSERT_TRUE(read.open(grid));
    runOk(read, colour);
    for (const char* change :
        { "subdivide levels=1 weight=0", "simplify lod=50", "height-colours" }) {
        SCOPED_TRACE(change);
        ASSERT_TRUE(w.open(grid));
        runOk(w, change);
        runOk(w, "reload");
        runOk(w, colour);
        EXPECT_EQ(w.mesh.morphogenValues, read.mesh.morphogenValues);
        EXPECT_EQ(w.mesh.morphogenNames, read.mesh.morphogenNames);
        EXPECT_EQ(w.mesh.vertexColours, read.mesh.vertexColours);
    }
}
