// Tool runs on the view: a run through a runner gives what the engine gives in
// place, a cancelled run leaves everything as it was, a running tool keeps the
// mesh to itself, and Undo / Redo bring back every state byte for byte.
#include "filtering/engine/MeanShiftFilter.h"
#include "filtering/ui/MeanShiftView.h"
#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/WriteMeshFile.h"
#include "refinement/engine/Simplify.h"
#include "refinement/engine/Subdivider.h"
#include "segmentation/ui/ClassifierView.h"
#include "terrain/engine/HeightMap.h"
#include "terrain/engine/TerrainBuilder.h"
#include "viewer/ui/QtGLWidget.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <fstream>

namespace {

// A wavy 12 x 12 grid: enough faces for every tool, few enough for the
// classifier's table under the sanitizers.
QString writeGrid(const QString& folder)
{
    const QString name = folder + QStringLiteral("/grid.obj");
    std::ofstream out(name.toStdString());
    const int n = 12;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            out << "v " << x << ' ' << y << ' ' << std::sin(x * 0.7) * std::cos(y * 0.5) << '\n';
    for (int y = 0; y + 1 < n; ++y)
        for (int x = 0; x + 1 < n; ++x) {
            const int a = y * n + x + 1, b = a + 1, c = a + n, d = c + 1;
            out << "f " << a << ' ' << b << ' ' << d << "\nf " << a << ' ' << d << ' ' << c << '\n';
        }
    return name;
}

// x, y, z and w; a vector's cached length is no part of its value.
void append(QByteArray& out, const Vector& v)
{
    const float xyzw[4] = { v.x, v.y, v.z, v.w };
    out.append(reinterpret_cast<const char*>(xyzw), sizeof xyzw);
}

template <class T> void appendRaw(QByteArray& out, const T& value)
{
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// Everything a user could see or save of the mesh: the saved OBJ with its
// colours, and the faces' and vertices' own records.
QByteArray state(QtGLWidget& view, const QString& folder)
{
    const Mesh& m = view.mesh;
    const std::string name = (folder + QStringLiteral("/state.obj")).toStdString();
    QByteArray out;
    if (writeMeshFile(m, name, true)) {
        std::ifstream in(name, std::ios::binary);
        out.append(QByteArray::fromStdString(
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())));
    }
    for (const Vector& n : m.vertexNormals)
        append(out, n);
    for (const Face& f : m.faces) {
        append(out, f.normal);
        append(out, f.colour);
        appendRaw(out, f.index);
        appendRaw(out, f.traversed);
        appendRaw(out, f.segment);
    }
    append(out, m.centre);
    for (const int value : { m.selected, m.numVertices, m.numFaces, int(m.vertexColoursSet),
             view.traversal.traversal.segmentCount, int(view.faceColoursShown()) })
        appendRaw(out, value);
    appendRaw(out, m.extent);
    return out + QByteArray::fromStdString(m.morphogenNames.empty() ? "" : m.morphogenNames[0]);
}

// Runs at once, asking the work to stop at its stopAt-th report as a Cancel
// press would.
class CancellingRunner : public ToolRunner
{
public:
    RunOutcome outcome = RunOutcome::Done;
    int stopAt = 2;
    bool start(ToolRun run) override
    {
        struct StopAt : Progress
        {
            int left;
            explicit StopAt(int n)
                : left(n)
            { }
            void show(std::string_view, double) override
            {
                if (--left <= 0)
                    requestStop();
            }
        } progress(stopAt);
        outcome = runToolHere(run, progress);
        return true;
    }
};

// Keeps a run going until the test ends it.
class HoldingRunner : public ToolRunner
{
public:
    std::optional<ToolRun> pending;
    int refused = 0;
    bool start(ToolRun run) override
    {
        if (pending) {
            ++refused;
            return false;
        }
        pending = std::move(run);
        return true;
    }
    bool busy() const override { return pending.has_value(); }
    void end()
    {
        ToolRun run = std::move(*pending);
        pending.reset();
        Progress progress;
        QCOMPARE(runToolHere(run, progress), RunOutcome::Done);
    }
};

} // namespace

class ToolRunsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(folder.isValid());
        grid = writeGrid(folder.path());
    }
    void init()
    {
        view = std::make_unique<QtGLWidget>();
        QVERIFY(view->loadMesh(grid));
    }
    void cleanup() { view.reset(); }

    void runsGiveWhatTheEngineGivesInPlace();
    void cancelledRunsLeaveEverythingAsItWas();
    void aRunningToolKeepsTheMeshToItself();
    void undoAndRedoRestoreEveryStateByteForByte();

private:
    QByteArray now() { return state(*view, folder.path()); }
    // The loaded grid, as the view holds it, to run engines on in place.
    std::unique_ptr<Mesh> loaded() const { return view->mesh.duplicate(); }

    QTemporaryDir folder;
    QString grid;
    std::unique_ptr<QtGLWidget> view;
};

void ToolRunsTest::runsGiveWhatTheEngineGivesInPlace()
{
    const Vector kernel(20.0f, 20.0f, 20.0f, 20.0f);
    struct Case
    {
        const char* name;
        std::function<void(QtGLWidget&)> slot;
        std::function<void(QtGLWidget&, Mesh&)> inPlace;
    };
    const Case cases[] = {
        { "subdivide", [](QtGLWidget& v) { v.subdivide_slot(2, 0.01f); },
            [](QtGLWidget&, Mesh& m) {
                Subdivider s;
                QVERIFY(subdivideMesh(m, s, 2, 0.01f));
                paintDefaultColours(m);
            } },
        { "simplify", [](QtGLWidget& v) { v.simplify_slot(40.0f); },
            [](QtGLWidget&, Mesh& m) {
                QVERIFY(simplifyMesh(m, 40.0f));
                paintDefaultColours(m);
            } },
        { "mean shift", [&](QtGLWidget& v) { v.mshift_slot(kernel, MEAN_SHIFT); },
            [&](QtGLWidget& v, Mesh& m) {
                MeanShiftFilter f(v.meanShift);
                f.mesh = &m;
                QVERIFY(applyFilter(f, m, kernel, MEAN_SHIFT, nullptr));
            } },
        { "classification", [](QtGLWidget& v) { v.meshclassify_slot(); },
            [](QtGLWidget&, Mesh& m) {
                ClassifierView c(m);
                QVERIFY(c.classify(nullptr));
            } },
    };
    for (const Case& c : cases) {
        init();
        std::unique_ptr<Mesh> expected = loaded();
        c.inPlace(*view, *expected);
        c.slot(*view);
        const QByteArray got = now();
        std::swap(view->mesh, *expected);
        const QByteArray want = now();
        QVERIFY2(got == want, c.name);
    }
}

void ToolRunsTest::cancelledRunsLeaveEverythingAsItWas()
{
    CancellingRunner runner;
    runner.stopAt = 1 << 30;
    view->setToolRunner(&runner);
    // A table built and a filter kernel stored beforehand, to be kept.
    view->meshclassify_slot();
    QCOMPARE(runner.outcome, RunOutcome::Done);
    view->mshiftrad_slot(Vector(20.0f, 20.0f, 20.0f, 20.0f), MEAN_SHIFT);
    const QByteArray before = now();
    const std::size_t steps = view->history.undoCount();
    const int patches = view->classification->classifier.numPatches;

    // Each stopped at a report before its last.
    const std::pair<int, std::function<void()>> runs[] = {
        { 2, [&] { view->subdivide_slot(3, 0.0f); } },
        { 1, [&] { view->simplify_slot(30.0f); } },
        { 10, [&] { view->mshift_slot(Vector(20.0f, 20.0f, 20.0f, 20.0f), MEDIAN_FILTER); } },
        { 1,
            [&] {
                // The table only read, as after loading it, and kept.
                view->classification->classifier.rebuild = 0;
                view->meshclassify_slot();
                QVERIFY(!view->classification->classifier.table.empty());
            } },
        { 3,
            [&] {
                // The table built anew, and stopped half-way.
                view->classification->classifier.rebuild = 1;
                view->meshclassify_slot();
            } },
    };
    for (const auto& [stopAt, run] : runs) {
        runner.stopAt = stopAt;
        run();
        QCOMPARE(runner.outcome, RunOutcome::Cancelled);
        QCOMPARE(now(), before);
        QCOMPARE(view->history.undoCount(), steps);
    }
    QCOMPARE(view->classification->classifier.numPatches, patches);
    QCOMPARE(view->meanShift.mesh, &view->mesh);

    // The lent table came back: the next classification runs to its end.
    runner.stopAt = 1 << 30;
    view->meshclassify_slot();
    QCOMPARE(runner.outcome, RunOutcome::Done);
}

