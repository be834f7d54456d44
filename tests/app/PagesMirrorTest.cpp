// The pages show the workbench's state and nothing else: settings set on the
// pages (also before any mesh) survive a new mesh, and after Open, Reload, a
// terrain, Undo and a planes file each page shows exactly what the workbench
// holds.
#include "app/ui/QtMainWindow.h"
#include "app/ui/QtMeshEditorDialogue.h"
#include "clipping/engine/PlaneWidgetInCube.h"
#include "clipping/ui/QtCLippingWidget.h"
#include "filtering/ui/QtMeanShiftWidget.h"
#include "morphogens/ui/QtMorphogenWidget.h"
#include "segmentation/ui/QtMeshClassifierWidget.h"
#include "segmentation/ui/QtMeshTraversalWidget.h"
#include "terrain/ui/QtMeshTerrainWidget.h"
#include "viewer/ui/QtGLWidget.h"

#include <QAction>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QOpenGLContext>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <cmath>
#include <fstream>

namespace {

enum class Event { Open, Reload, Terrain, UndoTools, UndoTerrain, Planes };

// A gently curved 7 x 7 grid (72 faces), with three morphogens or none.
bool writeGrid(const QString& name, bool morphogens)
{
    std::ofstream out(name.toStdString());
    const int n = 7;
    if (morphogens)
        out << "mn alpha beta gamma\n";
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            out << "v " << x << ' ' << y << ' ' << 0.3 * std::sin(x * 0.9) * std::cos(y * 0.6)
                << '\n';
            if (morphogens)
                out << "m " << x / 6.0 << ' ' << y / 6.0 << ' ' << (x + y) % 2 << '\n';
        }
    }
    for (int y = 0; y + 1 < n; ++y) {
        for (int x = 0; x + 1 < n; ++x) {
            const int a = y * n + x + 1, b = a + 1, c = a + n, d = c + 1;
            out << "f " << a << ' ' << b << ' ' << d << "\nf " << a << ' ' << d << ' ' << c << '\n';
        }
    }
    return bool(out);
}

QPushButton* buttonNamed(QWidget* page, const char* text)
{
    for (QPushButton* button : page->findChildren<QPushButton*>()) {
        if (button->text() == QLatin1String(text))
            return button;
    }
    return nullptr;
}

} // namespace

Q_DECLARE_METATYPE(Event)

class PagesMirrorTest : public QObject
{
    Q_OBJECT

    QTemporaryDir scratch;
    QString named, plain, heightMap, threePlanes;
    std::unique_ptr<QtMainWindow> window;
    QtMeshEditorDialogue* tools = nullptr;
    QStringList warnings;

    Workbench& bench() const { return window->glView()->workbench; }

    void open(const QString& name)
    {
        window->dialogs.openFileName = [name](auto, auto, auto, auto) { return name; };
        window->openfileEvent();
    }
    // A click on a page's button, its page brought to the front first.
    void click(QAbstractButton* button)
    {
        QVERIFY(button && button->isEnabled());
        for (QWidget* w = button; w; w = w->parentWidget()) {
            if (tools->tabs()->indexOf(w) >= 0)
                tools->tabs()->setCurrentWidget(w);
        }
        // A check box or radio button takes clicks on its indicator and text.
        const bool pushButton = qobject_cast<QPushButton*>(button) != nullptr;
        QTest::mouseClick(button, Qt::LeftButton, {},
            pushButton ? button->rect().center() : QPoint(6, button->height() / 2));
    }
    // The dialogue's Apply with page current.
    void apply(QWidget* page)
    {
        tools->tabs()->setCurrentWidget(page);
        click(tools->applyButton());
    }
    void buildTerrain()
    {
        QtMeshTerrainWidget* page = tools->terrainPage;
        page->dialogs.openFileName = [this](auto, auto, auto, auto) { return heightMap; };
        page->heightmapload_event();
        page->gridres_event(12);
        apply(page);
    }
    void happen(Event event);

    // What each page shows that differs from the workbench; empty when nothing.
    QString classificationDiffers() const;
    QString meanShiftDiffers() const;
    QString clippingDiffers() const;
    QString morphogensDiffer() const;

    static void addEvents();

private slots:
    void initTestCase();
    void init();
    void cleanup() { window.reset(); }

    void classification_data() { addEvents(); }
    void classification();
    void meanShift_data() { addEvents(); }
    void meanShift();
    void clipping_data() { addEvents(); }
    void clipping();
    void morphogens_data() { addEvents(); }
    void morphogens();
    void faceColours_data() { addEvents(); }
    void faceColours();
};

