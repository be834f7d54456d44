// The window as a user drives it: files that are no meshes, the counts and the
// title, dialogues, zoom and fit, lighting and lines; menus, dialogues and pages
// reach the view, and what fails is said, never passed over.
#include "app/ui/QtMainWindow.h"
#include "app/ui/QtMeshEditorDialogue.h"
#include "refinement/ui/QtMeshSimplifierWidget.h"
#include "refinement/ui/QtMeshSubdivideWidget.h"
#include "viewer/ui/QtGLWidget.h"
#include "viewer/ui/QtLightEditorDialogue.h"
#include "viewer/ui/QtLightSettingsWidget.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QOpenGLContext>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <QtTest>

#include <GL/gl.h>

#include <cmath>
#include <functional>
#include <sys/stat.h>

namespace {

const QString cubeFile = QStringLiteral(FACETRA_TEST_DATA "/cube.obj");
const QString cubeCounts = QStringLiteral(" Verts: 8 Faces: 12");

// Exit status and error stream of a run; -2 when it blocked.
std::pair<int, QString> run(
    const QString& program, const QStringList& args, const QString& platform = QString())
{
    QProcess process;
    if (!platform.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        process.setProcessEnvironment(env);
    }
    process.start(program, args);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return { -2, {} };
    }
    return { process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError()) };
}

int countPixels(const QImage& image, const std::function<bool(QRgb)>& test)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += test(image.pixel(x, y));
    return count;
}

bool bright(QRgb pixel)
{
    return qGray(pixel) > 200;
}

} // namespace

class FirstUseTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup() { delete window; }

    void withoutOpenGlTheProgramRefusesToStart();
    void grabWritesTheRenderingAndBadArgumentsEndWithStatusOne();
    void nonMeshFilesAreRefusedEverywhere();
    void countsAndTitleFollowLoadReloadToolAndSave();
    void dialogues();
    void zoomFitLightingAndLines();
    void renderModeEntriesShowTheirOwnMode();
    void cancelledOrFailedOpenKeepsTheMeshAndADroppedFileLoads();
    void subdividePageReachesTheViewAndReloadUndoesIt();
    void lightingReachesLightZero();
    void savingWritesTheRightNameAndReportsFailure();

private:
    // Opens name through File, "Open..."; false when the window warned.
    bool open(const QString& name)
    {
        window->dialogs.openFileName = [name](auto, auto, auto, auto) { return name; };
        const qsizetype before = warnings.size();
        window->openfileEvent();
        return warnings.size() == before;
    }
    // The status bar's message, else its permanent counts field.
    QString status() const
    {
        const QString message = window->statusBar->currentMessage();
        return message.isEmpty()
            ? window->statusBar->findChild<QLabel*>(QStringLiteral("counts"))->text()
            : message;
    }
    QImage picture() { return view->grabFramebuffer().convertToFormat(QImage::Format_RGB32); }
    QString file(const QString& name, const QByteArray& content)
    {
        QFile out(folder.filePath(name));
        return out.open(QIODevice::WriteOnly) && out.write(content) == content.size()
            ? out.fileName()
            : QString();
    }

    QtMainWindow* window = nullptr;
    QtGLWidget* view = nullptr;
    QStringList warnings;
    QTemporaryDir folder;
};

void FirstUseTest::initTestCase()
{
    if (!QOpenGLContext().create())
        QSKIP("no OpenGL on this display");
    // Remembered folders and recent files stay out of the user's settings.
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("FacetraTest"));
}

