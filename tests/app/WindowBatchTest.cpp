// What the window makes, facetra-cli makes from the window's saved steps: each
// history is recorded through the pages, the menus and the mouse, its steps
// saved from the Edit menu, its results saved from the window; the real
// command-line tool then replays the steps on the same file, and every file
// the two wrote must agree byte for byte. The pages and the View menu's Face
// Colours show the workbench's state and nothing else: settings set on the
// pages (also before any mesh) survive a new mesh, and after Open, Reload, a
// terrain, Undo and a planes file every page shows exactly what the workbench
// holds (what each step does and what Undo and Redo restore, byte for byte,
// are the workbench's tests).
#include "WindowTestUtil.h"

#include "clipping/engine/PlaneWidgetInCube.h"
#include "clipping/ui/QtCLippingWidget.h"
#include "filtering/ui/QtFunctionWidget.h"
#include "filtering/ui/QtMeanShiftWidget.h"
#include "morphogens/ui/QtMorphogenWidget.h"
#include "refinement/ui/QtMeshSimplifierWidget.h"
#include "refinement/ui/QtMeshSubdivideWidget.h"
#include "segmentation/ui/QtMeshClassifierWidget.h"
#include "segmentation/ui/QtMeshTraversalWidget.h"
#include "terrain/ui/QtMeshTerrainWidget.h"
#include "workbench/engine/Step.h"

#include <QCheckBox>
#include <QDialog>
#include <QDirIterator>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QTreeWidget>

#include <algorithm>

namespace {

const QString crossFile = QStringLiteral(FACETRA_MESH_DIR "/cross.obj");

template <class T> T* child(QWidget* page, const char* name)
{
    return page->findChild<T*>(QString::fromLatin1(name));
}

// Every file under folder, by its name relative to it.
QStringList filesUnder(const QString& folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        names << QDir(folder).relativeFilePath(it.next());
    names.sort();
    return names;
}

} // namespace

enum class Event { Open, Reload, Terrain, UndoTools, UndoTerrain, Planes };
Q_DECLARE_METATYPE(Event)

class WindowBatchTest : public QObject, WindowDriver
{
    Q_OBJECT

    QString spotted, ridge, named, plain, hills, threePlanes;
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

    void clickCell(QTreeWidget* tree, int row, int column)
    {
        tools->tabs()->setCurrentWidget(tools->morphogenPage);
        const QRect cell = tree->visualRect(tree->model()->index(row, column));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // A stop added through the Terrain page's stop dialogue.
    void addStop(const char* value, QColor colour)
    {
        QtMeshTerrainWidget* page = tools->terrainPage;
        page->dialogs.colour = [colour](auto, auto) { return colour; };
        page->runStopDialog = [page, value](QDialog&) {
            page->stopValueEdit()->setText(QString::fromLatin1(value));
            page->pickcol_event();
            page->ok_event();
        };
        click(buttonNamed(page, "add"));
    }

    // Saves the steps and the results from the window, replays the steps with
    // facetra-cli on input and compares every file; verbs: the steps the
    // history must have saved, in order.
    void compareWithBatch(const QString& input, const std::vector<std::string>& verbs);

private slots:
    void initTestCase();
    void init() { showWindow(300); }
    void cleanup() { window.reset(); }

    void pagesShowTheWorkbench_data();
    void pagesShowTheWorkbench();
    void refineAndFilter();
    void classifyPickAndMark();
    void colours();
    void terrain();
};

void WindowBatchTest::initTestCase()
{
    SKIP_WITHOUT_GL();
    keepSettingsApart();
    spotted = scratch.filePath(QStringLiteral("spotted.obj"));
    named = scratch.filePath(QStringLiteral("named.obj"));
    plain = scratch.filePath(QStringLiteral("plain.obj"));
    QVERIFY(writeGrid(spotted, 8, "red green blue") && writeGrid(named, 7, "alpha beta gamma")
        && writeGrid(plain, 7));
    // A height map of irregular heights, wider than high and partly transparent
    // (the page reads it through a pixmap, facetra-cli from the file), and one
    // of gentle hills.
    const auto map = [this](const char* name, int width, int height, auto colour) {
        QImage image(width, height, QImage::Format_ARGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.setPixel(x, y, colour(x, y));
        const QString path = scratch.filePath(QLatin1String(name));
        return image.save(path, "PNG") ? path : QString();
    };
    ridge = map("ridge.png", 24, 16, [](int x, int y) {
        return qRgba((x * 37 + y * 11) % 256, x * 10, 255 - y * 16, 128 + x * 5);
    });
    hills = map("hills.png", 8, 8, [](int x, int y) { return qRgb(x * 30, x * 30, y * 30); });
    QVERIFY(!ridge.isEmpty() && !hills.isEmpty());
    threePlanes = scratch.filePath(QStringLiteral("three.slc"));
    PlaneWidgetInCube cube;
    cube.planes.resize(3);
    QVERIFY(cube.save(threePlanes.toStdString()));
}

void WindowBatchTest::compareWithBatch(const QString& input, const std::vector<std::string>& verbs)
{
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));
    const QString folder = scratch.filePath(QString::fromLatin1(QTest::currentTestFunction()));
    const QString shown = folder + QStringLiteral("/window");
    const QString batch = folder + QStringLiteral("/batch");
    QVERIFY(QDir().mkpath(shown + QStringLiteral("/segments")));
    const QString stem = QFileInfo(input).fileName().section(QLatin1Char('.'), 0, 0);

