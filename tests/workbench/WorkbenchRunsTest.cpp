// Long steps through a runner that ends them later: while one runs every
// other step is refused and nothing changes; a run ended gives what it gives
// at once; a cancelled or abandoned run leaves everything as it was; a chain
// of steps goes on after each asynchronous end and stops at the first step
// that does not end done; the history keeps within its budget.
#include "WorkbenchTestUtil.h"

using namespace wbtest;

namespace {

using Outcome = Workbench::Outcome;

// Everything but the settings a long step takes on as it starts.
std::string changedBesidesSettings(const Parts& before, const Parts& after)
{
    return differing(before, after, 0, false);
}

class Runs : public testing::Test
{
protected:
    void SetUp() override
    {
        grid = writeGrid(dir, "grid.obj", 8, true);
        for (Workbench* wb : { &w, &atOnce }) {
            readRampMaps(*wb);
            ASSERT_TRUE(wb->open(grid));
        }
        w.setRunner(&runner);
    }

    // Runs lines on both workbenches, at once on the one without the runner.
    void prepare(std::initializer_list<const char*> lines)
    {
        w.setRunner(nullptr);
        for (const char* line : lines) {
            runOk(w, line);
            runOk(atOnce, line);
        }
        w.setRunner(&runner);
    }

    TempDir dir;
    std::string grid;
    Workbench w;
    Workbench atOnce;
    HoldingRunner runner;
};

} // namespace

TEST_F(Runs, WhileAStepRunsEveryOtherChangeIsRefusedAndItsEndGivesWhatARunAtOnceGives)
{
    prepare({ "classify mode=dijkstra", "pick face=20 depth=2 angle=60" });
    const char* const longSteps[] = {
        "subdivide levels=1 weight=0.0625",
        "simplify lod=50",
        "filter algorithm=median radius=2",
        "classify weight=0.3 mode=dijkstra",
        "terrain heightmap=m.png resolution=7 scale=64 height=32",
    };
    const char* const others[] = { "simplify lod=40", "filter algorithm=meanshift radius=20",
        "classify", "terrain resolution=4 scale=64 height=32", "repartition patches=1",
        "pick face=3", "traverse depth=1 angle=20", "mark", "morphogens", "height-colours",
        "reload", "undo", "redo" };
    for (const char* line : longSteps) {
        SCOPED_TRACE(line);
        const Parts before = parts(w);
        const std::size_t done = w.steps().size();
        Workbench::StepEnd end { Outcome::Failed, "not ended" };
        EXPECT_TRUE(w.run(step(line), [&end](const Workbench::StepEnd& e) { end = e; }));
        ASSERT_TRUE(w.running());
        EXPECT_EQ(end.message, "not ended");

        for (const char* other : others) {
            const Workbench::StepEnd refused = run(w, step(other));
            EXPECT_EQ(refused.outcome, Outcome::Refused) << other;
            EXPECT_FALSE(refused.message.empty()) << other;
        }
        std::string why;
        EXPECT_FALSE(w.open(grid, &why));
        EXPECT_FALSE(why.empty());
        EXPECT_FALSE(w.loadTable(dir.file("none.spt")));
        EXPECT_EQ(runner.refused, 0) << "refused by the workbench, not left to the runner";
        EXPECT_EQ(changedBesidesSettings(before, parts(w)), "");
        EXPECT_EQ(w.steps().size(), done);

        EXPECT_EQ(runner.complete(), RunOutcome::Done);
        EXPECT_EQ(end.outcome, Outcome::Done) << end.message;
        EXPECT_FALSE(w.running());
        runOk(atOnce, line);
        EXPECT_EQ(differing(parts(w), parts(atOnce)), "");
        EXPECT_EQ(w.steps(), atOnce.steps());
    }
}

