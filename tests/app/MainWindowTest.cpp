#include "app/ui/QtGLObjectWindow.h"
#include "app/ui/QtMainWindow.h"
#include "app/ui/QtMeshEditorDialogue.h"
#include "refinement/ui/QtMeshSimplifierWidget.h"
#include "refinement/ui/QtMeshSubdivideWidget.h"
#include "viewer/ui/QtGLWidget.h"
#include "viewer/ui/QtLightEditorDialogue.h"
#include "viewer/ui/QtLightSettingsWidget.h"

#include <QAction>
#include <QFrame>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QOpenGLContext>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QUrl>
#include <QtTest>

#include <GL/gl.h>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

const QString cubeFile = QStringLiteral(FACETRA_TEST_DATA "/cube.obj");

// Collects what the code under test prints on standard output.
class StdoutCapture
{
public:
    StdoutCapture()
    {
        file.open();
        std::fflush(stdout);
        saved = ::dup(1);
        ::dup2(file.handle(), 1);
    }
    ~StdoutCapture() { finish(); }
    QString finish()
    {
        if (saved >= 0) {
            std::fflush(stdout);
            ::dup2(saved, 1);
            ::close(saved);
            saved = -1;
        }
        file.seek(0);
        return QString::fromLatin1(file.readAll());
    }

private:
    QTemporaryFile file;
    int saved = -1;
};

// A menu's entries as texts, "|" for a separator.
QStringList entries(const QMenu* menu)
{
    QStringList list;
    for (const QAction* action : menu->actions())
        list << (action->isSeparator() ? QStringLiteral("|") : action->text());
    return list;
}

QMenu* menuTitled(QtMainWindow& window, const QString& title)
{
    for (QAction* action : window.menuBar()->actions())
        if (action->menu() && action->text() == title)
            return action->menu();
    return nullptr;
}

QAction* entry(QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

QString statusText(QtMainWindow& window)
{
    return window.statusBar->currentMessage();
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void menusHaveTheirEntriesOrderAndShortcuts();
    void centralViewGetsTheAskedSize();
    void openingShowsTheCounts();
    void failedOpenKeepsTheMeshAndSaysSo();
    void renderModeEntriesChangeThePicture();
    void projectionToggledTwiceIsOrthographicAgain();
    void cancelledBackgroundColourIsBlack();
    void droppedFileLoads();
    void reloadRestoresTheLoadedMesh();
    void refinementPagesReachTheView();
    void lightingReachesLightZero();
    void savingTheRenderingWritesExactlyThatName();
    void savingTheMeshAppendsObjAndReportsFailure(); // and other formats, Open Recent
    void dialoguesStartInTheDataFolderWhenThereIsOne();
    void toolMenusShowTheDialogues();
    void realMeshFillsTheWorkbench();

private:
    // Opens the cube through File, "Open..."; false when it did not load.
    bool openCube();
    QImage picture();

    QtMainWindow* window = nullptr;
    QtGLWidget* view = nullptr;
};

void MainWindowTest::initTestCase()
{
    // Recent files go to a throw-away settings folder, not the user's.
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("FacetraTest"));
    QOpenGLContext context;
    if (!context.create())
        QSKIP("no OpenGL on this display");
}

