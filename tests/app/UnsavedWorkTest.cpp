// No work is lost in the window: whatever puts a changed mesh aside asks
// first and does what the answer says; names outside ASCII survive every way
// in and out; failures say why; Save ALL leaves exactly its own set of files.
#include "WindowTestUtil.h"

#include "app/ui/ThreadedToolRunner.h"
#include "mesh/engine/Progress.h"
#include "segmentation/ui/QtMeshTraversalWidget.h"
#include "terrain/ui/QtMeshTerrainWidget.h"

#include <QMenu>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

using SaveAnswer = UserDialogs::SaveAnswer;

class UnsavedWorkTest : public QObject, WindowDriver
{
    Q_OBJECT

    QString first, second;
    // The questions asked and how the next one is answered.
    QStringList asked;
    SaveAnswer answer = SaveAnswer::Cancel;
    QString saveAnswer;

    QStringList filesIn(const QString& dir) { return QDir(dir).entryList(QDir::Files, QDir::Name); }
    // The file whose name the title starts with, as shown.
    QString titleName() const { return window->windowTitle().section(QStringLiteral(" - "), 0, 0); }
    void answerQuestions()
    {
        asked.clear();
        window->dialogs.saveChanges = [this](auto, const QString& title, const QString& text) {
            asked << title + QLatin1Char('|') + text;
            return answer;
        };
        window->dialogs.saveFileName = [this](auto, auto, auto, auto) { return saveAnswer; };
    }
    // File, "Open Recent": the entries as the menu shows them, and a click
    // on the one naming path.
    QStringList recentEntries()
    {
        emit window->recentMenu->aboutToShow();
        QStringList texts;
        for (QAction* entry : window->recentMenu->actions())
            texts << entry->text();
        return texts;
    }
    bool openRecent(const QString& path)
    {
        const qsizetype at = recentEntries().indexOf(QFileInfo(path).absoluteFilePath());
        if (at >= 0)
            window->recentMenu->actions().at(at)->trigger();
        return at >= 0;
    }

private slots:
    void initTestCase();
    void init()
    {
        showWindow(200);
        answerQuestions();
    }
    void cleanup() { window.reset(); }

    void everyWayOfPuttingTheMeshAsideAsks_data();
    void everyWayOfPuttingTheMeshAsideAsks();
    void closingDuringARunStopsItFirst();
    void namesOutsideAsciiInAndOut();
    void failedOpensSavesAndToolsSayWhy();
    void saveAllWritesExactlyItsSet();
};

void UnsavedWorkTest::initTestCase()
{
    SKIP_WITHOUT_GL();
    keepSettingsApart();
    first = scratch.filePath(QStringLiteral("first.obj"));
    second = scratch.filePath(QStringLiteral("second.obj"));
    QVERIFY(writeGrid(first, 6) && writeGrid(second, 4));
}

void UnsavedWorkTest::everyWayOfPuttingTheMeshAsideAsks_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<SaveAnswer>("reply");
    // The name Save writes to: empty cancels the save dialogue.
    QTest::addColumn<QString>("saveTo");
    const QString saved = QStringLiteral("saved.obj");
    for (const char* way : { "exit", "close", "open", "recent", "drop", "terrain" }) {
        const QString w = QString::fromLatin1(way);
        QTest::addRow("%s clean", way) << w << false << SaveAnswer::Cancel << QString();
        QTest::addRow("%s save", way) << w << true << SaveAnswer::Save << saved;
        QTest::addRow("%s discard", way) << w << true << SaveAnswer::Discard << QString();
        QTest::addRow("%s cancel", way) << w << true << SaveAnswer::Cancel << QString();
    }
    // Save that does not happen discards nothing.
    QTest::addRow("close, save dialogue cancelled")
        << "close" << true << SaveAnswer::Save << QString();
    QTest::addRow("open, save failing")
        << "open" << true << SaveAnswer::Save << QStringLiteral("no-such-folder/saved.obj");
}

