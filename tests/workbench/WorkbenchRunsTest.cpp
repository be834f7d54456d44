// Long steps through a runner that ends them later: while one runs every
// other step is refused and nothing changes; a run ended gives what it gives
// at once; a cancelled or abandoned run leaves everything as it was; a chain
// of steps goes on after each asynchronous end and stops at the first step
// that does not end done; the history keeps within its budget.
#include "WorkbenchTestUtil.h"

using namespace wbtest;

namespace {

class Runs : public testing::Test
{
protected:
    void SetUp() override
    {
        grid = writeGrid(dir, "grid.obj", 8);
        for (Workbench* wb : { &w, &atOnce }) {
            readRampMaps(*wb);
            ASSERT_TRUE(wb->open(grid));
        }
        w.setRunner(&runner);
    }

    // Runs lines at once on both workbenches.
    void prepare(std::initializer_list<const char*> lines)
    {
        w.setRunner(nullptr);
        for (const char* line : lines) {
            runOk(w, line);
            runOk(atOnce, line);
        }
        w.setRunner(&runner);
    }

    // Starts line on w, the runner holding it; end hears how it ends.
    void start(const char* line)
    {
        end = { Outcome::Failed, "not ended" };
        ASSERT_TRUE(w.run(step(line), [this](const Workbench::StepEnd& e) { end = e; }));
        ASSERT_TRUE(w.running());
    }

    TempDir dir;
    std::string grid;
    Workbench w;
    Workbench atOnce;
    HoldingRunner runner;
    Workbench::StepEnd end;
};

} // namespace

TEST_F(Runs, AHeldRunRefusesEveryOtherChangeAndEndsAsARunAtOnceOrChangesNothing)
{
    prepare({ "classify mode=dijkstra", "pick face=20 depth=2 angle=60", "mark hue=3",
        "filter algorithm=meanshift radius=30" });
    ASSERT_FALSE(w.classifier.table.empty());
    for (const char* line :
        { "classify weight=0.3 mode=dijkstra", "filter algorithm=median radius=2",
            "filter algorithm=spherejump radius=20", "filter-step algorithm=meanshift radius=20",
            "simplify lod=50", "subdivide levels=1 weight=0.0625",
            "terrain heightmap=m.png resolution=7 scale=64 height=32" }) {
        const bool classify = std::string_view(line).starts_with("classify");
        // Abandoned unworked, cancelled at its first report, then completed.
        for (const std::string_view how : { "abandoned", "cancelled", "completed" }) {
            SCOPED_TRACE(std::string(line) + ", " + std::string(how));
            const Parts before = parts(w);
            const std::size_t done = w.steps().size();
            unsigned heard = 0;
            const int id = w.addListener([&heard](unsigned c) { heard |= c; });
            start(line);
            EXPECT_EQ(end.message, "not ended");
            for (const char* other : { "classify", "pick face=3", "reload", "undo" }) {
                const Workbench::StepEnd refused = run(w, step(other));
                EXPECT_EQ(refused.outcome, Outcome::Refused) << other;
                EXPECT_FALSE(refused.message.empty()) << other;
            }
            std::string why;
            EXPECT_FALSE(w.open(grid, &why));
            EXPECT_FALSE(why.empty());
            EXPECT_FALSE(w.loadTable(dir.file("none.spt")));
            EXPECT_EQ(runner.refused, 0) << "refused by the workbench, not left to the runner";
            // Only the settings the step takes on as it starts.
            EXPECT_EQ(differing(before, parts(w), 0, false), "");
            EXPECT_EQ(w.steps().size(), done);

            if (how == "completed") {
                EXPECT_EQ(runner.complete(), RunOutcome::Done);
                EXPECT_EQ(end.outcome, Outcome::Done) << end.message;
                runOk(atOnce, line);
                EXPECT_EQ(differing(parts(w), parts(atOnce)), "");
                EXPECT_EQ(w.steps(), atOnce.steps());
            } else {
                if (how == "abandoned")
                    runner.drop();
                else
                    EXPECT_EQ(runner.cancel(), RunOutcome::Cancelled);
                EXPECT_EQ(end.outcome, Outcome::Cancelled) << end.message;
                EXPECT_EQ(differing(before, parts(w), 0, false), "");
                EXPECT_EQ(heard & ~unsigned(ChangeToolState), 0u) << "settings only";
                EXPECT_EQ(w.steps().size(), done);
                EXPECT_TRUE(w.meanShift.mesh == &w.mesh && w.classifier.mesh == &w.mesh);
                // A classification that never worked hands back the table
                // whole; one stopped half-way through building it has it
                // built again.
                EXPECT_TRUE(!classify
                    || (how == "abandoned" ? w.classifier.table.count == w.mesh.numFaces
                                           : w.classifier.tableWillBeBuilt()));
            }
            EXPECT_FALSE(w.running());
            w.removeListener(id);
        }
    }

    // A table only read (as after loading one) is kept by a cancelled run and
    // still read by the next; one being built anew is built again.
    ASSERT_TRUE(w.open(grid));
    start("classify mode=dijkstra");
    EXPECT_EQ(runner.complete(), RunOutcome::Done);
    runOk(w, "save-table " + dir.file("grid.spt"));
    ASSERT_TRUE(w.loadTable(dir.file("grid.spt")));
    ASSERT_FALSE(w.classifier.tableWillBeBuilt());
    for (const bool read : { true, false }) {
        w.classifier.rebuild = !read;
        start("classify mode=dijkstra");
        EXPECT_EQ(runner.cancel(), RunOutcome::Cancelled);
        EXPECT_EQ(w.classifier.tableWillBeBuilt(), !read);
    }
}

