// The window as a user drives it: files that are no meshes, dialogues, zoom and
// fit, lighting and lines; dialogues and pages reach the view, and what fails is
// said, never passed over.
#include "WindowTestUtil.h"

#include "app/ui/ThreadedToolRunner.h"
#include "refinement/ui/QtMeshSimplifierWidget.h"
#include "refinement/ui/QtMeshSubdivideWidget.h"
#include "viewer/ui/QtLightEditorDialogue.h"
#include "viewer/ui/QtLightSettingsWidget.h"

#include <QDialog>
#include <QLabel>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QTabBar>
#include <QTimer>
#include <QWheelEvent>

#include <sys/stat.h>

static const QString cubeFile = QStringLiteral(FACETRA_TEST_DATA "/cube.obj");

class FirstUseTest : public QObject, WindowDriver
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        SKIP_WITHOUT_GL();
        keepSettingsApart();
    }
    void init() { showWindow(300, true); }
    void cleanup() { window.reset(); }

    void grabWritesTheRenderingAndBadStartsFail();
    void dialogues();
    void zoomFitLightingAndLines();
    void cancelledOpensKeepTheMeshAndAToolRunsBehindTheWindow();
    void savingWritesTheRightNameReportsFailureAndStepsRunFromAScript();

private:
    // Opens name through File, "Open..."; false when the window warned.
    bool open(const QString& name)
    {
        window->dialogs.openFileName = [name](auto, auto, auto, auto) { return name; };
        const qsizetype before = warnings.size();
        window->openfileEvent();
        // The read runs behind the window.
        window->runner->waitForEnd();
        return warnings.size() == before;
    }
    QImage picture() { return view->grabFramebuffer().convertToFormat(QImage::Format_RGB32); }
};

void FirstUseTest::grabWritesTheRenderingAndBadStartsFail()
{
    const QString program = QStringLiteral(FACETRA_BIN);
    // The minimal platform has no GL at all, whatever display is around.
    const auto [noGl, message]
        = runProgram(program, { cubeFile }, { { "QT_QPA_PLATFORM", "minimal" } });
    QVERIFY2(noGl == 255, qPrintable(message));

    const QString out = scratch.filePath(QStringLiteral("grab.png"));
    // The lit cube covers the middle in polygon mode; the bounding box leaves it empty.
    for (const char* mode : { "4", "7" }) {
        const auto [status, err]
            = runProgram(program, { "--grab", out, "--mode", mode, "--size", "640x480", cubeFile });
        const QImage image(out);
        QVERIFY2(status == 0 && image.size() == QSize(640, 480), qPrintable(err));
        QCOMPARE(image.pixel(320, 240) == qRgb(255, 255, 255), *mode == '7');
        QFile::remove(out);
    }
    // Turning frames first, then the still frame; the timing is the last line.
    QString printed;
    const auto [turned, turnErrors]
        = runProgram(program, { "--grab", out, "--turn-frames", "3", cubeFile }, {}, &printed);
    QVERIFY2(turned == 0 && QFile::exists(out), qPrintable(turnErrors));
    QVERIFY2(
        QRegularExpression(QStringLiteral("turning: 3 frames in [0-9.]+ s, [0-9.]+ frames/s\n$"))
            .match(printed)
            .hasMatch(),
        qPrintable(printed));
    QFile::remove(out);
    // A file no reader takes is named as given, also outside ASCII (a grab of
    // such a name: install_tree).
    const QString png = scratch.filePath(QStringLiteral("café.png"));
    const QList<QStringList> cases = { { "no-such-mesh.obj" },
        { "--grab", out, "--turn-frames", "0", cubeFile },
        { "--grab", out, "--mode", "9", cubeFile }, { "--grab", out, "--size", "0x10", cubeFile },
        { "--grab", out }, { "--grab", out, "missing.obj" }, { "--grab", out, png } };
    for (const QStringList& args : cases) {
        const auto [status, err] = runProgram(program, args);
        QVERIFY2(status == 1 && !QFile::exists(out) && (!args.contains(png) || err.contains(png)),
            qPrintable(err));
    }
    // The window's start says why, in the words the window's Open uses.
    const auto [refused, errors] = runProgram(program, { png });
    QVERIFY2(refused == 1
            && errors.count(QStringLiteral("café.png: no reader for this kind of file")) == 1,
        qPrintable(errors));
}

