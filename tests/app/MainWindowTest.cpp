#include "app/ui/QtMainWindow.h"
#include "app/ui/QtMeshEditorDialogue.h"
#include "refinement/ui/QtMeshSimplifierWidget.h"
#include "refinement/ui/QtMeshSubdivideWidget.h"
#include "viewer/ui/QtGLWidget.h"
#include "viewer/ui/QtLightEditorDialogue.h"
#include "viewer/ui/QtLightSettingsWidget.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QOpenGLContext>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <GL/gl.h>

#include <cmath>

namespace {

const QString cubeFile = QStringLiteral(FACETRA_TEST_DATA "/cube.obj");
const QString cubeCounts = QStringLiteral(" Verts: 8 Faces: 12");

} // namespace

// The shell's routing end to end: menus, dialogues and pages reach the view,
// and what fails is said in the status bar, never passed over.
class MainWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void renderModeEntriesShowTheirOwnModeAndFileShortcutsHold();
    void openShowsTheCountsAndAFailedOrCancelledOpenKeepsTheMesh();
    void cancelledBackgroundColourChangesNothing();
    void droppedFileLoads();
    void refinementPagesReachTheViewAndReloadUndoesThem();
    void lightingReachesLightZero();
    void savingWritesTheRightNameAndReportsFailure();
    void otherFormatsAreWrittenBySuffixAndOpenRecentListsThem();

private:
    // Opens the cube through File, "Open..."; false when it did not load.
    bool openCube()
    {
        window->dialogs.openFileName
            = [](QWidget*, const QString&, const QString&, const QString&) { return cubeFile; };
        window->openfileEvent();
        return view->mesh.numVertices == 8 && view->mesh.numFaces == 12;
    }
    // The status bar's message, else its permanent counts field.
    QString status() const
    {
        const QString message = window->statusBar->currentMessage();
        return message.isEmpty()
            ? window->statusBar->findChild<QLabel*>(QStringLiteral("counts"))->text()
            : message;
    }

    QtMainWindow* window = nullptr;
    QtGLWidget* view = nullptr;
};

void MainWindowTest::initTestCase()
{
    // Recent files go to a throw-away settings folder, not the user's.
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("FacetraTest"));
    if (!QOpenGLContext().create())
        QSKIP("no OpenGL on this display");
}

void MainWindowTest::init()
{
    window = new QtMainWindow;
    view = window->glView();
    window->dialogs.warning = [](QWidget*, const QString&, const QString&) {};
    window->resizeView(400, 300);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void MainWindowTest::cleanup()
{
    delete window;
}

void MainWindowTest::renderModeEntriesShowTheirOwnModeAndFileShortcutsHold()
{
    QStringList keys;
    QList<int> ids;
    for (QAction* title : window->menuBar()->actions()) {
        if (title->text() != QLatin1String("&Render Mode"))
            continue;
        for (QAction* action : title->menu()->actions()) {
            ids << action->data().toInt();
            action->trigger();
            QCOMPARE(view->renderMode, ids.back());
        }
    }
    QCOMPARE(ids, QList<int>({ 7, 5, 6, 0, 1, 2, 3, 4 }));
    window->rendermodeEvent(8); // outside the table: the mode stays
    QCOMPARE(view->renderMode, 4);
    for (QAction* action : window->fileMenu->actions())
        if (!action->isSeparator())
            keys << action->text() + QLatin1Char(' ') + action->shortcut().toString();
    QCOMPARE(keys,
        QStringList({ "Open... Ctrl+O", "Open Recent ", "Save As... Ctrl+S", "Save ALL... Ctrl+A",
            "Save Rendering... Ctrl+R", "Exit Ctrl+Q" }));
    // Face Colours switches and Fit View has its key.
    for (QAction* title : window->menuBar()->actions()) {
        if (title->text() != QLatin1String("&View"))
            continue;
        const QList<QAction*> entries = title->menu()->actions();
        QVERIFY(entries.size() >= 5);
        QCOMPARE(entries[3]->text(), QStringLiteral("Face Colours"));
        QVERIFY(entries[3]->isCheckable());
        QCOMPARE(entries[4]->shortcut(), QKeySequence(Qt::Key_F));
    }
}

void MainWindowTest::openShowsTheCountsAndAFailedOrCancelledOpenKeepsTheMesh()
{
    QCOMPARE(status(), QStringLiteral("Ready"));
    QVERIFY(openCube());
    QCOMPARE(status(), cubeCounts);
    QCOMPARE(window->fileName, cubeFile);
    // Cancelled, nothing changes; failed, the mesh stays and the status says why.
    for (const QString& answer : { QString(), QStringLiteral("no-such-folder/missing.obj") }) {
        window->dialogs.openFileName
            = [&](QWidget*, const QString&, const QString&, const QString&) { return answer; };
        window->openfileEvent();
        QCOMPARE(view->mesh.numFaces, 12);
        if (answer.isEmpty())
            QCOMPARE(window->fileName, cubeFile);
    }
    QVERIFY(status().contains(QStringLiteral("no-such-folder/missing.obj")));
}

void MainWindowTest::cancelledBackgroundColourChangesNothing()
{
    QColor offered;
    window->dialogs.colour = [&offered](const QColor& initial, QWidget*) {
        offered = initial;
        return QColor();
    };
    window->backgroundcolourEvent();
    QCOMPARE(offered, QColor(255, 255, 255));
    QCOMPARE(view->grabFramebuffer().pixel(2, 2), qRgb(255, 255, 255));
}

void MainWindowTest::droppedFileLoads()
{
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(cubeFile) });
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &drop);
    QCOMPARE(window->fileName, cubeFile);
    QCOMPARE(status(), cubeCounts);
}

