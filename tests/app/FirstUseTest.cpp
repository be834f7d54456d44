// What a new user meets in the first minutes: files that are no meshes, the
// counts and the title, cancelled dialogues, zoom and fit, lighting and lines.
#include "app/ui/QtMainWindow.h"
#include "app/ui/QtMeshEditorDialogue.h"
#include "refinement/ui/QtMeshSimplifierWidget.h"
#include "viewer/ui/QtGLWidget.h"
#include "viewer/ui/QtLightEditorDialogue.h"
#include "viewer/ui/QtLightSettingsWidget.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QOpenGLContext>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest>

#include <cmath>
#include <cstdlib>
#include <sys/stat.h>

namespace {

const QString cubeFile = QStringLiteral(FACETRA_TEST_DATA "/cube.obj");

struct Run
{
    int status = -2;
    QString err;
};

// Runs a program to its end; status -2 when it had to be killed (it blocked).
Run run(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    Run result;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -3;
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray pngBytes()
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// The cube with every face wound the other way round: its normals point inward.
QByteArray inwardCube()
{
    QFile file(cubeFile);
    file.open(QIODevice::ReadOnly);
    QByteArray out;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() == 4 && parts[0] == "f")
            out += "f " + parts[1] + ' ' + parts[3] + ' ' + parts[2] + '\n';
        else
            out += line + '\n';
    }
    return out;
}

int brightPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qGray(image.pixel(x, y)) > 200;
    return count;
}

int nonBackground(const QImage& image)
{
    const QRgb background = image.pixel(0, 0);
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) != background;
    return count;
}

} // namespace

class FirstUseTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void specialPathsAndNonMeshFilesAreRefused();
    void countsAndTitleFollowLoadReloadToolAndSave();
    void cancelledAndConfirmedDialogues();
    void wheelZoomAndFitViewChangeThePicture();
    void inwardWoundMeshIsLitAndLinesShowOnDark();
    void dialoguesStartWhereTheUserIsAndNeverBlock();

private:
    bool open(const QString& name);
    QImage picture();

    QtMainWindow* window = nullptr;
    QtGLWidget* view = nullptr;
    QStringList warnings;
    QTemporaryDir folder;
};

void FirstUseTest::initTestCase()
{
    if (!QOpenGLContext().create())
        QSKIP("no OpenGL on this display");
    // Remembered folders go to a test-only settings file.
    QStandardPaths::setTestModeEnabled(true);
}