void FirstUseTest::dialogues()
{
    // Cancelled colour dialogues change nothing and send nothing.
    QtLightSettingsWidget* lighting = window->lightEditor->settingsPage();
    lighting->dialogs.colour = window->dialogs.colour = [](auto, auto) { return QColor(); };
    QSignalSpy sent(lighting, &QtLightSettingsWidget::light_colour_signal);
    const QColor background = view->backgroundColour, ambient = lighting->ambientColour;
    lighting->amb_colourdlg_event();
    window->backgroundcolourEvent();
    QVERIFY(sent.isEmpty() && view->backgroundColour == background
        && lighting->ambientColour == ambient);

    // The light's sliders keep their place as their labels' numbers grow.
    window->lighteditorEvent();
    QSlider* azimuth = lighting->findChild<QSlider*>(QStringLiteral("l_azimuth_slider"));
    QCoreApplication::processEvents();
    const QRect place = azimuth->geometry();
    for (int value : { 360, 5, 90 }) {
        azimuth->setValue(value);
        QCoreApplication::processEvents();
        QCOMPARE(azimuth->geometry(), place);
    }
    window->lightEditor->hide();

    // Level 0 removes everything and is sent only after a yes.
    QtMeshSimplifierWidget* page = window->meshEditor->simplifyPage;
    QSignalSpy simplified(page, &QtMeshSimplifierWidget::simplifySignal);
    int asked = 0;
    page->dialogs.confirm = [&](auto, auto, auto) { return ++asked > 1; };
    page->lodEvent(0);
    page->apply();
    page->apply();
    QCOMPARE(simplified.count(), 1);
    window->runner->waitForEnd();

    // The tool dialogue shows all eight tab titles, and the window's shortcuts
    // work while it has the focus: Ctrl+Z takes the simplification back.
    tools->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(tools));
    const QTabBar* titles = tools->tabs()->tabBar();
    QVERIFY(titles->count() == 8 && titles->tabRect(7).right() < titles->width());
    QVERIFY(view->isModified());
    QTest::keyClick(tools, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(!view->isModified());
    tools->hide();

    // Start folders: home, then the last one chosen, then the current mesh's.
    QSettings(QSettings::UserScope, QStringLiteral("facetra"), QStringLiteral("facetra")).clear();
    QCOMPARE(UserDialogs::startPath(QString()), QDir::homePath());
    UserDialogs::rememberChoice(scratch.filePath(QStringLiteral("a.obj")));
    QCOMPARE(UserDialogs::startPath(QString()), scratch.path());
    QVERIFY(open(cubeFile));
    const QString meshFolder = QFileInfo(cubeFile).absolutePath();
    for (const auto& [suggested, start] : QList<std::pair<QString, QString>> {
             { QString(), meshFolder }, { QStringLiteral("\\Data"), meshFolder },
             { QStringLiteral("rendering"), meshFolder + QStringLiteral("/rendering") } })
        QCOMPARE(UserDialogs::startPath(suggested), start);

    // Listing a folder of devices opens none of them, so the dialogue answers.
    QTimer::singleShot(500, [] { qobject_cast<QDialog*>(qApp->activeModalWidget())->reject(); });
    QVERIFY(UserDialogs::askOpenFileName(window.get(), {}, QStringLiteral("/dev"), {}).isEmpty());
}