TEST_F(Runs, ACancelledOrAbandonedRunChangesNothingAndHandsTheTableBack)
{
    prepare({ "classify mode=dijkstra", "pick face=20 depth=2 angle=60", "mark hue=3",
        "filter algorithm=meanshift radius=30" });
    ASSERT_FALSE(w.classifier.table.empty());
    const char* const longSteps[] = {
        "subdivide levels=2 weight=0",
        "simplify lod=30",
        "filter algorithm=spherejump radius=20",
        "filter algorithm=median radius=3",
        "filter-step algorithm=meanshift radius=20",
        "classify weight=0.5 mode=dijkstra",
        "terrain heightmap=m.png resolution=20 scale=64 height=32",
    };
    // Abandoned first: a run that never worked hands back the table whole.
    for (const bool abandon : { true, false }) {
        for (const char* line : longSteps) {
            SCOPED_TRACE(std::string(line) + (abandon ? ", abandoned" : ", cancelled"));
            const Parts before = parts(w);
            const std::size_t done = w.steps().size();
            Heard heard(w);
            Workbench::StepEnd end { Outcome::Failed, "not ended" };
            ASSERT_TRUE(w.run(step(line), [&end](const Workbench::StepEnd& e) { end = e; }));
            if (abandon)
                runner.drop();
            else
                EXPECT_EQ(runner.cancel(), RunOutcome::Cancelled);
            EXPECT_EQ(end.outcome, Outcome::Cancelled) << end.message;
            EXPECT_FALSE(w.running());
            EXPECT_EQ(changedBesidesSettings(before, parts(w)), "");
            EXPECT_EQ(heard.changes & ~unsigned(ChangeToolState), 0u)
                << "only the settings the step took on";
            EXPECT_EQ(w.steps().size(), done);
            EXPECT_EQ(w.undoName(), "Mean Shift");
            EXPECT_EQ(w.meanShift.mesh, &w.mesh);
            EXPECT_EQ(w.classifier.mesh, &w.mesh);
        }
        if (abandon) {
            EXPECT_EQ(w.classifier.table.count, w.mesh.numFaces);
        } else {
            // Stopped half-way through building it: built again next time.
            EXPECT_TRUE(w.classifier.tableWillBeBuilt());
        }
    }

    // A table only read (as after loading one) is kept by a cancelled run and
    // still read by the next; one being built anew is built again.
    ASSERT_TRUE(w.run(step("classify mode=dijkstra")));
    EXPECT_EQ(runner.complete(), RunOutcome::Done);
    runOk(w, "save-table " + dir.file("grid.spt"));
    ASSERT_TRUE(w.loadTable(dir.file("grid.spt")));
    ASSERT_FALSE(w.classifier.tableWillBeBuilt());
    ASSERT_TRUE(w.run(step("classify mode=dijkstra")));
    EXPECT_EQ(runner.cancel(), RunOutcome::Cancelled);
    EXPECT_FALSE(w.classifier.tableWillBeBuilt());
    w.classifier.rebuild = 1;
    ASSERT_TRUE(w.run(step("classify mode=dijkstra")));
    EXPECT_EQ(runner.cancel(), RunOutcome::Cancelled);
    EXPECT_TRUE(w.classifier.tableWillBeBuilt());

    // And the next run goes to its end as a run at once does.
    ASSERT_TRUE(w.run(step("classify mode=dijkstra")));
    EXPECT_EQ(runner.complete(), RunOutcome::Done);
    runOk(atOnce, "classify mode=dijkstra");
    EXPECT_EQ(differing(parts(w), parts(atOnce), ChangeHistory, false), "");
}

