#include "app/ui/QtMainWindow.h"
#include "app/ui/QtMeshEditorDialogue.h"
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
    void cleanup() { delete window; }

    void renderModeEntriesShowTheirOwnMode();
    void cancelledOrFailedOpenKeepsTheMeshAndADroppedFileLoads();
    void subdividePageReachesTheViewAndReloadUndoesIt();
    void lightingReachesLightZero();
    void savingWritesTheRightNameAndReportsFailure();

private:
    // Opens the cube through File, "Open..."; false when it did not load.
    bool openCube()
    {
        window->dialogs.openFileName = [](auto, auto, auto, auto) { return cubeFile; };
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
    window->dialogs.warning = [](auto, auto, auto) {};
    window->resizeView(400, 300);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}


void MainWindowTest::renderModeEntriesShowTheirOwnMode()
{
    QList<int> ids;
    for (QAction* title : window->menuBar()->actions())
        if (title->text() == QLatin1String("&Render Mode"))
            for (QAction* action : title->menu()->actions()) {
                ids << action->data().toInt();
                action->trigger();
                QCOMPARE(view->renderMode, ids.back());
            }
    QCOMPARE(ids, QList<int>({ 7, 5, 6, 0, 1, 2, 3, 4 }));
    window->rendermodeEvent(8); // outside the table: the mode stays
    QCOMPARE(view->renderMode, 4);
}

void MainWindowTest::cancelledOrFailedOpenKeepsTheMeshAndADroppedFileLoads()
{
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(cubeFile) });
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &drop);
    QCOMPARE(status(), cubeCounts);
    for (const QString& answer : { QString(), QStringLiteral("no-such-folder/missing.obj") }) {
        window->dialogs.openFileName = [&](auto, auto, auto, auto) { return answer; };
        window->openfileEvent();
        QCOMPARE(view->mesh.numFaces, 12);
        if (answer.isEmpty())
            QCOMPARE(window->fileName, cubeFile);
    }
    QVERIFY(status().contains(QStringLiteral("no-such-folder/missing.obj")));
}

void MainWindowTest::subdividePageReachesTheViewAndReloadUndoesIt()
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

// The rendering is written under exactly the name given, the mesh with ".obj" appended
// unless the name asks for another format; a name that cannot be written is reported.
void MainWindowTest::savingWritesTheRightNameAndReportsFailure()
{
    QVERIFY(openCube());
    QTemporaryDir folder;
    QString answer, offered;
    window->dialogs.saveFileName = [&](auto, auto, const QString& start, const QString& filter) {
        offered = start + QLatin1Char('|') + filter;
        return answer;
    };
    answer = folder.filePath(QStringLiteral("shot"));
    window->saveRenderImageEvent();
    QVERIFY(offered.startsWith(QLatin1String("rendering|")));
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

    // Another format, by suffix; it opens again and Open Recent lists it.
    answer = folder.filePath(QStringLiteral("copy.PLY"));
    window->savefileEvent();
    QVERIFY(offered.contains(QLatin1String("|Wavefront OBJ (*.obj);;PLY (*.ply)")));
    QVERIFY(QFile::exists(answer) && !QFile::exists(answer + QLatin1String(".obj")));
    window->dialogs.openFileName = [&](auto, auto, auto, const QString& filter) {
        offered = filter;
        return answer;
    };
    window->openfileEvent();
    QVERIFY(offered.startsWith(QLatin1String("All meshes (*.obj *.net *.ply *.stl *.off *.gts")));
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