void FirstUseTest::zoomFitLightingAndLines()
{
    QVERIFY(open(cubeFile));
    const QPoint middle(view->width() / 2, view->height() / 2);
    const QColor outward = picture().pixelColor(middle);
    const auto covered = [](const QImage& image) {
        return countPixels(image, [&](QRgb p) { return p != image.pixel(0, 0); });
    };
    for (int projection : { 1, 0 }) {
        view->setProjectionMode(projection);
        view->fitView();
        const QImage start = picture();
        QWheelEvent wheel(QPointF(middle), QPointF(), {}, QPoint(0, 240), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &wheel);
        // Two notches forward: the cube covers more.
        QVERIFY(covered(picture()) > covered(start) * 1.1);
        view->arcBall.click(Vector(150, 150, 0));
        view->arcBall.drag(Vector(220, 120, 0));
        QVERIFY(picture() != start);
        window->fitViewEvent();
        QCOMPARE(picture(), start);
    }

    // The cube wound inward is lit as the cube wound outward.
    QByteArray inward;
    for (const QByteArray& line : contents(cubeFile).split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        inward += (f[0] == "f" ? "f " + f[1] + ' ' + f[3] + ' ' + f[2] : line) + '\n';
    }
    QVERIFY(open(write(QStringLiteral("inward.obj"), inward)));
    const QColor lit = picture().pixelColor(middle);
    QVERIFY2(std::abs(lit.red() - outward.red()) <= 2 && std::abs(lit.blue() - outward.blue()) <= 2,
        qPrintable(lit.name() + QLatin1Char(' ') + outward.name()));

    // Light of one colour reaches the cube.
    window->lighteditorEvent();
    QtLightSettingsWidget* page = window->lightEditor->settingsPage();
    page->dialogs.colour = [](auto, auto) { return QColor(255, 0, 0); };
    page->amb_colourdlg_event();
    page->dif_colourdlg_event();
    page->spec_colourdlg_event();
    const QColor red = picture().pixelColor(middle);
    QVERIFY2(red.red() > 200 && red.green() < 80 && red.blue() < 80, qPrintable(red.name()));

    // Outlines and points come out white on a dark background.
    window->dialogs.colour = [](auto, auto) { return QColor(20, 30, 60); };
    window->backgroundcolourEvent();
    // The Render Mode menu checks the mode drawn, and that one only.
    QVERIFY(window->renderModeGroup->isExclusive());
    const auto checkedMode = [this] {
        const QAction* entry = window->renderModeGroup->checkedAction();
        return entry ? entry->data().toInt() : -1;
    };
    QCOMPARE(checkedMode(), view->renderMode);
    for (int mode : { 0, 1, 2, 3, 5, 6 }) {
        window->rendermodeEvent(mode);
        QVERIFY2(countPixels(picture(), [](QRgb p) { return qGray(p) > 200; }) > 20,
            qPrintable(QString::number(mode)));
        QCOMPARE(checkedMode(), mode);
    }
}

void FirstUseTest::cancelledOpensKeepTheMeshAndAToolRunsBehindTheWindow()
{
    // A dropped file, read at once: UnsavedWorkTest's drop rows and
    // namesOutsideAsciiInAndOut.
    QVERIFY(open(cubeFile) && view->mesh.numFaces == 12);
    QVERIFY(open(QString())); // cancelled
    QCOMPARE(window->fileName, cubeFile);

    // A FIFO nobody writes to: the read waits behind the window until the
    // user cancels it, and the mesh stays.
    const QString fifo = scratch.filePath(QStringLiteral("pipe.obj"));
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    window->dialogs.openFileName = [fifo](auto, auto, auto, auto) { return fifo; };
    window->openfileEvent();
    QVERIFY(window->runner->busy());
    window->runner->cancel();
    window->runner->waitForEnd();
    QVERIFY(warnings.isEmpty() && status().contains(QStringLiteral("cancelled")));
    QCOMPARE(view->mesh.numFaces, 12);

    // Files that are no meshes, or missing: UnsavedWorkTest::failedOpensSavesAndToolsSayWhy.
    // Level 1 splits every face in four.
    tools->tabs()->setCurrentWidget(tools->subdividePage);
    tools->subdividePage->subdivlevel_event(1);
    // The run goes on behind the window, which turns off what would change
    // the mesh meanwhile.
    QTest::mouseClick(tools->applyButton(), Qt::LeftButton);
    QVERIFY(!tools->applyButton()->isEnabled() && !window->openAction->isEnabled());
    window->runner->waitForEnd();
    QCOMPARE(view->mesh.numFaces, 48);
    QVERIFY(tools->applyButton()->isEnabled() && window->undoAction->isEnabled());
    QCOMPARE(window->undoAction->text(), QStringLiteral("Undo Subdivide"));
}