void UnsavedWorkTest::everyWayOfPuttingTheMeshAsideAsks()
{
    QFETCH(QString, way);
    QFETCH(bool, changed);
    QFETCH(SaveAnswer, reply);
    QFETCH(QString, saveTo);

    // second is in Open Recent, first is shown.
    open(second);
    open(first);
    if (changed)
        view->subdivide_slot(1, 0.0f);
    QCOMPARE(bench().isModified(), changed);
    const QString titleBefore = window->windowTitle();
    QCOMPARE(titleBefore, QStringLiteral("first.obj%1 - Facetra V2.0").arg(changed ? "*" : ""));
    const int faces = view->mesh.numFaces;
    const QString savedName = saveTo.isEmpty() ? QString() : scratch.filePath(saveTo);
    QFile::remove(savedName);
    answer = reply;
    saveAnswer = savedName;
    window->dialogs.openFileName = [this](auto, auto, auto, auto) { return second; };
    warnings.clear();

    const std::map<QString, std::function<void()>> ways
        = { { "exit", [&] { window->exitAction->trigger(); } },
              { "close", [&] { window->close(); } }, { "open", [&] { window->openfileEvent(); } },
              { "recent", [&] { QVERIFY(openRecent(second)); } },
              { "drop", [&] { dropFile(view, second); } },
              { "terrain", [&] { apply(tools->terrainPage); } } };
    ways.at(way)();

    QCOMPARE(asked.join('\n'), changed ? "Facetra V2.0|Save changes to first.obj?" : "");
    const bool failing = saveTo.contains(QLatin1Char('/'));
    const bool saved = changed && reply == SaveAnswer::Save && !saveTo.isEmpty() && !failing;
    const bool goesOn = !changed || reply == SaveAnswer::Discard || saved;
    // Saved: the changed mesh, every face of it.
    QCOMPARE(QFileInfo::exists(savedName), saved);
    if (saved)
        QCOMPARE(int(contents(savedName).count("\nf ")), faces);
    // A save that failed said why.
    QCOMPARE(warnings.size(), failing ? 1 : 0);

    if (way == QLatin1String("exit") || way == QLatin1String("close")) {
        QCOMPARE(window->isVisible(), !goesOn);
        return;
    }
    if (!goesOn) {
        QCOMPARE(window->windowTitle(), titleBefore);
        QCOMPARE(view->fileName(), first);
        QCOMPARE(view->mesh.numFaces, faces);
    } else if (way == QLatin1String("terrain")) {
        QCOMPARE(window->windowTitle(), QStringLiteral("terrain* - Facetra V2.0"));
    } else {
        QCOMPARE(window->windowTitle(), QStringLiteral("second.obj - Facetra V2.0"));
        QCOMPARE(view->mesh.numFaces, 18);
    }
}