    // Edit, "Save Steps...".
    const QString script = folder + QStringLiteral("/history.steps");
    window->dialogs.saveFileName = [script](auto, auto, auto, auto) { return script; };
    window->saveStepsAction->trigger();
    const QByteArray steps = contents(script);
    std::vector<ScriptLine> lines;
    std::string problem;
    QVERIFY2(parseScript(steps.toStdString(), lines, problem), problem.c_str());
    QVERIFY2(std::ranges::equal(lines, verbs, {}, [](auto& line) { return line.step.verb; }),
        steps.constData());

    // File, "Save As..." in both formats; the normals and segments as the
    // workbench writes them.
    for (const char* suffix : { ".ply", ".obj" }) {
        const QString name = shown + QLatin1Char('/') + stem + QLatin1String(suffix);
        window->dialogs.saveFileName = [name](auto, auto, auto, auto) { return name; };
        window->savefileEvent();
    }
    QVERIFY(bench().saveNormals((shown + QLatin1Char('/') + stem + ".normals").toStdString()));
    QVERIFY(
        bench().saveSegments((shown + QStringLiteral("/segments")).toStdString()).failed.empty());

    const QString replay = write(QTest::currentTestFunction() + QStringLiteral("/replay.steps"),
        steps
            + "save {name}.ply\nsave {name}.obj\nsave-normals {name}.normals\n"
              "save-segments segments\n");
    QString console;
    const auto [status, errors] = runProgram(QStringLiteral(FACETRA_CLI),
        { "run", "--jobs", "1", "--out-dir", batch, replay, input }, {}, &console);
    QVERIFY2(status == 0, qPrintable(console + errors));

    const QStringList files = filesUnder(shown);
    QCOMPARE(filesUnder(batch), files);
    QVERIFY(files.size() >= 4);
    for (const QString& name : files)
        QVERIFY2(
            contents(shown + QLatin1Char('/') + name) == contents(batch + QLatin1Char('/') + name),
            qPrintable(name + QStringLiteral(" differs; steps:\n") + QString::fromUtf8(steps)));
}

void WindowBatchTest::pagesShowTheWorkbench_data()
{
    QTest::addColumn<Event>("event");
    QTest::newRow("open") << Event::Open;
    QTest::newRow("reload") << Event::Reload;
    QTest::newRow("terrain") << Event::Terrain;
    QTest::newRow("undo of tools") << Event::UndoTools;
    QTest::newRow("undo of a terrain") << Event::UndoTerrain;
    QTest::newRow("three planes") << Event::Planes;
}

void WindowBatchTest::happen(Event event)
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
        page->dialogs.openFileName = [this](auto, auto, auto, auto) { return hills; };
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