void FirstUseTest::init()
{
    UserDialogs::setCurrentFile(QString());
    window = new QtMainWindow;
    view = window->glView();
    warnings.clear();
    window->dialogs.warning = [this](auto, auto, const QString& text) { warnings << text; };
    window->resizeView(300, 300);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void FirstUseTest::withoutOpenGlTheProgramRefusesToStart()
{
    // The minimal platform has no GL at all, whatever display is around.
    const auto [status, err] = run(QStringLiteral(FACETRA_BIN), { cubeFile }, "minimal");
    QCOMPARE(status, 255);
    QVERIFY2(err.contains(QLatin1String("This system has no OpenGL support. Exiting.")),
        qPrintable(err));
}

void FirstUseTest::grabWritesTheRenderingAndBadArgumentsEndWithStatusOne()
{
    const QString out = folder.filePath(QStringLiteral("grab.png"));
    for (const QString& mode : { QStringLiteral("4"), QStringLiteral("7") }) {
        const auto [status, err] = run(QStringLiteral(FACETRA_BIN),
            { "--grab", out, "--mode", mode, "--size", "640x480", cubeFile });
        QVERIFY2(status == 0, qPrintable(err));
        const QImage image(out);
        QCOMPARE(image.size(), QSize(640, 480));
        // The lit cube covers the middle in polygon mode; the bounding box leaves it empty.
        QCOMPARE(image.pixel(1, 1), qRgb(255, 255, 255));
        QCOMPARE(image.pixel(320, 240) == qRgb(255, 255, 255), mode == QLatin1String("7"));
        QFile::remove(out);
    }
    const QList<QStringList> cases = { { "no-such-mesh.obj" },
        { "--grab", out, "--mode", "9", cubeFile }, { "--grab", out, "--size", "0x10", cubeFile },
        { "--grab", out }, { "--grab", out, "missing.obj" }, { "--grab", out, "picture.png" } };
    for (const QStringList& args : cases) {
        const auto [status, err] = run(QStringLiteral(FACETRA_BIN), args);
        QCOMPARE(status, 1);
        QVERIFY2(
            err.contains(args.size() == 1 ? "ERROR: Opening File: no-such-mesh.obj" : "facetra: "),
            qPrintable(err));
        QVERIFY(!QFile::exists(out));
    }
}

void FirstUseTest::nonMeshFilesAreRefusedEverywhere()
{
    const QString fifo = folder.filePath(QStringLiteral("pipe.obj"));
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("folder.obj")));
    const QString irregular = QStringLiteral(" is not a regular file");
    // path, problem, and whether through the program too (each run starts a window)
    const QList<std::tuple<QString, QString, bool>> cases = {
        { folder.filePath(QStringLiteral("folder.obj")), irregular, false },
        { fifo, irregular, true },
        { QStringLiteral("/dev/zero"), irregular, false },
        { file(QStringLiteral("empty.obj"), ""), QStringLiteral(" holds no faces"), true },
        { file(QStringLiteral("note.obj"), "a note\nv 0 0 0\n"), QStringLiteral(" holds no faces"),
            false },
        { file(QStringLiteral("picture.obj"), QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)),
            QStringLiteral(" is not a text mesh file"), true },
    };
    QVERIFY(open(cubeFile));
    const QString png = folder.filePath(QStringLiteral("out.png"));
    for (const auto& [path, problem, throughProgram] : cases) {
        const QString message = path + problem;
        QVERIFY(!open(path));
        QVERIFY2(warnings.last().contains(message), qPrintable(warnings.last()));
        QCOMPARE(window->statusBar->currentMessage(), message);
        QCOMPARE(view->mesh.numFaces, 12);
        QCOMPARE(view->backupMesh.numFaces, 12);
        QCOMPARE(window->windowTitle(), QStringLiteral("cube.obj - Facetra V2.0"));
        for (const QStringList& args :
            { QStringList { path }, QStringList { QStringLiteral("--grab"), png, path } }) {
            if (!throughProgram)
                break;
            const auto [status, err] = run(QStringLiteral(FACETRA_BIN), args);
            QCOMPARE(status, 1);
            QVERIFY2(err.contains(message), qPrintable(err));
        }
        const auto [status, err]
            = run(QStringLiteral(FACETRA_CLI), { QStringLiteral("info"), path });
        QCOMPARE(status, 1);
        QVERIFY2(err.contains(message), qPrintable(err));
        QVERIFY(!QFile::exists(png));
    }
}