void MainWindowTest::refinementPagesReachTheViewAndReloadUndoesThem()
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
    QCOMPARE(status(), QStringLiteral(" Verts: 26 Faces: 48"));
    // The new vertices have no colour of their own: shown like a mesh without colours.
    QCOMPARE(view->mesh.vertexColours[25], Vector(0.75f, 0.75f, 1.0f));
    // Simplify keeps the asked share of the vertices.
    editor->tabs()->setCurrentWidget(editor->simplifyPage);
    editor->simplifyPage->lodEvent(50);
    QTest::mouseClick(editor->applyButton(), Qt::LeftButton);
    QCOMPARE(view->mesh.numVertices, 13);
    QCOMPARE(status(), QtGLWidget::meshCountsText(view->mesh));
    QTest::mouseClick(editor->reloadButton(), Qt::LeftButton);
    QCOMPARE(view->mesh.numFaces, 12);
    QCOMPARE(view->mesh.vertices[0], Vector(-1.0f, -1.0f, -1.0f));
}

void MainWindowTest::lightingReachesLightZero()
{
    QVERIFY(openCube());
    window->lighteditorEvent();
    QtLightSettingsWidget* page = window->lightEditor->settingsPage();
    page->dialogs.colour = [](const QColor&, QWidget*) { return QColor(255, 0, 0); };
    for (QPushButton* button : page->findChildren<QPushButton*>())
        if (button->text() == QLatin1String("Change"))
            button->click(); // all three terms red
    auto* altitude = page->findChild<QSlider*>(QStringLiteral("l_altitude_slider"));
    altitude->setSliderDown(true);
    altitude->setSliderPosition(90);
    altitude->setSliderDown(false);

    view->grabFramebuffer();
    view->makeCurrent();
    GLfloat ambient[4] = {}, diffuse[4] = {}, position[4] = {};
    glGetLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glGetLightfv(GL_LIGHT0, GL_POSITION, position);
    view->doneCurrent();
    QCOMPARE(QList<float>(diffuse, diffuse + 4), QList<float>({ 1.0f, 0.0f, 0.0f, 1.0f }));
    QCOMPARE(ambient[1], 0.0f);
    // From altitude 90 and azimuth 180 the light comes from -x; the view has no rotation,
    // so in eye coordinates too.
    QVERIFY(position[0] < 0.0f && position[3] == 0.0f);
    QVERIFY(std::abs(position[1]) + std::abs(position[2]) < 1e-3f * std::abs(position[0]));
}

// The rendering is written under exactly the name given, the mesh with ".obj"
// appended; a name that cannot be written is reported.
void MainWindowTest::savingWritesTheRightNameAndReportsFailure()
{
    QVERIFY(openCube());
    QTemporaryDir folder;
    QString answer, offeredStart;
    window->dialogs.saveFileName
        = [&](QWidget*, const QString&, const QString& start, const QString&) {
              offeredStart = start;
              return answer;
          };
    answer = folder.filePath(QStringLiteral("shot"));
    window->saveRenderImageEvent();
    QCOMPARE(offeredStart, QStringLiteral("rendering"));
    QCOMPARE(QImage(answer, "PNG").size(), view->grabRendering().size());
    answer = folder.filePath(QStringLiteral("copy"));
    window->savefileEvent();
    QVERIFY(QFile::exists(answer + QLatin1String(".obj")));
    QCOMPARE(status(), cubeCounts);
    for (auto save : { &QtMainWindow::saveRenderImageEvent, &QtMainWindow::savefileEvent }) {
        answer = folder.filePath(QStringLiteral("missing-folder/copy.obj"));
        window->statusBar->clearMessage();
        (window->*save)();
        QVERIFY(status().contains(answer));
    }
}

void MainWindowTest::otherFormatsAreWrittenBySuffixAndOpenRecentListsThem()
{
    QVERIFY(openCube());
    QTemporaryDir folder;
    const QString answer = folder.filePath(QStringLiteral("copy.PLY"));
    QString filter;
    window->dialogs.saveFileName = [&](QWidget*, const QString&, const QString&, const QString& f) {
        filter = f;
        return answer;
    };
    window->savefileEvent();
    QVERIFY(filter.startsWith(QLatin1String("Wavefront OBJ (*.obj);;PLY (*.ply)")));
    QVERIFY(QFile::exists(answer) && !QFile::exists(answer + QLatin1String(".obj")));
    window->dialogs.openFileName = [&](QWidget*, const QString&, const QString&, const QString& f) {
        filter = f;
        return answer;
    };
    window->openfileEvent();
    QVERIFY(filter.startsWith(QLatin1String("All meshes (*.obj *.net *.ply *.stl *.off *.gts")));
    QCOMPARE(view->mesh.numFaces, 12);
    QVERIFY(openCube());
    emit window->recentMenu->aboutToShow();
    const QList<QAction*> recent = window->recentMenu->actions();
    QVERIFY(recent.size() >= 2);
    QCOMPARE(recent[1]->text(), QFileInfo(answer).absoluteFilePath());
    view->mesh.clear();
    recent[1]->trigger();
    QCOMPARE(view->mesh.numFaces, 12);
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