QString WindowBatchTest::pagesDiffer() const
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

    QStringList rows;
    for (int r = 0; r < morphogens->tree()->topLevelItemCount(); ++r)
        rows << morphogens->tree()->topLevelItem(r)->text(1);
    expect(std::ranges::equal(rows, names, {}, {}, &QString::fromStdString)
            && morphogens->names() == names && morphogens->toggles().size() == names.size(),
        "morphogen rows " + rows.join(' '));
    expect(window->faceColoursAction->isChecked() == bench().faceColours, "Face Colours");
    return wrong.join(QStringLiteral("; "));
}

#define MIRRORS(when)                                                                              \
    do {                                                                                           \
        const QString problem = pagesDiffer();                                                     \
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral(when ": ") + problem));              \
    } while (false)

void WindowBatchTest::pagesShowTheWorkbench()
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

    // A new mesh shows its morphogens and keeps the settings set on the pages
    // (the workbench keeping them: Rules.SettingsOutliveNewMeshesAndServeStepsThatLeaveThemOut;
    // what else a new mesh clears: Rules.EachKindOfStepLeavesTheToolStateTheTableSays).
    open(named);
    MIRRORS("after Open");

    // Every page changed: other settings (the buttons clicked twice stay
    // checked), a plane selected after another, every plane's outline shown, a
    // morphogen row switched on from its check box, the faces' colours shown.
    set(81, "Floyd SP", 30, "Median Filter");
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
    clickCell(rows, 1, 0);
    QCOMPARE(rows->topLevelItem(1)->checkState(0), Qt::Checked);
    QCOMPARE(bench().steps().back().verb, std::string("morphogens"));
    faceColours->trigger();
    QVERIFY(bench().faceColours);
    MIRRORS("after the changes");

    happen(event);
    QCOMPARE(settingsHeld(), QStringLiteral("0.81 0 30 2"));
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

void WindowBatchTest::refineAndFilter()
{
    if (!QFileInfo::exists(crossFile))
        QSKIP("the shared meshes are not here");
    open(crossFile);
    QtMeshSubdivideWidget* subdivide = tools->subdividePage;
    child<QSlider>(subdivide, "subdivlevel_slider")->setValue(1);
    child<QSlider>(subdivide, "weight_slider")->setValue(70);
    apply(subdivide);
    child<QSlider>(tools->simplifyPage, "threshmin_slider")->setValue(60);
    apply(tools->simplifyPage);
    click(tools->reloadButton());
    child<QSlider>(subdivide, "weight_slider")->setValue(35);
    apply(subdivide);
    // A new mesh taken back: the filters below start from the one before.
    apply(tools->simplifyPage);
    undo();

    QtMeanShiftWidget* filters = tools->meanShiftPage;
    tools->tabs()->setCurrentWidget(filters);
    filters->radiusSlider()->setValue(14);
    click(buttonNamed(filters, "Mean Shift"));
    QtFunctionWidget* profile = filters->functionWidget();
    profile->moveControlPoint(1, profile->plotWidth() * 0.4f, profile->plotHeight() * 0.55f);
    apply(filters);
    QVERIFY(bench().steps().back().find("profile"));
    click(buttonNamed(filters, "Sphere Jump"));
    click(buttonNamed(filters, "Step"));
    click(buttonNamed(filters, "Median Filter"));
    filters->radiusSlider()->setValue(2);
    apply(filters);
    // The median run is taken back: the script must not hold it.
    undo();
    filters->radiusSlider()->setValue(9);
    click(buttonNamed(filters, "Mean Shift"));
    profile->moveControlPoint(2, profile->plotWidth() * 0.7f, profile->plotHeight() * 0.3f);
    click(buttonNamed(filters, "Step"));

    compareWithBatch(crossFile,
        { "subdivide", "simplify", "reload", "subdivide", "filter", "filter-step", "filter-step" });
}

