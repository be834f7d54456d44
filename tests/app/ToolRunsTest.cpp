// Undo / Redo through the view's slots bring back every state byte for byte.
// What a run computes, runs held or cancelled, are the workbench's own tests.
#include "filtering/engine/MeanShiftFilter.h"
#include "mesh/engine/WriteMeshFile.h"
#include "terrain/engine/TerrainBuilder.h"
#include "viewer/ui/QtGLWidget.h"
#include "workbench/engine/Steps.h"

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
             view.workbench.traversal.segmentCount, int(view.faceColoursShown()) })
        appendRaw(out, value);
    appendRaw(out, m.extent);
    return out + QByteArray::fromStdString(m.morphogenNames.empty() ? "" : m.morphogenNames[0]);
}

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

    void undoAndRedoRestoreEveryStateByteForByte();

private:
    QByteArray now() { return state(*view, folder.path()); }

    QTemporaryDir folder;
    QString grid;
    std::unique_ptr<QtGLWidget> view;
};

void ToolRunsTest::undoAndRedoRestoreEveryStateByteForByte()
{
    const Vector kernel(20.0f, 20.0f, 20.0f, 20.0f);
    const std::pair<const char*, std::function<void()>> steps[] = {
        { "Pick", [&] { view->runStep(pickStep(5, 0, 0)); } },
        { "Edge Traversal", [&] { view->edgetraversal_slot(2, 60); } },
        { "Mark Segment", [&] { view->markcurrent_slot(); } },
        { "Classification", [&] { view->meshclassify_slot(); } },
        { "Re-partition", [&] { view->numpatches_slot(2); } },
        { "Mean Shift", [&] { view->mshift_slot(kernel, MEAN_SHIFT); } },
        { "Height Colours", [&] { view->build_vertexcoloursterrain_slot({}, {}); } },
        { "Subdivide", [&] { view->subdivide_slot(1, 0.0f); } },
        { "Median Filter", [&] { view->mshift_slot(kernel, MEDIAN_FILTER); } },
        { "Simplify", [&] { view->simplify_slot(50.0f); } },
        { "Reload", [&] { view->reload_slot(); } },
        { "Terrain", [&] { view->buildTerrain(QString(), { 8, 64, 32 }); } },
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