void FirstUseTest::init()
{
    UserDialogs::setCurrentFile(QString());
    window = new QtMainWindow;
    view = window->glView();
    warnings.clear();
    window->dialogs.warning
        = [this](QWidget*, const QString&, const QString& text) { warnings << text; };
    window->resizeView(300, 300);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void FirstUseTest::cleanup()
{
    delete window;
    window = nullptr;
}

bool FirstUseTest::open(const QString& name)
{
    window->dialogs.openFileName
        = [name](QWidget*, const QString&, const QString&, const QString&) { return name; };
    const int before = warnings.size();
    window->openfileEvent();
    return warnings.size() == before;
}

QImage FirstUseTest::picture()
{
    return view->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
}

void FirstUseTest::specialPathsAndNonMeshFilesAreRefused()
{
    const QString fifo = folder.filePath(QStringLiteral("pipe.obj"));
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    const QString dir = folder.filePath(QStringLiteral("folder.obj"));
    QVERIFY(QDir().mkdir(dir));
    const struct
    {
        QString path;
        QByteArray content; // written unless empty and the path exists
        QString problem;
        bool throughProcesses;
    } cases[] = {
        { dir, {}, QStringLiteral(" is not a regular file"), true },
        { fifo, {}, QStringLiteral(" is not a regular file"), true },
        { QStringLiteral("/dev/zero"), {}, QStringLiteral(" is not a regular file"), false },
        { folder.filePath(QStringLiteral("empty.obj")), "", QStringLiteral(" holds no faces"),
            true },
        { folder.filePath(QStringLiteral("note.obj")), "a note, not a mesh\nv 0 0 0\n",
            QStringLiteral(" holds no faces"), false },
        { folder.filePath(QStringLiteral("picture.obj")), pngBytes(),
            QStringLiteral(" is not a text mesh file"), true },
    };
    QVERIFY(open(cubeFile));
    const QString title = window->windowTitle();
    for (const auto& c : cases) {
        if (!QFileInfo::exists(c.path) || QFileInfo(c.path).isFile())
            QVERIFY(writeFile(c.path, c.content));
        const QString message = c.path + c.problem;
        // The window keeps the mesh and its name, and says why.
        QVERIFY2(!open(c.path), qPrintable(c.path));
        QVERIFY2(warnings.last().contains(message), qPrintable(warnings.last()));
        QCOMPARE(view->mesh.numFaces, 12);
        QCOMPARE(view->backupMesh.numFaces, 12);
        QCOMPARE(window->windowTitle(), title);
        QCOMPARE(window->statusBar->currentMessage(), message);

        const Run cli = run(QStringLiteral(FACETRA_CLI), { QStringLiteral("info"), c.path });
        QCOMPARE(cli.status, 1);
        QVERIFY2(cli.err.contains(message), qPrintable(cli.err));
        if (!c.throughProcesses)
            continue;
        const Run start = run(QStringLiteral(FACETRA_BIN), { c.path });
        QCOMPARE(start.status, 1);
        QVERIFY2(start.err.contains(message), qPrintable(start.err));
        const QString png = folder.filePath(QStringLiteral("out.png"));
        const Run grab
            = run(QStringLiteral(FACETRA_BIN), { QStringLiteral("--grab"), png, c.path });
        QCOMPARE(grab.status, 1);
        QVERIFY2(grab.err.contains(message), qPrintable(grab.err));
        QVERIFY(!QFile::exists(png));
    }
}

void FirstUseTest::countsAndTitleFollowLoadReloadToolAndSave()
{
    auto* counts = window->statusBar->findChild<QLabel*>(QStringLiteral("counts"));
    QVERIFY(counts);
    QCOMPARE(window->windowTitle(), QStringLiteral("Facetra V2.0"));
    QVERIFY(open(cubeFile));
    QCOMPARE(counts->text(), QStringLiteral(" Verts: 8 Faces: 12"));
    QCOMPARE(window->windowTitle(), QStringLiteral("cube.obj - Facetra V2.0"));
    // A menu hint takes the message, never the counts.
    window->statusBar->showMessage(QStringLiteral("a menu hint"));
    QCOMPARE(counts->text(), QStringLiteral(" Verts: 8 Faces: 12"));

    QtMeshSimplifierWidget* page = window->meshEditor->simplifyPage;
    page->lodEvent(50);
    page->apply();
    QCOMPARE(counts->text(), QStringLiteral(" Verts: 4 Faces: %1").arg(view->mesh.numFaces));
    QCOMPARE(window->windowTitle(), QStringLiteral("cube.obj* - Facetra V2.0"));
    emit window->meshEditor->reset_signal();
    QCOMPARE(counts->text(), QStringLiteral(" Verts: 8 Faces: 12"));
    QCOMPARE(window->windowTitle(), QStringLiteral("cube.obj - Facetra V2.0"));

    page->apply();
    const QString saved = folder.filePath(QStringLiteral("half.obj"));
    window->dialogs.saveFileName
        = [saved](QWidget*, const QString&, const QString&, const QString&) { return saved; };
    window->savefileEvent();
    QCOMPARE(window->windowTitle(), QStringLiteral("half.obj - Facetra V2.0"));
    // Reload brings back the cube, which is not what half.obj holds.
    emit window->meshEditor->reset_signal();
    QCOMPARE(window->windowTitle(), QStringLiteral("half.obj* - Facetra V2.0"));
}

void FirstUseTest::cancelledAndConfirmedDialogues()
{
    QtLightSettingsWidget* lighting = window->lightEditor->settingsPage();
    lighting->dialogs.colour = [](const QColor&, QWidget*) { return QColor(); };
    QSignalSpy sent(lighting, &QtLightSettingsWidget::light_colour_signal);
    int changes = 0;
    for (QPushButton* button : lighting->findChildren<QPushButton*>()) {
        if (button->text() != QLatin1String("Change"))
            continue;
        ++changes;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QCOMPARE(changes, 3);
    QCOMPARE(sent.count(), 0);
    QCOMPARE(lighting->ambientColour, QColor(127, 127, 127));
    QCOMPARE(lighting->diffuseColour, QColor(31, 31, 31));
    QCOMPARE(lighting->specularColour, QColor(0, 0, 0));

    // Level 0 removes everything, so it asks first; only a yes sends it.
    QtMeshSimplifierWidget* page = window->meshEditor->simplifyPage;
    QSignalSpy simplified(page, &QtMeshSimplifierWidget::simplifySignal);
    QStringList questions;
    bool answer = false;
    page->dialogs.confirm = [&](QWidget*, const QString&, const QString& question) {
        questions << question;
        return answer;
    };
    page->lodEvent(0);
    page->apply();
    QCOMPARE(simplified.count(), 0);
    answer = true;
    page->apply();
    QCOMPARE(simplified.count(), 1);
    QCOMPARE(questions, QStringList(2, QStringLiteral("Remove every vertex and face?")));
    page->lodEvent(10);
    page->apply();
    QCOMPARE(questions.size(), 2);
}

void FirstUseTest::wheelZoomAndFitViewChangeThePicture()
{
    QVERIFY(open(cubeFile));
    const QImage fitted = picture();
    const QPointF centre(view->width() / 2.0, view->height() / 2.0);
    QAction* fitAction = nullptr;
    for (QAction* action : window->findChildren<QAction*>())
        if (action->text() == QLatin1String("Fit View"))
            fitAction = action;
    QVERIFY(fitAction);
    for (int projection : { 1, 0 }) {
        view->setProjectionMode(projection);
        view->fitView();
        const QImage start = picture();
        const float distance = view->viewDistance;
        QWheelEvent wheel(centre, view->mapToGlobal(centre), QPoint(), QPoint(0, 240), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &wheel);
        const float factor = projection == 1 ? 1.21f : 1.0f / 1.21f;
        QVERIFY(std::fabs(view->viewDistance - distance * factor) < 1e-3f);
        // Two notches forward: closer, so the cube covers more of the view.
        QVERIFY(nonBackground(picture()) > nonBackground(start) * 1.1);
        // Turned and zoomed, Fit View brings back the start picture.
        view->arcBall.click(Vector(150, 150, 0));
        view->arcBall.drag(Vector(220, 120, 0));
        view->arcBall.release();
        QVERIFY(picture() != start);
        fitAction->trigger();
        QCOMPARE(picture(), start);
    }
    view->setProjectionMode(1);
    view->fitView();
    QCOMPARE(picture(), fitted);
}

void FirstUseTest::inwardWoundMeshIsLitAndLinesShowOnDark()
{
    QVERIFY(open(cubeFile));
    const QPoint middle(view->width() / 2, view->height() / 2);
    const QColor outward = picture().pixelColor(middle);
    const QString inward = folder.filePath(QStringLiteral("inward.obj"));
    QVERIFY(writeFile(inward, inwardCube()));
    QVERIFY(open(inward));
    QCOMPARE(view->mesh.numFaces, 12);
    const QColor lit = picture().pixelColor(middle);
    for (auto [a, b] : { std::pair { lit.red(), outward.red() }, { lit.green(), outward.green() },
             { lit.blue(), outward.blue() } })
        QVERIFY2(std::abs(a - b) <= 2, qPrintable(lit.name() + QLatin1Char(' ') + outward.name()));

    // Outlines and points: black on white, white on a dark background.
    window->dialogs.colour = [](const QColor&, QWidget*) { return QColor(20, 30, 60); };
    for (int mode : { 0, 1, 2, 3, 5, 6 }) {
        window->rendermodeEvent(mode);
        view->setBackgroundColour(Qt::white);
        const int onWhite = brightPixels(picture());
        window->backgroundcolourEvent();
        QVERIFY2(brightPixels(picture()) > 20 && onWhite > brightPixels(picture()),
            qPrintable(QString::number(mode)));
    }
}

void FirstUseTest::dialoguesStartWhereTheUserIsAndNeverBlock()
{
    QSettings(QSettings::UserScope, QStringLiteral("facetra"), QStringLiteral("facetra")).clear();
    QCOMPARE(UserDialogs::startPath(QString()), QDir::homePath());
    const QString used = folder.filePath(QStringLiteral("used"));
    QVERIFY(QDir().mkdir(used));
    UserDialogs::rememberChoice(used + QStringLiteral("/a.obj"));
    QCOMPARE(UserDialogs::startPath(QString()), used);
    QVERIFY(open(cubeFile));
    const QString meshFolder = QFileInfo(cubeFile).absolutePath();
    const struct
    {
        QString suggested, start;
    } cases[] = {
        { QString(), meshFolder },
        { QStringLiteral("rendering"), meshFolder + QStringLiteral("/rendering") },
        { QStringLiteral("\\Data"), meshFolder },
        { QStringLiteral("Data/Heightmaps/"), meshFolder },
        { used, used },
    };
    for (const auto& c : cases)
        QCOMPARE(UserDialogs::startPath(c.suggested), c.start);

    // A folder of devices is listed without opening one; the dialogue closes.
    QTimer::singleShot(500, [] {
        if (auto* dialogue = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialogue->reject();
    });
    QElapsedTimer clock;
    clock.start();
    QVERIFY(UserDialogs::askOpenFileName(window, QString(), QStringLiteral("/dev"), QString())
                .isEmpty());
    QVERIFY(clock.elapsed() < 20000);
}

QTEST_MAIN(FirstUseTest)
#include "FirstUseTest.moc"