void UnsavedWorkTest::closingDuringARunStopsItFirst()
{
    open(first);
    view->subdivide_slot(1, 0.0f);
    QStringList stopQuestions;
    bool stop = false;
    window->dialogs.stopRunning = [&](auto, auto, const QString& text) {
        stopQuestions << text;
        return stop;
    };
    answer = SaveAnswer::Discard;
    bool abandoned = false;
    const auto spin = [](Progress& progress) {
        for (;;) {
            progress.report("Spinning", 0.5);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    };
    ToolRun run { "Spin", spin, {}, 0, [&](RunOutcome) { abandoned = true; } };
    QVERIFY(window->runner->start(run));

    // Cancel: the run goes on, nothing else is asked.
    window->close();
    QCOMPARE(stopQuestions, QStringList { QStringLiteral("Spin is running: stop it and close?") });
    QVERIFY(window->isVisible() && window->runner->busy() && asked.isEmpty());

    // Stop: the run ends first, then the unsaved mesh is asked about.
    stop = true;
    window->exitAction->trigger();
    QVERIFY(abandoned && !window->runner->busy() && asked.size() == 1 && !window->isVisible());
}

void UnsavedWorkTest::namesOutsideAsciiInAndOut()
{
    const QString obj = scratch.filePath(QStringLiteral("café.obj"));
    const QString ply = scratch.filePath(QStringLiteral("café.ply"));
    QVERIFY(writeGrid(obj, 5));

    // Through the dialogue, then saved as PLY: the name on disk is UTF-8.
    open(obj);
    QCOMPARE(titleName(), QStringLiteral("café.obj"));
    saveAnswer = ply;
    QVERIFY(window->saveMeshAs());
    const std::filesystem::path bytes
        = std::filesystem::path(QFile::encodeName(scratch.path()).toStdString())
        / std::string("caf\xc3\xa9.ply");
    QVERIFY(std::filesystem::is_regular_file(bytes));
    QCOMPARE(titleName(), QStringLiteral("café.ply"));

    // Dropped: shown, remembered and opened again from Open Recent.
    open(first);
    QVERIFY(dropFile(view, ply));
    QCOMPARE(view->fileName(), ply);
    QCOMPARE(titleName(), QStringLiteral("café.ply"));
    QCOMPARE(recentEntries().value(0), QFileInfo(ply).absoluteFilePath());
    open(first);
    QVERIFY(openRecent(ply));
    QCOMPARE(view->mesh.numFaces, 32);
    QCOMPARE(titleName(), QStringLiteral("café.ply"));
    // From the command line: FirstUseTest::grabWritesTheRenderingAndBadStartsFail.
}

void UnsavedWorkTest::failedOpensSavesAndToolsSayWhy()
{
    // Nothing to save yet: the entries are off.
    QVERIFY(!window->saveAsAction->isEnabled() && !window->saveAllAction->isEnabled());
    open(first);
    QVERIFY(window->saveAsAction->isEnabled() && window->saveAllAction->isEnabled());
    const QString title = window->windowTitle();
    const QStringList recent = recentEntries();

    // Files that are no meshes, or missing: a box and the status bar name the
    // file and why, the mesh, title and list are kept. At start-up:
    // FirstUseTest::grabWritesTheRenderingAndBadStartsFail; every reason a read gives:
    // ReadReasonsTest; facetra-cli's lines for them: CliInput.
    const QString png = scratch.filePath(QStringLiteral("image.png"));
    QVERIFY(QImage(4, 4, QImage::Format_RGB32).save(png));
    QVERIFY(QDir(scratch.path()).mkdir(QStringLiteral("folder.obj")));
    const int faces = view->mesh.numFaces;
    for (const QString& path : { png, scratch.filePath(QStringLiteral("folder.obj")),
             QStringLiteral("/dev/zero"), QStringLiteral("no-such-folder/missing.obj") }) {
        warnings.clear();
        window->dialogs.openFileName = [path](auto, auto, auto, auto) { return path; };
        window->openfileEvent();
        const QString why = path == png ? QStringLiteral(": no reader for this kind of file") : "";
        QVERIFY2(
            warnings.size() == 1 && warnings[0].contains(path + why) && status().contains(path),
            qPrintable(warnings.join('\n')));
        QVERIFY(window->windowTitle() == title && recentEntries() == recent);
        QVERIFY(view->mesh.numFaces == faces && view->backupMesh.numFaces == faces);
    }

    // A save that cannot happen says why, in a box and the status bar.
    const QList<std::pair<QString, QString>> saves = {
        { scratch.filePath(QStringLiteral("no-such-folder/x.obj")),
            QStringLiteral("no such file") },
        { scratch.filePath(QStringLiteral("x.net")), QStringLiteral("cannot write .net files") },
    };
    for (const auto& [name, reason] : saves) {
        warnings.clear();
        saveAnswer = name;
        QVERIFY(!window->saveMeshAs());
        QVERIFY2(
            warnings.size() == 1 && warnings[0].contains(reason), qPrintable(warnings.join('\n')));
        QVERIFY(status().contains(reason));
    }

    // A save that loses what the format cannot hold says what, in the status bar.
    const QString spotted = scratch.filePath(QStringLiteral("spotted.obj"));
    QVERIFY(writeGrid(spotted, 4, "red green blue"));
    open(spotted);
    saveAnswer = scratch.filePath(QStringLiteral("spotted.stl"));
    warnings.clear();
    QVERIFY(window->saveMeshAs() && warnings.isEmpty());
    QVERIFY2(status().contains(QStringLiteral("morphogens")), qPrintable(status()));

    // A tool refused says why too.
    const QString missing = scratch.filePath(QStringLiteral("missing.spt"));
    // From a page: the view's notice reaches a box, the reason the status bar.
    view->loadsp_slot(missing);
    QVERIFY2(
        warnings.size() == 1 && warnings[0].contains(missing), qPrintable(warnings.join('\n')));
    QVERIFY(status().contains(missing));

    // From a script: the line that stopped, and why, in both.
    warnings.clear();
    const QString script = write(
        QStringLiteral("table.steps"), "classify load-table=" + QFile::encodeName(missing) + "\n");
    window->dialogs.openFileName = [script](auto, auto, auto, auto) { return script; };
    window->runStepsEvent();
    QVERIFY2(warnings.size() == 1 && warnings[0].contains(QStringLiteral("line 1"))
            && warnings[0].contains(missing),
        qPrintable(warnings.join('\n')));
    QCOMPARE(status(), warnings[0]);
    QVERIFY(!bench().isModified());
}

void UnsavedWorkTest::saveAllWritesExactlyItsSet()
{
    open(first);
    // Two segments marked from picks in the view.
    QtMeshTraversalWidget* traversal = tools->traversalPage;
    const QPoint middle = view->rect().center();
    for (const QPoint& at : { middle, middle + QPoint(30, 30) }) {
        QTest::mouseClick(view, Qt::MiddleButton, {}, at);
        click(buttonNamed(traversal, "Mark Current"));
    }
    QCOMPARE(bench().traversal.segmentCount, 2);

    const QString folder = scratch.filePath(QStringLiteral("segments"));
    QVERIFY(QDir().mkpath(folder));
    QString startedIn;
    window->dialogs.folder = [&](auto, auto, const QString& dir) {
        startedIn = UserDialogs::startPath(dir);
        return folder;
    };
    QStringList questions;
    bool replace = false;
    window->dialogs.confirm = [&](auto, auto, const QString& text) {
        questions << text;
        return replace;
    };
    const QStringList written
        = { "non-segemented.obj", "object_1.obj", "object_2.obj", "segemented.obj" };

    // An empty folder: nothing to ask; it starts in the mesh's folder.
    window->saveallEvent();
    QCOMPARE(startedIn, QFileInfo(first).absolutePath());
    QVERIFY(questions.isEmpty());
    QCOMPARE(filesIn(folder), written);

    // Files of an earlier, larger export, and files that are not the export's.
    for (const char* name : { "object_3.obj", "object_12.obj", "object_03.obj", "notes.txt" })
        QVERIFY(!write(QStringLiteral("segments/") + QLatin1String(name), "old\n").isEmpty());
    window->saveallEvent();
    QCOMPARE(questions.size(), 1);
    for (const QString& name : written + QStringList { "object_3.obj", "object_12.obj" })
        QVERIFY2(questions[0].contains(name) || questions[0].contains(QStringLiteral("more")),
            qPrintable(questions[0]));
    QVERIFY(!questions[0].contains(QStringLiteral("object_03.obj")));
    QVERIFY(!questions[0].contains(QStringLiteral("notes.txt")));
    QCOMPARE(filesIn(folder).size(), 8); // declined: nothing touched
    replace = true;
    window->saveallEvent();
    QCOMPARE(filesIn(folder),
        QStringList({ "non-segemented.obj", "notes.txt", "object_03.obj", "object_1.obj",
            "object_2.obj", "segemented.obj" }));
    QVERIFY(status().startsWith(QStringLiteral("Saved 4 files in")));
    QVERIFY(status().endsWith(QStringLiteral("removed 2 segment files of an earlier export")));
}

QTEST_MAIN(UnsavedWorkTest)
#include "UnsavedWorkTest.moc"