TEST_F(Runs, AChainOfStepsGoesOnAfterEachEndAndStopsAtTheFirstThatIsNotDone)
{
    const std::vector<Step> steps = { step("pick face=3 depth=1 angle=30"),
        step("subdivide levels=1 weight=0"), step("pick face=2 depth=2 angle=40"),
        step("mark hue=5"), step("filter algorithm=meanshift radius=30"), step("height-colours") };
    int ends = 0;
    Workbench::StepEnd last;
    std::size_t index = 99;
    const auto heard = [&](const Workbench::StepEnd& e, std::size_t i) {
        ++ends;
        last = e;
        index = i;
    };
    w.runSteps(steps, heard);
    EXPECT_EQ(runner.name(), "Subdivide");
    EXPECT_EQ(w.steps().size(), 1u);
    EXPECT_EQ(runner.complete(), RunOutcome::Done);
    EXPECT_EQ(runner.name(), "Mean Shift");
    EXPECT_EQ(w.steps().size(), 4u);
    EXPECT_EQ(ends, 0);
    EXPECT_EQ(runner.complete(), RunOutcome::Done);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(last.outcome, Outcome::Done);
    EXPECT_EQ(index, steps.size() - 1);
    atOnce.runSteps(steps, {});
    EXPECT_EQ(differing(parts(w), parts(atOnce)), "");

    // A refusal after an asynchronous end stops the chain there.
    ends = 0;
    ASSERT_TRUE(w.open(grid));
    w.runSteps(
        { step("pick face=3"), step("simplify lod=50"), step("pick face=99999"), step("mark") },
        heard);
    EXPECT_EQ(runner.complete(), RunOutcome::Done);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(last.outcome, Outcome::Refused);
    EXPECT_NE(last.message.find("99999"), std::string::npos) << last.message;
    EXPECT_EQ(index, 2u);
    EXPECT_EQ(w.steps().size(), 2u);
    EXPECT_FALSE(w.running());

    // A cancel stops it too; a refusal at once ends it before runSteps returns.
    ends = 0;
    w.runSteps({ step("subdivide levels=1"), step("pick face=1") }, heard);
    EXPECT_EQ(runner.cancel(), RunOutcome::Cancelled);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(last.outcome, Outcome::Cancelled);
    EXPECT_EQ(index, 0u);
    w.runSteps({ step("pick face=1"), step("unknown-step") }, heard);
    EXPECT_EQ(ends, 2);
    EXPECT_EQ(index, 1u);
    EXPECT_EQ(last.outcome, Outcome::Refused);
    EXPECT_EQ(w.steps().size(), 3u);
    EXPECT_EQ(w.steps().back().verb, "pick");
}

TEST(History, ABudgetDropsTheOldestStepsAndSaysSo)
{
    const TempDir dir;
    const std::string grid = writeGrid(dir, "grid.obj", 8, true);
    const char* const lines[] = { "height-colours", "morphogens base=1,2,3",
        "height-colours use-stops=1 stops=0:1,1,1", "morphogens base=4,5,6", "height-colours" };

    // What one colouring step holds.
    Workbench probe;
    ASSERT_TRUE(probe.open(grid));
    runOk(probe, lines[0]);
    const std::uint64_t stepBytes = probe.history.bytesHeld();
    ASSERT_GT(stepBytes, 0u);

    Workbench::Options options;
    options.historyBudget = stepBytes * 5 / 2;
    Workbench w(options);
    std::vector<std::string> said;
    w.statusSink = [&said](const std::string& line) { said.push_back(line); };
    ASSERT_TRUE(w.open(grid));
    std::vector<Parts> states { parts(w) };
    for (const char* line : lines) {
        runOk(w, line);
        states.push_back(parts(w));
        EXPECT_LE(w.history.bytesHeld(), options.historyBudget);
    }
    EXPECT_EQ(w.history.undoCount(), 2u);
    ASSERT_EQ(said.size(), 3u);
    EXPECT_EQ(said[0], "Undo history full: the 1 oldest step was dropped");

    // Listeners hear of an undo once the history has moved: the Edit menu
    // names what Undo and Redo take now.
    std::string names;
    w.addListener([&](unsigned changes) {
        if (changes & ChangeHistory)
            names = w.undoName() + "|" + w.redoName();
    });
    runOk(w, "undo");
    EXPECT_EQ(names, "Morphogen Colours|Height Colours");
    runOk(w, "undo");
    EXPECT_EQ(differing(parts(w), states[3], ChangeFile | ChangeHistory, false), "");
    EXPECT_EQ(run(w, step("undo")).outcome, Outcome::Refused);
    // The dropped steps still made the mesh.
    EXPECT_EQ(w.steps().size(), 3u);
}