void MainWindowTest::init()
{
    window = new QtMainWindow;
    view = window->glView();
    window->resizeView(400, 300);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void MainWindowTest::cleanup()
{
    delete window;
    window = nullptr;
}

bool MainWindowTest::openCube()
{
    window->dialogs.openFileName
        = [](QWidget*, const QString&, const QString&, const QString& filter) {
              return filter.startsWith(QLatin1String("All meshes (*.obj *.net *.ply")) ? cubeFile
                                                                                       : QString();
          };
    window->openfileEvent();
    return view->mesh.numVertices == 8 && view->mesh.numFaces == 12;
}

QImage MainWindowTest::picture()
{
    return view->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
}

void MainWindowTest::menusHaveTheirEntriesOrderAndShortcuts()
{
    QStringList titles;
    for (QAction* action : window->menuBar()->actions())
        titles << (action->isSeparator() ? QStringLiteral("|") : action->text());
    QCOMPARE(titles, QStringList({ "&File", "&View", "&Render Mode", "&Tools", "|" }));

    QMenu* file = menuTitled(*window, QStringLiteral("&File"));
    QCOMPARE(file, window->fileMenu);
    QCOMPARE(entries(file),
        QStringList({ "|", "Open...", "Open Recent", "|", "Save As...", "Save ALL...", "|", "Save Rendering...",
            "|", "Exit" }));
    const QList<std::pair<const char*, QKeySequence>> shortcuts = {
        { "Open...", QKeySequence(QStringLiteral("Ctrl+O")) },
        { "Save As...", QKeySequence(QStringLiteral("Ctrl+S")) },
        { "Save ALL...", QKeySequence(QStringLiteral("Ctrl+A")) },
        { "Save Rendering...", QKeySequence(QStringLiteral("Ctrl+R")) },
        { "Exit", QKeySequence(QStringLiteral("Ctrl+Q")) },
    };
    for (const auto& [text, keys] : shortcuts)
        QCOMPARE(entry(file, QLatin1String(text))->shortcut(), keys);

    QMenu* modes = menuTitled(*window, QStringLiteral("&Render Mode"));
    QCOMPARE(entries(modes),
        QStringList({ "&Bounding Box", "&Points Verts", "&Face Normals", "&Wireframe",
            "&Wireframe + Dotted-HL", "&Wireframe + No-HL", "&Polygons + Wireframe",
            "&Polygons" }));
    QList<int> ids;
    for (QAction* action : modes->actions()) {
        ids << action->data().toInt();
        QVERIFY(action->shortcut().isEmpty());
    }
    QCOMPARE(ids, QList<int>({ 7, 5, 6, 0, 1, 2, 3, 4 }));

    QMenu* viewMenu = menuTitled(*window, QStringLiteral("&View"));
    QCOMPARE(entries(viewMenu),
        QStringList({ "Background Colour", "Toggle Projection (ortho/persp)",
            "Lighting and Shading Editor" }));
    QMenu* tools = menuTitled(*window, QStringLiteral("&Tools"));
    QCOMPARE(entries(tools), QStringList({ "Mesh &Tools", "|" }));
    QCOMPARE(entry(tools, QStringLiteral("Mesh &Tools"))->shortcut(),
        QKeySequence(QStringLiteral("Ctrl+E")));

    for (QMenu* menu : { file, modes, viewMenu, tools })
        QVERIFY(menu->isTearOffEnabled());
    QCOMPARE(window->statusBar->objectName(), QStringLiteral("status"));
    QCOMPARE(window->view->objectName(), QStringLiteral("editor"));
    QCOMPARE(view->objectName(), QStringLiteral("glbox1"));
    QCOMPARE(window->meshEditor->objectName(), QStringLiteral("mesheditor"));
    QCOMPARE(window->lightEditor->objectName(), QStringLiteral("lighteditor"));
}

void MainWindowTest::centralViewGetsTheAskedSize()
{
    QCOMPARE(window->view->size(), QSize(400, 300));
    auto* frame = window->view->findChild<QFrame*>(QStringLiteral("frame1"));
    QVERIFY(frame);
    QCOMPARE(view->parentWidget(), frame);
    QVERIFY(frame->findChild<QLayout*>(QStringLiteral("flayout1")));
    QCOMPARE(window->view->layout()->objectName(), QStringLiteral("blayout"));
    // Frame and margins: 10 around the frame, a 2-pixel panel, 1 inside it.
    QCOMPARE(view->size(), QSize(400 - 2 * 13, 300 - 2 * 13));

    auto* fresh = new QtMainWindow;
    fresh->resizeView(800, 600);
    fresh->show();
    QVERIFY(QTest::qWaitForWindowExposed(fresh));
    QCOMPARE(fresh->view->size(), QSize(800, 600));
    delete fresh;
}

void MainWindowTest::openingShowsTheCounts()
{
    QCOMPARE(statusText(*window), QStringLiteral("Ready"));
    QVERIFY(openCube());
    QCOMPARE(statusText(*window), QStringLiteral(" Verts: 8 Faces: 12"));
    QCOMPARE(window->fileName, cubeFile);
    QCOMPARE(view->mesh.numFaces, 12);

    // The start-up open shows the counts but remembers no name.
    auto* other = new QtMainWindow;
    QVERIFY(other->openFromCommandLine(cubeFile));
    QCOMPARE(statusText(*other), QStringLiteral(" Verts: 8 Faces: 12"));
    QVERIFY(other->fileName.isEmpty());
    delete other;

    // A cancelled question changes nothing.
    window->dialogs.openFileName
        = [](QWidget*, const QString&, const QString&, const QString&) { return QString(); };
    window->openfileEvent();
    QCOMPARE(window->fileName, cubeFile);
}

void MainWindowTest::failedOpenKeepsTheMeshAndSaysSo()
{
    QVERIFY(openCube());
    const QString missing = QStringLiteral("no-such-folder/missing.obj");
    window->dialogs.openFileName
        = [&](QWidget*, const QString&, const QString&, const QString&) { return missing; };
    window->openfileEvent();
    QCOMPARE(view->mesh.numVertices, 8);
    QCOMPARE(view->mesh.numFaces, 12);
    QVERIFY(statusText(*window).contains(missing));
    QVERIFY(!statusText(*window).startsWith(QLatin1String(" Verts:")));
}

void MainWindowTest::renderModeEntriesChangeThePicture()
{
    QVERIFY(openCube());
    QMenu* modes = menuTitled(*window, QStringLiteral("&Render Mode"));
    QMap<int, QImage> pictures;
    for (QAction* action : modes->actions()) {
        action->trigger();
        QCOMPARE(view->renderMode, action->data().toInt());
        pictures[view->renderMode] = picture();
    }
    QVERIFY(pictures[4] != pictures[0]);
    QVERIFY(pictures[4] != pictures[7]);
    QVERIFY(pictures[0] != pictures[5]);
    // Solid polygons cover the middle of the view; a bounding box does not.
    const QPoint middle(pictures[4].width() / 2, pictures[4].height() / 2);
    QVERIFY(pictures[4].pixel(middle) != qRgb(255, 255, 255));
    QCOMPARE(pictures[7].pixel(middle), qRgb(255, 255, 255));

    // An id outside the table keeps the mode.
    window->rendermodeEvent(8);
    QCOMPARE(view->renderMode, 4);
}

void MainWindowTest::projectionToggledTwiceIsOrthographicAgain()
{
    QCOMPARE(view->projectionMode, 1);
    StdoutCapture output;
    window->projectionmodeEvent();
    QCOMPARE(view->projectionMode, 0);
    window->projectionmodeEvent();
    QCOMPARE(output.finish(), QStringLiteral("projectionmode: 0\nprojectionmode: 1\n"));
    QCOMPARE(view->projectionMode, 1);
}

void MainWindowTest::cancelledBackgroundColourIsBlack()
{
    QColor offered;
    window->dialogs.colour = [&offered](const QColor& initial, QWidget*) {
        offered = initial;
        return QColor();
    };
    window->backgroundcolourEvent();
    QCOMPARE(offered, QColor(255, 255, 255));
    QCOMPARE(view->backgroundColour, QColor(0, 0, 0));
    QCOMPARE(picture().pixel(2, 2), qRgb(0, 0, 0));

    window->dialogs.colour = [](const QColor&, QWidget*) { return QColor(10, 200, 30); };
    window->backgroundcolourEvent();
    QCOMPARE(picture().pixel(2, 2), qRgb(10, 200, 30));
}

void MainWindowTest::droppedFileLoads()
{
    auto* data = new QMimeData;
    data->setUrls({ QUrl::fromLocalFile(cubeFile) });
    const QPoint at(view->width() / 2, view->height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    StdoutCapture output;
    QApplication::sendEvent(view, &drop);
    QVERIFY(output.finish().contains(cubeFile + QLatin1Char('\n')));
    QCOMPARE(view->mesh.numFaces, 12);
    QCOMPARE(window->fileName, cubeFile);
    QCOMPARE(statusText(*window), QStringLiteral(" Verts: 8 Faces: 12"));
    delete data;
}

void MainWindowTest::reloadRestoresTheLoadedMesh()
{
    QVERIFY(openCube());
    const Vector first = view->mesh.vertices[0];
    view->mesh.vertices[0] = Vector(5.0f, 6.0f, 7.0f);
    view->meshChanged();
    window->mesheditorEvent();
    QTest::mouseClick(window->meshEditor->reloadButton(), Qt::LeftButton);
    QCOMPARE(view->mesh.numVertices, 8);
    QCOMPARE(view->mesh.vertices[0].x, first.x);
    QCOMPARE(view->mesh.vertices[0].y, first.y);
    QCOMPARE(view->mesh.vertices[0].z, first.z);
}

void MainWindowTest::refinementPagesReachTheView()
{
    QVERIFY(openCube());
    QtMeshEditorDialogue* editor = window->meshEditor;
    window->mesheditorEvent();

    // Subdivide at level 0 sends nothing; level 1 splits every face in four.
    editor->tabs()->setCurrentWidget(editor->subdividePage);
    QTest::mouseClick(editor->applyButton(), Qt::LeftButton);
    QCOMPARE(view->mesh.numFaces, 12);
    editor->subdividePage->subdivlevel_event(1);
    QTest::mouseClick(editor->applyButton(), Qt::LeftButton);
    QCOMPARE(view->mesh.numFaces, 48);
    QCOMPARE(view->mesh.numVertices, 26);
    QCOMPARE(statusText(*window), QStringLiteral(" Verts: 26 Faces: 48"));
    // The new vertices have no colour of their own: shown like a mesh without colours.
    QCOMPARE(view->mesh.vertexColours[25].z, 1.0f);
    QCOMPARE(view->mesh.vertexColours[25].x, 0.75f);

    // Simplify keeps the asked share of the vertices.
    editor->tabs()->setCurrentWidget(editor->simplifyPage);
    editor->simplifyPage->lodEvent(50);
    QTest::mouseClick(editor->applyButton(), Qt::LeftButton);
    QCOMPARE(view->mesh.numVertices, 13);
    QCOMPARE(statusText(*window), QtGLWidget::meshCountsText(view->mesh));

    // Reload brings back the cube as loaded.
    QTest::mouseClick(editor->reloadButton(), Qt::LeftButton);
    QCOMPARE(view->mesh.numVertices, 8);
    QCOMPARE(view->mesh.numFaces, 12);
}

void MainWindowTest::lightingReachesLightZero()
{
    QVERIFY(openCube());
    window->lighteditorEvent();
    QtLightSettingsWidget* page = window->lightEditor->settingsPage();
    page->dialogs.colour = [](const QColor&, QWidget*) { return QColor(255, 0, 0); };
    QList<QPushButton*> changes;
    for (QPushButton* button : page->findChildren<QPushButton*>())
        if (button->text() == QLatin1String("Change"))
            changes << button;
    QCOMPARE(changes.size(), 3);
    QTest::mouseClick(changes[1], Qt::LeftButton);

    auto* altitude = page->findChild<QSlider*>(QStringLiteral("l_altitude_slider"));
    altitude->setSliderDown(true);
    altitude->setSliderPosition(90);
    altitude->setSliderDown(false);

    // From altitude 90 and azimuth 180 the light comes from -x.
    QVERIFY(std::abs(view->lightPosition.x + 1.0f) < 1e-5f);
    QVERIFY(std::abs(view->lightPosition.y) < 1e-5f);
    QVERIFY(std::abs(view->lightPosition.z) < 1e-5f);
    QCOMPARE(view->lightPosition.w, 0.0f);

    picture();
    view->makeCurrent();
    GLfloat ambient[4] = {};
    GLfloat diffuse[4] = {};
    GLfloat position[4] = {};
    glGetLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glGetLightfv(GL_LIGHT0, GL_POSITION, position);
    view->doneCurrent();
    QCOMPARE(ambient[0], 0.5f);
    QCOMPARE(diffuse[0], 1.0f);
    QCOMPARE(diffuse[1], 0.0f);
    QCOMPARE(diffuse[2], 0.0f);
    QCOMPARE(diffuse[3], 1.0f);
    // Eye coordinates: the view has no rotation, so the light still points
    // along x, on the -x side.
    QVERIFY(position[0] < 0.0f);
    QVERIFY(std::abs(position[1]) < 1e-3f * std::abs(position[0]));
    QVERIFY(std::abs(position[2]) < 1e-3f * std::abs(position[0]));
    QCOMPARE(position[3], 0.0f);
}

void MainWindowTest::savingTheRenderingWritesExactlyThatName()
{
    QVERIFY(openCube());
    QTemporaryDir folder;
    const QString name = folder.filePath(QStringLiteral("shot"));
    QString offeredStart;
    window->dialogs.saveFileName
        = [&](QWidget*, const QString&, const QString& start, const QString& filter) {
              offeredStart = start;
              return filter == QLatin1String("*.png") ? name : QString();
          };
    window->saveRenderImageEvent();
    QCOMPARE(offeredStart, QStringLiteral("rendering"));
    QImage saved;
    QVERIFY(saved.load(name, "PNG"));
    QCOMPARE(saved.size(), view->grabRendering().size());
    QVERIFY(!QFile::exists(name + QLatin1String(".png")));

    // A name that cannot be written is reported, not passed over.
    const QString bad = folder.filePath(QStringLiteral("missing-folder/shot.png"));
    window->dialogs.saveFileName
        = [&](QWidget*, const QString&, const QString&, const QString&) { return bad; };
    window->saveRenderImageEvent();
    QVERIFY(statusText(*window).contains(bad));
}

void MainWindowTest::savingTheMeshAppendsObjAndReportsFailure()
{
    QVERIFY(openCube());
    QTemporaryDir folder;
    QString answer = folder.filePath(QStringLiteral("copy"));
    window->dialogs.saveFileName
        = [&](QWidget*, const QString&, const QString&, const QString& filter) {
              return filter.startsWith(QLatin1String("Wavefront OBJ (*.obj);;PLY")) ? answer
                                                                                   : QString();
          };
    window->savefileEvent();
    QCOMPARE(window->fileName, answer);
    QVERIFY(QFile::exists(answer + QLatin1String(".obj")));
    QCOMPARE(statusText(*window), QStringLiteral(" Verts: 8 Faces: 12"));

    // Other formats by their suffix, nothing appended; the copy reads back, and
    // File, "Open Recent" lists it first.
    answer = folder.filePath(QStringLiteral("copy.PLY"));
    window->savefileEvent();
    QVERIFY(!QFile::exists(answer + QLatin1String(".obj")));
    window->dialogs.openFileName = [&](QWidget*, const QString&, const QString&, const QString&) {
        return answer;
    };
    window->openfileEvent();
    QCOMPARE(view->mesh.numFaces, 12);
    QVERIFY(openCube());
    emit window->recentMenu->aboutToShow();
    const QList<QAction*> recent = window->recentMenu->actions();
    QVERIFY(recent.size() >= 2);
    QCOMPARE(recent[1]->text(), QFileInfo(answer).absoluteFilePath());
    view->mesh.clear();
    recent[1]->trigger();
    QCOMPARE(view->mesh.numFaces, 12);

    answer = folder.filePath(QStringLiteral("missing-folder/copy.obj"));
    window->savefileEvent();
    QVERIFY(statusText(*window).contains(answer));
}

void MainWindowTest::dialoguesStartInTheDataFolderWhenThereIsOne()
{
    const QString before = QDir::currentPath();
    QTemporaryDir folder;
    QVERIFY(QDir::setCurrent(folder.path()));
    QStringList starts;
    window->dialogs.openFileName
        = [&](QWidget*, const QString&, const QString& start, const QString&) {
              starts << start;
              return QString();
          };
    window->dialogs.saveFileName = window->dialogs.openFileName;
    window->openfileEvent();
    window->savefileEvent();
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("Data")));
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("data")));
    window->openfileEvent();
    window->savefileEvent();
    QDir::setCurrent(before);
    QCOMPARE(starts,
        QStringList({ QString(), QString(), QDir(folder.path()).filePath(QStringLiteral("Data")),
            QDir(folder.path()).filePath(QStringLiteral("data")) }));
}

