// What the window makes, facetra-cli makes from the window's saved steps: each
// history is recorded through the pages, the menus and the mouse, its steps
// saved from the Edit menu, its results saved from the window; the real
// command-line tool then replays the steps on the same file, and every file
// the two wrote must agree byte for byte.
#include "WindowTestUtil.h"

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
#include <QLineEdit>
#include <QOpenGLContext>
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

class WindowBatchTest : public QObject, WindowDriver
{
    Q_OBJECT

    QString spotted, heightMap;

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

    void refineAndFilter();
    void classifyPickAndMark();
    void colours();
    void terrain();
};

void WindowBatchTest::initTestCase()
{
    if (!QOpenGLContext().create())
        QSKIP("no OpenGL on this display");
    if (!QFileInfo::exists(crossFile))
        QSKIP("the shared meshes are not here");
    keepSettingsApart();
    spotted = scratch.filePath(QStringLiteral("spotted.obj"));
    QVERIFY(writeGrid(spotted, 8, "red green blue"));
    heightMap = scratch.filePath(QStringLiteral("ridge.png"));
    QImage map(16, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            map.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, x * 16, 255 - y * 16));
    QVERIFY(map.save(heightMap, "PNG"));
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

void WindowBatchTest::refineAndFilter()
{
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
    open(crossFile);
    QtMeshTerrainWidget* page = tools->terrainPage;
    page->dialogs.openFileName = [this](auto, auto, auto, auto) { return heightMap; };
    click(buttonNamed(page, "Load Heightmap"));
    QCOMPARE(page->heightMapFile, heightMap);
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

    compareWithBatch(crossFile,
        { "terrain", "height-colours", "height-colours", "classify", "reload", "simplify" });
}

QTEST_MAIN(WindowBatchTest)
#include "WindowBatchTest.moc"