void PagesMirrorTest::initTestCase()
{
    if (!QOpenGLContext().create())
        QSKIP("no OpenGL on this display");
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("FacetraTest"));
    QVERIFY(scratch.isValid());
    named = scratch.filePath(QStringLiteral("named.obj"));
    plain = scratch.filePath(QStringLiteral("plain.obj"));
    QVERIFY(writeGrid(named, true) && writeGrid(plain, false));
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

void PagesMirrorTest::init()
{
    UserDialogs::setCurrentFile(QString());
    window = std::make_unique<QtMainWindow>();
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    // At once: what is checked is what the pages show after each change.
    window->glView()->setToolRunner(nullptr);
    warnings.clear();
    window->dialogs.warning = [this](auto, auto, const QString& text) { warnings << text; };
    window->resizeView(240, 240);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    tools = window->meshEditor;
    window->mesheditorEvent();
}

void PagesMirrorTest::addEvents()
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
        QCOMPARE(bench().fileName, plain.toStdString());
        break;
    case Event::Reload:
        click(tools->reloadButton());
        QCOMPARE(bench().steps().back().verb, std::string("reload"));
        break;
    case Event::Terrain:
        buildTerrain();
        QCOMPARE(bench().mesh.numVertices, 144);
        break;
    case Event::UndoTools: {
        // A classification and a filter (refused at radius 0), then everything
        // taken back from the Edit menu.
        apply(tools->classifyPage);
        QVERIFY(!bench().classifier.patchOfFace.empty());
        apply(tools->meanShiftPage);
        for (int guard = 0; guard < 10 && window->undoAction->isEnabled(); ++guard)
            window->undoAction->trigger();
        QVERIFY(!window->undoAction->isEnabled());
        QVERIFY(bench().steps().empty());
        break;
    }
    case Event::UndoTerrain:
        buildTerrain();
        window->undoAction->trigger();
        QCOMPARE(bench().mesh.numVertices, 49);
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

QString PagesMirrorTest::classificationDiffers() const
{
    const QtMeshClassifierWidget* page = tools->classifyPage;
    const ClassifierSettings& s = bench().classifierSettings;
    QStringList wrong;
    if (page->weightSlider->value() != qRound(s.weight * 100.0) || page->weight != float(s.weight))
        wrong << QStringLiteral("weight slider %1 for %2")
                     .arg(page->weightSlider->value())
                     .arg(s.weight);
    const QString label
        = QStringLiteral("Weight:\t") + QString::number(double(float(s.weight)), 'g', 6);
    if (page->weightLabel->text() != label)
        wrong << QStringLiteral("label '%1' for '%2'").arg(page->weightLabel->text(), label);
    const char* const modes[] = { "Floyd SP", "Djikstra SP" };
    for (int k = 0; k < 2; ++k) {
        if (buttonNamed(tools->classifyPage, modes[k])->isChecked() != (s.spMode == k))
            wrong << QStringLiteral("%1 checked wrongly for mode %2").arg(modes[k]).arg(s.spMode);
    }
    return wrong.join(QStringLiteral("; "));
}

QString PagesMirrorTest::meanShiftDiffers() const
{
    QtMeanShiftWidget* page = tools->meanShiftPage;
    const FilterSettings& s = bench().filterSettings;
    QStringList wrong;
    if (page->radiusSlider()->value() != qRound(s.slider) || page->kernel.x != s.slider)
        wrong
            << QStringLiteral("radius %1 for %2").arg(page->radiusSlider()->value()).arg(s.slider);
    const QLabel* label = page->findChild<QLabel*>(QStringLiteral("xsize_label"));
    if (!label || label->text() != QStringLiteral("Sphere Radius:\t") + QString::number(s.slider))
        wrong << QStringLiteral("radius label '%1'").arg(label ? label->text() : QString());
    const char* const filters[] = { "Mean Shift", "Sphere Jump", "Median Filter" };
    for (int k = 0; k < 3; ++k) {
        if (buttonNamed(page, filters[k])->isChecked() != (s.algorithm == k))
            wrong << QStringLiteral("%1 checked wrongly for %2").arg(filters[k]).arg(s.algorithm);
    }
    if (page->algorithm != s.algorithm)
        wrong << QStringLiteral("the page sends algorithm %1").arg(page->algorithm);
    return wrong.join(QStringLiteral("; "));
}