void FirstUseTest::countsAndTitleFollowLoadReloadToolAndSave()
{
    auto* counts = window->statusBar->findChild<QLabel*>(QStringLiteral("counts"));
    QtMeshSimplifierWidget* page = window->meshEditor->simplifyPage;
    const auto expect = [&](int vertices, const char* title) {
        picture(); // a frame between, as the user would see
        QCOMPARE(counts->text(), QtGLWidget::meshCountsText(view->mesh));
        QCOMPARE(view->mesh.numVertices, vertices);
        QCOMPARE(window->windowTitle(), QLatin1String(title));
    };
    expect(0, "Facetra V2.0");
    QVERIFY(open(cubeFile));
    window->statusBar->showMessage(QStringLiteral("a menu hint"));
    expect(8, "cube.obj - Facetra V2.0");
    page->lodEvent(50);
    page->apply();
    expect(4, "cube.obj* - Facetra V2.0");
    emit window->meshEditor->reset_signal();
    expect(8, "cube.obj - Facetra V2.0");
    page->apply();
    const QString saved = folder.filePath(QStringLiteral("half.obj"));
    window->dialogs.saveFileName = [saved](auto, auto, auto, auto) { return saved; };
    window->savefileEvent();
    expect(4, "half.obj - Facetra V2.0");
    // Reload brings back the cube, which is not what half.obj holds.
    emit window->meshEditor->reset_signal();
    expect(8, "half.obj* - Facetra V2.0");
}

void FirstUseTest::dialogues()
{
    // Cancelled colour dialogues change nothing and send nothing.
    QtLightSettingsWidget* lighting = window->lightEditor->settingsPage();
    lighting->dialogs.colour = window->dialogs.colour = [](auto, auto) { return QColor(); };
    QSignalSpy sent(lighting, &QtLightSettingsWidget::light_colour_signal);
    for (QPushButton* button : lighting->findChildren<QPushButton*>())
        if (button->text() == QLatin1String("Change"))
            QTest::mouseClick(button, Qt::LeftButton);
    window->backgroundcolourEvent();
    QCOMPARE(sent.count(), 0);
    QCOMPARE(QList<QColor>({ lighting->ambientColour, lighting->diffuseColour,
                 lighting->specularColour, view->backgroundColour }),
        QList<QColor>({ QColor(127, 127, 127), QColor(31, 31, 31), Qt::black, Qt::white }));

    // Level 0 removes everything and is sent only after a yes.
    QtMeshSimplifierWidget* page = window->meshEditor->simplifyPage;
    QSignalSpy simplified(page, &QtMeshSimplifierWidget::simplifySignal);
    QStringList asked;
    page->dialogs.confirm = [&](auto, auto, const QString& question) {
        asked << question;
        return asked.size() > 1;
    };
    page->lodEvent(0);
    page->apply();
    page->apply();
    QCOMPARE(simplified.count(), 1);
    QCOMPARE(asked, QStringList(2, QStringLiteral("Remove every vertex and face?")));

    // Start folders: home, then the last one chosen, then the current mesh's.
    QSettings(QSettings::UserScope, QStringLiteral("facetra"), QStringLiteral("facetra")).clear();
    QCOMPARE(UserDialogs::startPath(QString()), QDir::homePath());
    UserDialogs::rememberChoice(folder.filePath(QStringLiteral("a.obj")));
    QCOMPARE(UserDialogs::startPath(QString()), folder.path());
    QVERIFY(open(cubeFile));
    const QString meshFolder = QFileInfo(cubeFile).absolutePath();
    for (const auto& [suggested, start] : QList<std::pair<QString, QString>> {
             { QString(), meshFolder }, { QStringLiteral("\\Data"), meshFolder },
             { QStringLiteral("Data/Heightmaps/"), meshFolder },
             { QStringLiteral("rendering"), meshFolder + QStringLiteral("/rendering") },
             { folder.path(), folder.path() } })
        QCOMPARE(UserDialogs::startPath(suggested), start);

    // Listing a folder of devices opens none of them, so the dialogue answers.
    QTimer::singleShot(500, [] { qobject_cast<QDialog*>(qApp->activeModalWidget())->reject(); });
    QVERIFY(UserDialogs::askOpenFileName(window, {}, QStringLiteral("/dev"), {}).isEmpty());
}