void MainWindowTest::toolMenusShowTheDialogues()
{
    QVERIFY(!window->meshEditor->isVisible());
    entry(menuTitled(*window, QStringLiteral("&Tools")), QStringLiteral("Mesh &Tools"))->trigger();
    QVERIFY(window->meshEditor->isVisible());
    QVERIFY(!window->lightEditor->isVisible());
    entry(
        menuTitled(*window, QStringLiteral("&View")), QStringLiteral("Lighting and Shading Editor"))
        ->trigger();
    QVERIFY(window->lightEditor->isVisible());
}

// With FACETRA_SCREENSHOT_DIR set, the window and both dialogues are saved there
// to be looked at; FACETRA_SCREENSHOT_MESH chooses the mesh (spot.obj otherwise).
void MainWindowTest::realMeshFillsTheWorkbench()
{
    QString mesh = qEnvironmentVariable("FACETRA_SCREENSHOT_MESH");
    if (mesh.isEmpty())
        mesh = QStringLiteral(FACETRA_MESH_DIR "/spot.obj");
    if (!QFile::exists(mesh))
        QSKIP("the real meshes are not here");
    window->resizeView(800, 600);
    QVERIFY(window->openFromCommandLine(mesh));
    QVERIFY(statusText(*window).startsWith(QLatin1String(" Verts: ")));
    window->mesheditorEvent();
    window->lighteditorEvent();
    QVERIFY(QTest::qWaitForWindowExposed(window->meshEditor));
    QVERIFY(QTest::qWaitForWindowExposed(window->lightEditor));
    QTest::qWait(100);

    const QImage shot = window->grab().toImage();
    const QImage viewShot = picture();
    QCOMPARE(viewShot.size(), view->size() * view->devicePixelRatio());
    qsizetype covered = 0;
    for (int y = 0; y < viewShot.height(); y += 4)
        for (int x = 0; x < viewShot.width(); x += 4)
            covered += viewShot.pixel(x, y) != qRgb(255, 255, 255);
    // The mesh is fitted to the view: it covers a good part of it.
    QVERIFY(covered * 16 * 20 > qsizetype(viewShot.width()) * viewShot.height());

    const QString folder = qEnvironmentVariable("FACETRA_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        QVERIFY(shot.save(folder + QLatin1String("/workbench.png")));
        QVERIFY(window->meshEditor->grab().save(folder + QLatin1String("/mesh-tools.png")));
        QVERIFY(window->lightEditor->grab().save(folder + QLatin1String("/lighting.png")));
        for (QAction* title : window->menuBar()->actions()) {
            QMenu* menu = title->menu();
            if (!menu)
                continue;
            menu->popup(window->mapToGlobal(QPoint(0, 0)));
            QVERIFY(QTest::qWaitForWindowExposed(menu));
            QVERIFY(menu->grab().save(folder + QLatin1Char('/')
                + menu->title().remove(QLatin1Char('&')) + QLatin1String("-menu.png")));
            menu->hide();
        }
    }
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
