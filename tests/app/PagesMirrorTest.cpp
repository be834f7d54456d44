// The pages and the View menu's Face Colours show the workbench's state and
// nothing else: settings set on the pages (also before any mesh) survive a new
// mesh, and after Open, Reload, a terrain, Undo and a planes file every page
// shows exactly what the workbench holds. The view's slots turn the pages'
// requests into steps under the names the Edit menu shows (what each step does
// and what Undo and Redo restore, byte for byte, are the workbench's tests).
#include "WindowTestUtil.h"

#include "clipping/engine/PlaneWidgetInCube.h"
#include "clipping/ui/QtCLippingWidget.h"
#include "filtering/engine/MeanShiftFilter.h"
#include "filtering/ui/QtMeanShiftWidget.h"
#include "morphogens/ui/QtMorphogenWidget.h"
#include "segmentation/ui/QtMeshClassifierWidget.h"
#include "segmentation/ui/QtMeshTraversalWidget.h"
#include "terrain/engine/TerrainBuilder.h"
#include "terrain/ui/QtMeshTerrainWidget.h"
#include "workbench/engine/Step.h"
#include "workbench/engine/Steps.h"

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QOpenGLContext>
#include <QSlider>
#include <QTreeWidget>

enum class Event { Open, Reload, Terrain, UndoTools, UndoTerrain, Planes };
Q_DECLARE_METATYPE(Event)

class PagesMirrorTest : public QObject, WindowDriver
{
    Q_OBJECT

    QString named, plain, heightMap, threePlanes;

    void happen(Event event);
    // What the pages and the View menu show that differs from the workbench;
    // empty when nothing does.
    QString pagesDiffer() const;
    // The classifier's weight and mode, the filters' radius and algorithm.
    QString settingsHeld() const
    {
        const ClassifierSettings& c = bench().classifierSettings;
        const FilterSettings& f = bench().filterSettings;
        return QStringLiteral("%1 %2 %3 %4")
            .arg(c.weight)
            .arg(c.spMode)
            .arg(f.slider)
            .arg(f.algorithm);
    }

private slots:
    void initTestCase();
    void init() { showWindow(240); }
    void cleanup() { window.reset(); }

    void pagesShowTheWorkbench_data();
    void pagesShowTheWorkbench();
    void slotsRecordStepsUnderTheirMenuNames();
};

void PagesMirrorTest::initTestCase()
{
    if (!QOpenGLContext().create())
        QSKIP("no OpenGL on this display");
    keepSettingsApart();
    named = scratch.filePath(QStringLiteral("named.obj"));
    plain = scratch.filePath(QStringLiteral("plain.obj"));
    QVERIFY(writeGrid(named, 7, "alpha beta gamma") && writeGrid(plain, 7));
    heightMap = scratch.filePath(QStringLiteral("hills.png"));
    QImage map(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            map.setPixel(x, y, qRgb(x * 30, x * 30, y * 30));
    QVERIFY(map.save(heightMap, "PNG"));
    threePlanes = scratch.filePath(QStringLiteral("three.slc"));
    PlaneWidgetInCube cube;
    cube.planes.resize(3);
    QVERIFY(cube.save(threePlanes.toStdString()));
}

void PagesMirrorTest::pagesShowTheWorkbench_data()
{
    QTest::addColumn<Event>("event");
    QTest::newRow("open") << Event::Open;
    QTest::newRow("reload") << Event::Reload;
    QTest::newRow("terrain") << Event::Terrain;
    QTest::newRow("undo of tools") << Event::UndoTools;
    QTest::newRow("undo of a terrain") << Event::UndoTerrain;
    QTest::newRow("three planes") << Event::Planes;
}

void PagesMirrorTest::happen(Event event)
{
    switch (event) {
    case Event::Open:
        // A mesh without morphogens: the list empties.
        open(plain);
        break;
    case Event::Reload:
        click(tools->reloadButton());
        QCOMPARE(bench().steps().back().verb, std::string("reload"));
        break;
    case Event::Terrain:
    case Event::UndoTerrain: {
        QtMeshTerrainWidget* page = tools->terrainPage;
        page->dialogs.openFileName = [this](auto, auto, auto, auto) { return heightMap; };
        page->heightmapload_event();
        page->gridres_event(12);
        apply(page);
        QCOMPARE(bench().mesh.numVertices, 144);
        if (event == Event::UndoTerrain)
            undo();
        break;
    }
    case Event::UndoTools:
        // A classification and a filter, then everything taken back from the
        // Edit menu.
        apply(tools->classifyPage);
        QVERIFY(!bench().classifier.patchOfFace.empty());
        apply(tools->meanShiftPage);
        for (int guard = 0; guard < 10 && window->undoAction->isEnabled(); ++guard)
            window->undoAction->trigger();
        QVERIFY(!window->undoAction->isEnabled());
        QVERIFY(bench().steps().empty());
        break;
    case Event::Planes:
        tools->clippingPage->dialogs.openFileName
            = [this](auto, auto, auto, auto) { return threePlanes; };
        click(tools->clippingPage->loadButton());
        QCOMPARE(int(bench().clipCube.planes.size()), 3);
        break;
    }
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));
}