// The rendering is written under exactly the name given, the mesh with ".obj" appended
// unless the name asks for another format; a name that cannot be written is reported.
void FirstUseTest::savingWritesTheRightNameReportsFailureAndStepsRunFromAScript()
{
    QVERIFY(open(cubeFile));
    QString answer;
    window->dialogs.saveFileName = [&](auto, auto, auto, auto) { return answer; };
    answer = scratch.filePath(QStringLiteral("shot"));
    window->saveRenderImageEvent();
    QCOMPARE(QImage(answer, "PNG").size(), view->grabRendering().size());
    answer = scratch.filePath(QStringLiteral("copy"));
    window->savefileEvent();
    QVERIFY(QFile::exists(answer + QLatin1String(".obj")));
    // A mesh that cannot be saved there: UnsavedWorkTest::failedOpensSavesAndToolsSayWhy.
    answer = scratch.filePath(QStringLiteral("missing-folder/shot.png"));
    window->saveRenderImageEvent();
    QVERIFY(status().contains(answer));

    // Another format, by suffix (what each format reads back:
    // MeshWrite.EveryWritableSuffixReadsBackAndSaysWhatItCouldNotHold).
    answer = scratch.filePath(QStringLiteral("copy.PLY"));
    window->savefileEvent();
    QVERIFY(QFile::exists(answer) && !QFile::exists(answer + QLatin1String(".obj")));

    // A tool's mesh is saved at once, and the counts outlast a status message.
    window->meshEditor->simplifyPage->lodEvent(50);
    window->meshEditor->simplifyPage->apply();
    window->runner->waitForEnd();
    answer = scratch.filePath(QStringLiteral("half.obj"));
    window->statusBar->showMessage(QStringLiteral("a menu hint"));
    window->savefileEvent();
    QCOMPARE(window->statusBar->findChild<QLabel*>(QStringLiteral("counts"))->text(),
        QtGLWidget::meshCountsText(view->mesh));
    QVERIFY(open(answer));
    QCOMPARE(view->mesh.numVertices, 4);

    // Steps run from a script and are undone one by one.
    QVERIFY(open(cubeFile));
    window->dialogs.openFileName = [&](auto, auto, auto, auto) { return answer; };

    // A damaged line stops the script before anything runs.
    answer = write(QStringLiteral("bad.steps"), "subdivide levels=1\nsimplify lod=x\n");
    window->runStepsEvent();
    QVERIFY(status().contains(QStringLiteral("line 2")));
    QCOMPARE(view->history.undoCount(), std::size_t(0));

    // Through the window's runner, one step after another; saved names lie
    // beside the script, {name} the open file's.
    answer = write(QStringLiteral("good.steps"),
        "# a comment\nsubdivide levels=1\nsave {name}-fine.obj\nsimplify lod=50\n");
    window->runStepsEvent();
    QTRY_VERIFY(status().startsWith(QStringLiteral("Ran 3 steps")));
    QVERIFY(QFile::exists(scratch.filePath(QStringLiteral("cube-fine.obj"))));
    QCOMPARE(view->history.undoName(), std::string("Simplify"));
    window->undoAction->trigger();
    QCOMPARE(view->history.undoName(), std::string("Subdivide"));
    QCOMPARE(window->redoAction->text(), QStringLiteral("Redo Simplify"));
    // Saving them back from the Edit menu: WindowBatchTest's compareWithBatch;
    // the parameters a step holds: Rules.UndoAndRedoRestoreEveryState...
}

QTEST_MAIN(FirstUseTest)
#include "FirstUseTest.moc"