void FirstUseTest::zoomFitLightingAndLines()
{
    QVERIFY(open(cubeFile));
    const QPoint middle(view->width() / 2, view->height() / 2);
    const QColor outward = picture().pixelColor(middle);
    QAction* fit = nullptr;
    for (QAction* action : window->findChildren<QAction*>())
        fit = action->text() == QLatin1String("Fit View") ? action : fit;
    QVERIFY(fit);
    const auto covered = [](const QImage& image) {
        return countPixels(image, [&](QRgb p) { return p != image.pixel(0, 0); });
    };
    for (int projection : { 1, 0 }) {
        view->setProjectionMode(projection);
        view->fitView();
        const QImage start = picture();
        const float distance = view->viewDistance;
        QWheelEvent wheel(QPointF(middle), QPointF(), {}, QPoint(0, 240), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &wheel);
        // Two notches forward: a fifth nearer, the cube covers more.
        QCOMPARE(view->viewDistance, distance * (projection == 1 ? 1.21f : 1 / 1.21f));
        QVERIFY(covered(picture()) > covered(start) * 1.1);
        view->arcBall.click(Vector(150, 150, 0));
        view->arcBall.drag(Vector(220, 120, 0));
        QVERIFY(picture() != start);
        fit->trigger();
        QCOMPARE(picture(), start);
    }

    // The cube wound inward is lit as the cube wound outward.
    QFile cube(cubeFile);
    QVERIFY(cube.open(QIODevice::ReadOnly));
    QByteArray inward;
    for (const QByteArray& line : cube.readAll().split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        inward += (f[0] == "f" ? "f " + f[1] + ' ' + f[3] + ' ' + f[2] : line) + '\n';
    }
    QVERIFY(open(file(QStringLiteral("inward.obj"), inward)));
    const QColor lit = picture().pixelColor(middle);
    QVERIFY2(std::abs(lit.red() - outward.red()) <= 2 && std::abs(lit.blue() - outward.blue()) <= 2,
        qPrintable(lit.name() + QLatin1Char(' ') + outward.name()));

    // Outlines and points come out white on a dark background.
    window->dialogs.colour = [](auto, auto) { return QColor(20, 30, 60); };
    window->backgroundcolourEvent();
    for (int mode : { 0, 1, 2, 3, 5, 6 }) {
        window->rendermodeEvent(mode);
        QVERIFY2(countPixels(picture(), bright) > 20, qPrintable(QString::number(mode)));
    }
}

void FirstUseTest::renderModeEntriesShowTheirOwnMode()
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

void FirstUseTest::cancelledOrFailedOpenKeepsTheMeshAndADroppedFileLoads()
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

void FirstUseTest::subdividePageReachesTheViewAndReloadUndoesIt()
{
    QVERIFY(open(cubeFile));
    QtMeshEditorDialogue* editor = window->meshEditor;
    window->mesheditorEvent();
    // Level 1 splits every face in four.
    editor->tabs()->setCurrentWidget(editor->subdividePage);
    editor->subdividePage->subdivlevel_event(1);
    QTest::mouseClick(editor->applyButton(), Qt::LeftButton);
    QCOMPARE(status(), QStringLiteral(" Verts: 26 Faces: 48"));
    // The new vertices have no colour of their own: shown like a mesh without colours.
    QCOMPARE(view->mesh.vertexColours[25], Vector(0.75f, 0.75f, 1.0f));
    QTest::mouseClick(editor->reloadButton(), Qt::LeftButton);
    QCOMPARE(view->mesh.numFaces, 12);
}

void FirstUseTest::lightingReachesLightZero()
{
    QVERIFY(open(cubeFile));
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
void FirstUseTest::savingWritesTheRightNameAndReportsFailure()
{
    QVERIFY(open(cubeFile));
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
    QVERIFY(open(cubeFile));
    emit window->recentMenu->aboutToShow();
    const QList<QAction*> recent = window->recentMenu->actions();
    QVERIFY(recent.size() >= 2);
    QCOMPARE(recent[1]->text(), QFileInfo(answer).absoluteFilePath());
    view->mesh.clear();
    recent[1]->trigger();
    QCOMPARE(view->mesh.numFaces, 12);
}

QTEST_MAIN(FirstUseTest)
#include "FirstUseTest.moc"