QString PagesMirrorTest::pagesDiffer() const
{
    const ClassifierSettings& c = bench().classifierSettings;
    const FilterSettings& f = bench().filterSettings;
    const PlaneWidgetInCube& cube = bench().clipCube;
    const std::vector<std::string>& names = bench().mesh.morphogenNames;
    QtMeshClassifierWidget* classify = tools->classifyPage;
    QtMeanShiftWidget* filters = tools->meanShiftPage;
    QtCLippingWidget* clipping = tools->clippingPage;
    QtMorphogenWidget* morphogens = tools->morphogenPage;
    QStringList wrong;
    const auto expect = [&wrong](bool same, const QString& what) {
        if (!same)
            wrong << what;
    };
    expect(classify->weightSlider->value() == qRound(c.weight * 100.0)
            && classify->weight == float(c.weight)
            && classify->weightLabel->text()
                == "Weight:\t" + QString::number(double(float(c.weight)), 'g', 6),
        "weight shown as " + classify->weightLabel->text());
    expect(buttonNamed(classify, "Floyd SP")->isChecked() == (c.spMode == 0)
            && buttonNamed(classify, "Djikstra SP")->isChecked() == (c.spMode == 1),
        "the mode buttons");
    const QLabel* radius = filters->findChild<QLabel*>(QStringLiteral("xsize_label"));
    expect(filters->radiusSlider()->value() == qRound(f.slider) && filters->kernel.x == f.slider
            && radius->text() == "Sphere Radius:\t" + QString::number(f.slider),
        "radius shown as " + radius->text());
    const char* const algorithms[] = { "Mean Shift", "Sphere Jump", "Median Filter" };
    for (int k = 0; k < 3; ++k)
        expect(
            buttonNamed(filters, algorithms[k])->isChecked() == (f.algorithm == k), algorithms[k]);
    expect(filters->algorithm == f.algorithm, "the algorithm the filter page sends");

    const int count = int(cube.planes.size());
    for (int k = 0; k < 6; ++k) {
        const QPushButton* button = clipping->planeButton(k);
        const bool exists = k < count, selected = cube.planeState[k] == 1;
        // A plane that is not there cannot be selected: the view would move
        // nothing under the mouse, and no button could let it go.
        expect((exists || !selected) && button->isEnabled() == exists
                && button->isVisibleTo(clipping) == exists
                && button->isChecked() == (exists && selected),
            QStringLiteral("plane %1 of %2, selected %3").arg(k + 1).arg(count).arg(selected));
    }
    expect(clipping->showAllButton()->isChecked() == (cube.showAll != 0), "Show All");
    expect(view->clipMode == (cube.anySelected() ? 1 : 0), "the view's clip mode");

    QStringList rows, expected;
    for (int r = 0; r < morphogens->tree()->topLevelItemCount(); ++r)
        rows << morphogens->tree()->topLevelItem(r)->text(1);
    for (const std::string& name : names)
        expected << QString::fromStdString(name);
    expect(rows == expected && morphogens->names() == names
            && morphogens->toggles().size() == names.size(),
        "morphogen rows " + rows.join(' '));
    expect(window->faceColoursAction->isChecked() == bench().faceColours, "Face Colours");
    return wrong.join(QStringLiteral("; "));
}

#define MIRRORS(when)                                                                              \
    do {                                                                                           \
        const QString problem = pagesDiffer();                                                     \
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral(when ": ") + problem));              \
    } while (false)

