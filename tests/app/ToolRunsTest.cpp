// The view's slots turn the pages' requests into steps under the names the
// Edit menu shows. What each step does and what Undo and Redo restore, byte
// for byte, are the workbench's tests.
#include "WindowTestUtil.h"

#include "filtering/engine/MeanShiftFilter.h"
#include "terrain/engine/TerrainBuilder.h"
#include "workbench/engine/Steps.h"

class ToolRunsTest : public QObject
{
    Q_OBJECT
private slots:
    void slotsRecordStepsUnderTheirMenuNames();
};

void ToolRunsTest::slotsRecordStepsUnderTheirMenuNames()
{
    QTemporaryDir folder;
    const QString grid = folder.filePath(QStringLiteral("grid.obj"));
    QVERIFY(writeGrid(grid, 12));
    QtGLWidget view;
    QVERIFY(view.loadMesh(grid));
    const Vector kernel(20.0f, 20.0f, 20.0f, 20.0f);
    const std::pair<const char*, std::function<void()>> steps[] = {
        { "Pick", [&] { view.runStep(pickStep(5, 0, 0)); } },
        { "Edge Traversal", [&] { view.edgetraversal_slot(2, 60); } },
        { "Mark Segment", [&] { view.markcurrent_slot(); } },
        { "Classification", [&] { view.meshclassify_slot(); } },
        { "Re-partition", [&] { view.numpatches_slot(2); } },
        { "Mean Shift", [&] { view.mshift_slot(kernel, MEAN_SHIFT); } },
        { "Height Colours", [&] { view.build_vertexcoloursterrain_slot({}, {}); } },
        { "Subdivide", [&] { view.subdivide_slot(1, 0.0f); } },
        { "Median Filter", [&] { view.mshift_slot(kernel, MEDIAN_FILTER); } },
        { "Simplify", [&] { view.simplify_slot(50.0f); } },
        { "Reload", [&] { view.reload_slot(); } },
        { "Terrain", [&] { view.buildTerrain(QString(), { 8, 64, 32 }); } },
    };
    for (const auto& [name, step] : steps) {
        step();
        QCOMPARE(view.history.undoName(), std::string(name));
    }
    QCOMPARE(view.workbench.steps().size(), std::size(steps));
    // One Undo from the view's slot; the walk back and forth over every kind of
    // step, state by state: WorkbenchRulesTest, UndoAndRedoRestoreEveryState...
    view.undo_slot();
    QCOMPARE(view.history.redoName(), std::string("Terrain"));
}

QTEST_MAIN(ToolRunsTest)
#include "ToolRunsTest.moc"