QString PagesMirrorTest::clippingDiffers() const
{
    const QtCLippingWidget* page = tools->clippingPage;
    const PlaneWidgetInCube& cube = bench().clipCube;
    const int count = int(cube.planes.size());
    QStringList wrong;
    for (int k = 0; k < 6; ++k) {
        const QPushButton* button = page->planeButton(k);
        const bool exists = k < count;
        const bool selected = cube.planeState[k] == 1;
        // A plane that is not there cannot be selected: the view would move
        // nothing under the mouse, and no button could let it go.
        if (!exists && selected)
            wrong << QStringLiteral("plane %1 of %2 is selected").arg(k + 1).arg(count);
        if (button->isEnabled() != exists || button->isVisibleTo(page) != exists)
            wrong << QStringLiteral("plane %1 of %2 shown wrongly").arg(k + 1).arg(count);
        if (button->isChecked() != (exists && selected))
            wrong << QStringLiteral("plane %1 checked %2").arg(k + 1).arg(button->isChecked());
    }
    if (window->glView()->clipMode != (cube.anySelected() ? 1 : 0))
        wrong << QStringLiteral("the view's clip mode is %1").arg(window->glView()->clipMode);
    return wrong.join(QStringLiteral("; "));
}

QString PagesMirrorTest::morphogensDiffer() const
{
    const QtMorphogenWidget* page = tools->morphogenPage;
    const std::vector<std::string>& names = bench().mesh.morphogenNames;
    QStringList rows;
    for (int r = 0; r < page->tree()->topLevelItemCount(); ++r)
        rows << page->tree()->topLevelItem(r)->text(1);
    QStringList expected;
    for (const std::string& name : names)
        expected << QString::fromStdString(name);
    if (rows != expected || page->names() != names || page->toggles().size() != names.size())
        return QStringLiteral("rows '%1' for '%2'").arg(rows.join(' '), expected.join(' '));
    return {};
}

#define MIRRORS(differs, when)                                                                     \
    do {                                                                                           \
        const QString problem = differs;                                                           \
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral(when ": ") + problem));              \
    } while (false)

void PagesMirrorTest::classification()
{
    QFETCH(Event, event);
    QtMeshClassifierWidget* page = tools->classifyPage;
    tools->tabs()->setCurrentWidget(page);
    page->weightSlider->setValue(37);
    click(buttonNamed(page, "Djikstra SP"));
    QCOMPARE(bench().classifierSettings.weight, double(0.37f));
    QCOMPARE(bench().classifierSettings.spMode, 1);
    MIRRORS(classificationDiffers(), "before a mesh");

    open(named);
    QCOMPARE(bench().classifierSettings.weight, double(0.37f));
    QCOMPARE(bench().classifierSettings.spMode, 1);
    MIRRORS(classificationDiffers(), "after Open");

    page->weightSlider->setValue(81);
    click(buttonNamed(page, "Floyd SP"));
    happen(event);
    QCOMPARE(bench().classifierSettings.weight, double(0.81f));
    QCOMPARE(bench().classifierSettings.spMode, 0);
    MIRRORS(classificationDiffers(), "after the event");

    // A step that names other settings makes them the page's.
    Step step;
    std::string problem;
    QVERIFY(parseStepLine("classify weight=0.25 mode=dijkstra", step, problem));
    if (bench().mesh.numFaces > 0) {
        window->glView()->runStep(step);
        QCOMPARE(bench().classifierSettings.weight, 0.25);
        MIRRORS(classificationDiffers(), "after a step naming the settings");
    }
}

void PagesMirrorTest::meanShift()
{
    QFETCH(Event, event);
    QtMeanShiftWidget* page = tools->meanShiftPage;
    tools->tabs()->setCurrentWidget(page);
    page->radiusSlider()->setValue(12);
    click(buttonNamed(page, "Sphere Jump"));
    QCOMPARE(bench().filterSettings.slider, 12.0f);
    QCOMPARE(bench().filterSettings.algorithm, 1);
    MIRRORS(meanShiftDiffers(), "before a mesh");

    open(named);
    QCOMPARE(bench().filterSettings.slider, 12.0f);
    QCOMPARE(bench().filterSettings.algorithm, 1);
    MIRRORS(meanShiftDiffers(), "after Open");

    page->radiusSlider()->setValue(30);
    click(buttonNamed(page, "Median Filter"));
    happen(event);
    QCOMPARE(bench().filterSettings.slider, 30.0f);
    QCOMPARE(bench().filterSettings.algorithm, 2);
    MIRRORS(meanShiftDiffers(), "after the event");

    if (bench().mesh.numFaces > 0) {
        Step step;
        std::string problem;
        QVERIFY(parseStepLine("filter algorithm=meanshift radius=7", step, problem));
        window->glView()->runStep(step);
        QCOMPARE(bench().filterSettings.algorithm, 0);
        MIRRORS(meanShiftDiffers(), "after a step naming the settings");
    }
}