void ToolRunsTest::aRunningToolKeepsTheMeshToItself()
{
    HoldingRunner runner;
    view->setToolRunner(&runner);
    view->mesh.selected = 1;
    const QByteArray before = now();
    view->subdivide_slot(1, 0.0f);
    QVERIFY(view->toolRunning());

    // A second Apply goes to the runner, which refuses it; whatever would
    // change the mesh in place is refused by the view.
    view->simplify_slot(50.0f);
    QCOMPARE(runner.refused, 1);
    view->reload_slot();
    view->markcurrent_slot();
    view->build_vertexcoloursterrain_slot({}, {});
    view->undo_slot();
    QString why;
    QVERIFY(!view->loadMesh(grid, &why));
    QVERIFY(!why.isEmpty());
    QCOMPARE(now(), before);

    runner.end();
    QVERIFY(!view->toolRunning());
    QCOMPARE(view->mesh.numFaces, 4 * 242);
    QCOMPARE(view->history.undoName(), std::string("Subdivide"));
}

void ToolRunsTest::undoAndRedoRestoreEveryStateByteForByte()
{
    const Vector kernel(20.0f, 20.0f, 20.0f, 20.0f);
    HeightMap map;
    map.width = map.height = 16;
    for (int i = 0; i < 16 * 16; ++i)
        for (int k = 0; k < 3; ++k)
            map.rgb.push_back(std::uint8_t(i * 7 + k));

    // The faces a traversal reached (no step of its own) become a segment first.
    view->mesh.selected = 5;
    view->edgetraversal_slot(2, 60);
    const std::pair<const char*, std::function<void()>> steps[] = {
        { "Mark Segment", [&] { view->markcurrent_slot(); } },
        { "Classification", [&] { view->meshclassify_slot(); } },
        { "Re-partition", [&] { view->numpatches_slot(2); } },
        { "Mean Shift", [&] { view->mshift_slot(kernel, MEAN_SHIFT); } },
        { "Height Colours", [&] { view->build_vertexcoloursterrain_slot({}, {}); } },
        { "Subdivide", [&] { view->subdivide_slot(1, 0.0f); } },
        { "Median Filter", [&] { view->mshift_slot(kernel, MEDIAN_FILTER); } },
        { "Simplify", [&] { view->simplify_slot(50.0f); } },
        { "Reload", [&] { view->reload_slot(); } },
        { "Terrain",
            [&] {
                view->buildTerrain([&](Mesh& out, Progress& progress) {
                    return buildTerrainMesh(out, map, { 8, 64, 32 }, &progress);
                });
            } },
    };
    std::vector<QByteArray> states { now() };
    for (const auto& [name, step] : steps) {
        step();
        QCOMPARE(view->history.undoName(), std::string(name));
        states.push_back(now());
        QVERIFY2(states.back() != states[states.size() - 2], name);
    }
    for (std::size_t i = states.size() - 1; i > 0; --i) {
        view->undo_slot();
        QVERIFY2(now() == states[i - 1], steps[i - 1].first);
    }
    QVERIFY(!view->history.canUndo());
    for (std::size_t i = 1; i < states.size(); ++i) {
        view->redo_slot();
        QVERIFY2(now() == states[i], steps[i - 1].first);
    }
    // A new step drops what could be redone; opening a file drops it all.
    view->undo_slot();
    view->reload_slot();
    QVERIFY(!view->history.canRedo());
    QVERIFY(view->loadMesh(grid));
    QVERIFY(!view->history.canUndo());
}

QTEST_MAIN(ToolRunsTest)
#include "ToolRunsTest.moc"