void PagesMirrorTest::pagesShowTheWorkbench()
{
    QFETCH(Event, event);
    QtMeshClassifierWidget* classify = tools->classifyPage;
    QtMeanShiftWidget* filters = tools->meanShiftPage;
    QtCLippingWidget* clipping = tools->clippingPage;
    QTreeWidget* rows = tools->morphogenPage->tree();
    QAction* faceColours = window->faceColoursAction;
    const auto set = [&](int weight, const char* mode, int radius, const char* algorithm) {
        classify->weightSlider->setValue(weight);
        click(buttonNamed(classify, mode));
        filters->radiusSlider()->setValue(radius);
        click(buttonNamed(filters, algorithm));
    };
    set(37, "Djikstra SP", 12, "Sphere Jump");
    click(clipping->planeButton(1));
    QCOMPARE(bench().clipCube.planeState[1], 1);
    faceColours->trigger();
    QVERIFY(bench().faceColours);
    MIRRORS("before a mesh");

    // A new mesh keeps the settings set on the pages and shows its morphogens;
    // what else a new mesh clears: Rules.EachKindOfStepLeavesTheToolStateTheTableSays.
    open(named);
    QCOMPARE(settingsHeld(), QStringLiteral("0.37 1 12 1"));
    QCOMPARE(rows->topLevelItemCount(), 3);
    MIRRORS("after Open");

    // Every page changed: other settings, a plane selected after another, every
    // plane's outline shown, a morphogen row switched on from its check box,
    // the faces' colours shown.
    set(81, "Floyd SP", 30, "Median Filter");
    click(clipping->planeButton(4));
    click(clipping->planeButton(2));
    QCOMPARE(bench().clipCube.planeState[4], -1);
    QCOMPARE(bench().clipCube.planeState[2], 1);
    click(clipping->planeButton(4));
    // Show All goes off again from its own button, and on.
    for (const int shown : { 1, 0, 1 }) {
        click(clipping->showAllButton());
        QCOMPARE(bench().clipCube.showAll, shown);
        QCOMPARE(clipping->showAllButton()->isChecked(), shown == 1);
    }
    tools->tabs()->setCurrentWidget(tools->morphogenPage);
    const QRect cell = rows->visualRect(rows->model()->index(1, 0));
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(rows->topLevelItem(1)->checkState(0), Qt::Checked);
    QCOMPARE(bench().steps().back().verb, std::string("morphogens"));
    faceColours->trigger();
    QVERIFY(bench().faceColours);
    MIRRORS("after the changes");

    happen(event);
    QCOMPARE(settingsHeld(), QStringLiteral("0.81 0 30 2"));
    const bool namesGone = event == Event::Open || event == Event::Terrain;
    QCOMPARE(rows->topLevelItemCount(), namesGone ? 0 : 3);
    MIRRORS("after the event");

    // Steps that name other settings, between the sliders' steps, make them
    // the pages' without the sliders sending them back rounded.
    for (const char* line :
        { "classify weight=0.333 mode=dijkstra", "filter algorithm=meanshift radius=7.5" }) {
        Step step;
        std::string problem;
        QVERIFY(parseStepLine(line, step, problem));
        view->runStep(step);
    }
    QCOMPARE(settingsHeld(), QStringLiteral("0.333 1 7.5 0"));
    MIRRORS("after steps naming the settings");

    // Every plane that is there can still be selected and let go from the page.
    for (int k = 0; k < int(bench().clipCube.planes.size()); ++k) {
        click(clipping->planeButton(k));
        MIRRORS("after a plane's click");
    }
    for (int k = 0; k < 6; ++k) {
        if (clipping->planeButton(k)->isChecked())
            click(clipping->planeButton(k));
    }
    QVERIFY(!bench().clipCube.anySelected());
    MIRRORS("after letting the planes go");

    // Colouring by height and marking switch Face Colours (which way: the rule
    // table's test), and the View menu follows.
    click(tools->terrainPage->findChild<QCheckBox*>(QStringLiteral("usestops_check")));
    MIRRORS("after colouring by height");
    QTest::mouseClick(view, Qt::MiddleButton, {}, view->rect().center());
    QVERIFY(bench().mesh.selected >= 1);
    click(buttonNamed(tools->traversalPage, "Mark Current"));
    MIRRORS("after a mark");

    // Planes a file left out come back with the next mesh.
    open(named);
    MIRRORS("after another Open");
}

void PagesMirrorTest::slotsRecordStepsUnderTheirMenuNames()
{
    const QString grid = scratch.filePath(QStringLiteral("grid.obj"));
    QVERIFY(writeGrid(grid, 12) && view->loadMesh(grid));
    const Vector kernel(20.0f, 20.0f, 20.0f, 20.0f);
    const TerrainParameters terrain { 8, 64, 32 };
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
        { "Terrain", [&] { view->buildTerrain(QString(), terrain); } },
    };
    for (const auto& [name, step] : steps) {
        step();
        QCOMPARE(view->history.undoName(), std::string(name));
    }
    QCOMPARE(bench().steps().size(), std::size(steps));
    // One Undo from the view's slot; the walk back and forth over every kind of
    // step, state by state: WorkbenchRulesTest, UndoAndRedoRestoreEveryState...
    view->undo_slot();
    QCOMPARE(view->history.redoName(), std::string("Terrain"));
}

QTEST_MAIN(PagesMirrorTest)
#include "PagesMirrorTest.moc"