void PagesMirrorTest::clipping()
{
    QFETCH(Event, event);
    QtCLippingWidget* page = tools->clippingPage;
    tools->tabs()->setCurrentWidget(page);
    click(page->planeButton(1));
    QCOMPARE(bench().clipCube.planeState[1], 1);
    MIRRORS(clippingDiffers(), "before a mesh");

    // A new mesh gets a new cube without a selection.
    open(named);
    QVERIFY(!bench().clipCube.anySelected());
    MIRRORS(clippingDiffers(), "after Open");

    click(page->planeButton(4));
    click(page->planeButton(2));
    QCOMPARE(bench().clipCube.planeState[4], -1);
    QCOMPARE(bench().clipCube.planeState[2], 1);
    click(page->planeButton(4));
    MIRRORS(clippingDiffers(), "after selecting");
    happen(event);
    MIRRORS(clippingDiffers(), "after the event");
    if (event == Event::UndoTerrain || event == Event::Reload || event == Event::UndoTools)
        QCOMPARE(bench().clipCube.planeState[4], 1);

    // Every plane that is there can still be selected and let go from the page.
    for (int k = 0; k < int(bench().clipCube.planes.size()); ++k) {
        click(page->planeButton(k));
        MIRRORS(clippingDiffers(), "after a click");
    }
    for (int k = 0; k < 6; ++k) {
        if (page->planeButton(k)->isChecked())
            click(page->planeButton(k));
    }
    QVERIFY(!bench().clipCube.anySelected());
    MIRRORS(clippingDiffers(), "after letting go");
}

void PagesMirrorTest::morphogens()
{
    QFETCH(Event, event);
    QtMorphogenWidget* page = tools->morphogenPage;
    tools->tabs()->setCurrentWidget(page);
    MIRRORS(morphogensDiffer(), "before a mesh");

    open(named);
    QCOMPARE(page->tree()->topLevelItemCount(), 3);
    MIRRORS(morphogensDiffer(), "after Open");

    // A row switched on from its check box colours the mesh.
    QTreeWidget* tree = page->tree();
    QTreeWidgetItem* beta = tree->topLevelItem(1);
    const QRect cell = tree->visualRect(tree->model()->index(1, 0));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(beta->checkState(0), Qt::Checked);
    QCOMPARE(bench().steps().back().verb, std::string("morphogens"));
    MIRRORS(morphogensDiffer(), "after a colouring");

    happen(event);
    MIRRORS(morphogensDiffer(), "after the event");
    const bool namesGone = event == Event::Open || event == Event::Terrain;
    QCOMPARE(page->tree()->topLevelItemCount(), namesGone ? 0 : 3);
}

void PagesMirrorTest::faceColours()
{
    QFETCH(Event, event);
    QAction* action = window->faceColoursAction;
    action->trigger();
    QVERIFY(bench().faceColours);
    QCOMPARE(action->isChecked(), bench().faceColours);

    // A new mesh shows its vertex colours.
    open(named);
    QVERIFY(!bench().faceColours);
    QCOMPARE(action->isChecked(), bench().faceColours);
    action->trigger();
    QVERIFY(bench().faceColours);

    happen(event);
    QCOMPARE(action->isChecked(), bench().faceColours);
    const bool vertexColours
        = event == Event::Open || event == Event::Reload || event == Event::Terrain;
    QCOMPARE(bench().faceColours, !vertexColours);

    // Marking shows the faces' colours, colouring by height the vertices'.
    action->trigger();
    QCOMPARE(action->isChecked(), bench().faceColours);
    QtGLWidget* view = window->glView();
    QTest::mouseClick(view, Qt::MiddleButton, {}, view->rect().center());
    QVERIFY(bench().mesh.selected >= 1);
    click(buttonNamed(tools->traversalPage, "Mark Current"));
    QVERIFY(bench().faceColours);
    QVERIFY(action->isChecked());
    click(tools->terrainPage->findChild<QCheckBox*>(QStringLiteral("usestops_check")));
    QVERIFY(!bench().faceColours);
    QVERIFY(!action->isChecked());
}

QTEST_MAIN(PagesMirrorTest)
#include "PagesMirrorTest.moc"