TEST_F(Runs, AChainOfStepsGoesOnAfterEachEndAndStopsAtTheFirstThatIsNotDone)
{
    const std::vector<Step> steps = { step("pick face=3 depth=1 angle=30"),
        step("subdivide levels=1 weight=0"), step("pick face=2 depth=2 angle=40"),
        step("mark hue=5"), step("filter algorithm=meanshift radius=30"), step("height-colours") };
    // Each end heard: the index of the step that ended and how.
    std::string ends;
    const auto heard = [&](const Workbench::StepEnd& e, std::size_t i) {
        ends += std::to_string(i) + ' ' + outcomeName(e.outcome) + "; ";
        end = e;
    };
    w.runSteps(steps, heard);
    EXPECT_EQ(runner.pending->name, "Subdivide");
    EXPECT_EQ(w.steps().size(), 1u);
    EXPECT_EQ(runner.complete(), RunOutcome::Done);
    EXPECT_EQ(runner.pending->name, "Mean Shift");
    EXPECT_EQ(w.steps().size(), 4u);
    EXPECT_EQ(ends, "");
    EXPECT_EQ(runner.complete(), RunOutcome::Done);
    EXPECT_EQ(ends, "5 done; ");
    atOnce.runSteps(steps, {});
    EXPECT_EQ(differing(parts(w), parts(atOnce)), "");

    // A refusal after an asynchronous end stops the chain there.
    ASSERT_TRUE(w.open(grid));
    ends.clear();
    w.runSteps(
        { step("pick face=3"), step("simplify lod=50"), step("pick face=99999"), step("mark") },
        heard);
    EXPECT_EQ(runner.complete(), RunOutcome::Done);
    EXPECT_EQ(ends, "2 refused; ");
    EXPECT_NE(end.message.find("99999"), std::string::npos) << end.message;
    EXPECT_EQ(w.steps().size(), 2u);
    EXPECT_FALSE(w.running());

    // A cancel stops it too; a refusal at once ends it before runSteps returns.
    ends.clear();
    w.runSteps({ step("subdivide levels=1"), step("pick face=1") }, heard);
    EXPECT_EQ(runner.cancel(), RunOutcome::Cancelled);
    w.runSteps({ step("pick face=1"), step("unknown-step") }, heard);
    EXPECT_EQ(ends, "0 cancelled; 1 refused; ");
    EXPECT_EQ(w.steps().size(), 3u);
    EXPECT_EQ(w.steps().back().verb, "pick");
}

TEST(History, ABudgetDropsTheOldestStepsAndSaysSo)
{
    const TempDir dir;
    const std::string grid = writeGrid(dir, "grid.obj", 8);
    const char* const lines[] = { "height-colours", "morphogens base=1,2,3",
        "height-colours use-stops=1 stops=0:1,1,1", "morphogens base=4,5,6", "height-colours" };

    // What one colouring step holds.
    Workbench probe;
    ASSERT_TRUE(probe.open(grid));
    runOk(probe, lines[0]);
    const std::uint64_t stepBytes = probe.history.bytesHeld();
    ASSERT_GT(stepBytes, 0u);

    Workbench w({ .historyBudget = stepBytes * 5 / 2 });
    std::vector<std::string> said;
    w.statusSink = [&said](const std::string& line) { said.push_back(line); };
    ASSERT_TRUE(w.open(grid));
    std::vector<Parts> states { parts(w) };
    for (const char* line : lines) {
        runOk(w, line);
        states.push_back(parts(w));
        EXPECT_LE(w.history.bytesHeld(), stepBytes * 5 / 2);
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