void WindowBatchTest::classifyPickAndMark()
{
    if (!QFileInfo::exists(crossFile))
        QSKIP("the shared meshes are not here");
    open(crossFile);
    QtMeshClassifierWidget* classify = tools->classifyPage;
    classify->weightSlider->setValue(30);
    click(buttonNamed(classify, "Djikstra SP"));
    apply(classify);
    const int found = bench().classifier.numPatches;
    classify->numPatchesSlider->setValue(found > 2 ? found - 1 : found + 1);

    // A pick at the middle of the view, the traversal from it, its segment.
    const QPoint middle = view->rect().center();
    QTest::mouseClick(view, Qt::MiddleButton, {}, middle);
    // The status bar names the face as the batch tool's segment command takes it.
    QCOMPARE(window->statusBar->currentMessage().trimmed(),
        QStringLiteral("Face %1 picked").arg(bench().mesh.selected));
    QtMeshTraversalWidget* traversal = tools->traversalPage;
    child<QSlider>(traversal, "depth_slider")->setValue(3);
    child<QSlider>(traversal, "stepsize_slider")->setValue(40);
    click(buttonNamed(traversal, "Mark Current"));

    // Another pick, one taken back, a second segment.
    QTest::mouseClick(view, Qt::MiddleButton, {}, middle + QPoint(40, 5));
    QTest::mouseClick(view, Qt::MiddleButton, {}, middle - QPoint(35, 10));
    undo();
    child<QSlider>(traversal, "depth_slider")->setValue(2);
    click(buttonNamed(traversal, "Mark Current"));

    compareWithBatch(crossFile,
        { "classify", "repartition", "pick", "traverse", "traverse", "mark", "pick", "traverse",
            "mark" });
}

void WindowBatchTest::colours()
{
    open(spotted);
    QtMorphogenWidget* page = tools->morphogenPage;
    QTreeWidget* tree = page->tree();
    QColor answer;
    page->dialogs.colour = [&answer](auto, auto) { return answer; };
    clickCell(tree, 0, 0);
    answer = QColor(220, 30, 30);
    clickCell(tree, 0, 2);
    clickCell(tree, 2, 0);
    answer = QColor(20, 40, 230);
    clickCell(tree, 2, 2);
    answer = QColor(10, 60, 10);
    click(buttonNamed(page, "Choose a Colour"));
    click(buttonNamed<QRadioButton>(page, "subtractive"));
    QCOMPARE(page->mixMode(), 1);

    // The setting kept in a file, changed, the change taken back, the file
    // loaded over it.
    const QString settings = scratch.filePath(QStringLiteral("spots.mor"));
    page->dialogs.saveFileName = page->dialogs.openFileName
        = [settings](auto, auto, auto, auto) { return settings; };
    click(buttonNamed(page, "Save"));
    clickCell(tree, 1, 0);
    click(buttonNamed<QRadioButton>(page, "additive"));
    undo();
    click(buttonNamed(page, "Load"));

    // Colouring by height, by the hue ramp and then by stops.
    addStop("0.4", QColor(200, 120, 10));
    click(tools->terrainPage->findChild<QCheckBox*>(QStringLiteral("usestops_check")));
    QVERIFY(bench().useColourStops);

    compareWithBatch(spotted,
        { "morphogens", "morphogens", "morphogens", "morphogens", "morphogens", "morphogens",
            "morphogens", "morphogens", "height-colours", "height-colours" });
}

void WindowBatchTest::terrain()
{
    open(plain);
    QtMeshTerrainWidget* page = tools->terrainPage;
    page->dialogs.openFileName = [this](auto, auto, auto, auto) { return ridge; };
    click(buttonNamed(page, "Load Heightmap"));
    QCOMPARE(page->heightMapFile, ridge);
    page->gridres_event(14);
    page->height_event(40);
    apply(page);

    click(page->findChild<QCheckBox*>(QStringLiteral("usestops_check")));
    addStop("0.7", QColor(30, 160, 90));
    QtMeshClassifierWidget* classify = tools->classifyPage;
    classify->weightSlider->setValue(65);
    click(buttonNamed(classify, "Djikstra SP"));
    apply(classify);
    // Classified again after an Undo: the window may keep its distance table.
    undo();
    classify->weightSlider->setValue(40);
    apply(classify);
    // Reload brings back the terrain as built, without its colours.
    click(tools->reloadButton());
    child<QSlider>(tools->simplifyPage, "threshmin_slider")->setValue(70);
    apply(tools->simplifyPage);

    compareWithBatch(
        plain, { "terrain", "height-colours", "height-colours", "classify", "reload", "simplify" });
}

QTEST_MAIN(WindowBatchTest)
#include "WindowBatchTest.moc"
