// soak_window: the real window driven by random but valid user actions for a
// given time. After each action it checks that the window still answers and
// that the title, the status-bar counts and the Edit menu agree with the
// workbench; a crash, a sanitizer report, a stuck state or a disagreement ends
// it with status 1 and the seed that replays the choices.
//
//   soak_window [--seconds N] [--seed S] [--meshes DIR] [--run-limit MS]
//               [--answer-ms MS] [--face-budget N] [--trace]
//
// The actions are chosen by a generator seeded with S; how long runs take
// depends on the machine, so a replay makes the same choices but may meet a
// run at another point.
#include "WindowTestUtil.h"

#include "app/ui/ThreadedToolRunner.h"
#include "app/ui/ToolProgressDialog.h"
#include "clipping/ui/QtCLippingWidget.h"
#include "filtering/ui/QtFunctionWidget.h"
#include "filtering/ui/QtMeanShiftWidget.h"
#include "morphogens/ui/QtMorphogenWidget.h"
#include "refinement/ui/QtMeshSimplifierWidget.h"
#include "refinement/ui/QtMeshSubdivideWidget.h"
#include "segmentation/ui/QtMeshClassifierWidget.h"
#include "segmentation/ui/QtMeshTraversalWidget.h"
#include "terrain/ui/QtMeshTerrainWidget.h"
#include "viewer/ui/QtLightEditorDialogue.h"
#include "viewer/ui/QtLightSettingsWidget.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTreeWidget>
#include <QWheelEvent>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Options
{
    int seconds = 60;
    quint64 seed = 0;
    QString meshes = QStringLiteral(FACETRA_MESH_DIR);
    // A run still going after this long is cancelled, as an impatient user would.
    int runLimitMs = 8000;
    // A mesh above this many faces is put aside after the action that made it
    // (Undo, else a small mesh opened): software GL draws it too slowly for a
    // soak that should do many things.
    int faceBudget = 150000;
    // The window must take a queued call within this time.
    int answerMs = 2000;
    // Each action on a line of its own as it is done.
    bool trace = false;
};

using Clock = std::chrono::steady_clock;

// The time the view spends drawing. A still frame draws the whole mesh, and
// software GL takes seconds for a few hundred thousand faces: that time is
// drawing, not a window that stopped answering, and is reported apart.
struct FrameClock : QObject
{
    qint64 totalMs = 0;
    qint64 slowestMs = 0;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        QElapsedTimer clock;
        clock.start();
        watched->event(event);
        totalMs += clock.elapsed();
        slowestMs = std::max(slowestMs, clock.elapsed());
        return true;
    }
};

class Soak
{
public:
    explicit Soak(const Options& options)
        : options(options)
        , random(options.seed)
    { }
    int run();

private:
    // ---- Choices
    int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    bool chance(double p) { return std::bernoulli_distribution(p)(random); }
    template <class List> auto pick(const List& list)
    {
        return list.at(uniform(0, int(list.size()) - 1));
    }
    int chooseKind(double elapsedShare);

    // ---- Set-up
    bool prepareFiles();
    void showWindow();
    void answerQuestions(UserDialogs& dialogs);
    QString savedName(const QString& filter);
    void answerModal();

    // ---- Waiting and checking
    bool answers();
    bool settle();
    bool consistent();
    void fail(const QString& what);
    void beat();

    // ---- Actions; each returns false when it was not possible now.
    struct Kind
    {
        const char* name;
        // How often it is chosen.
        int weight;
        bool (Soak::*act)();
    };
    static constexpr int kindCount = 18;
    static const Kind kinds[kindCount];
    bool open();
    bool openBad();
    bool openFile(const QString& name);
    bool openRecent();
    bool saveAs();
    bool reload();
    bool undo() { return undoOrRedo(window->undoAction); }
    bool redo() { return undoOrRedo(window->redoAction); }
    bool undoOrRedo(QAction* action);
    bool renderMode();
    bool menuEntry();
    bool lighting();
    bool anyPageControl();
    bool pageControl(QWidget* page);
    bool anyApply();
    bool apply(QWidget* page);
    bool cancelRun();
    bool dragView();
    void drag(Qt::MouseButton button);
    bool wheel();
    bool planeDrag();
    bool terrain();
    bool steps();
    void setControl(QWidget* control);
    void click(QAbstractButton* button);
    QWidget* bringToFront(QWidget* page);

    Options options;
    std::mt19937_64 random;
    QTemporaryDir scratch;
    std::unique_ptr<QtMainWindow> window;
    QtMeshEditorDialogue* tools = nullptr;
    QtGLWidget* view = nullptr;
    QStringList meshes, smallMeshes, badFiles, stepFiles, savedMeshes;
    QString heightMap;
    // The name the next file question answers (empty: a random one).
    QString nextOpen;
    int savedCount = 0;

    int performed = 0;
    QString current = QStringLiteral("start");
    std::map<QString, int> counts;
    qint64 slowestActionMs = 0;
    qint64 lastAnswerMs = 0;
    FrameClock frames;
    // For the watchdog thread: when the GUI thread last came by, and where it was.
    std::atomic<qint64> lastBeatMs { 0 };
    std::atomic<qint64> actionStartMs { 0 };
    std::mutex currentLock;
    std::string currentForWatchdog;
    Clock::time_point start = Clock::now();
};

// ---- Set-up

bool Soak::prepareFiles()
{
    if (!scratch.isValid())
        return false;
    QDir dir(scratch.path());
    dir.mkpath(QStringLiteral("saved"));
    dir.mkpath(QStringLiteral("all"));
    const QString grid = dir.filePath(QStringLiteral("grid.obj"));
    if (!writeGrid(grid, 24, "red green blue"))
        return false;
    meshes << grid;
    smallMeshes << grid;
    const QFileInfoList shared
        = QDir(options.meshes)
              .entryInfoList(
                  { QStringLiteral("*.obj"), QStringLiteral("*.obj.gz"), QStringLiteral("*.ply"),
                      QStringLiteral("*.off"), QStringLiteral("*.stl") },
                  QDir::Files, QDir::Name);
    for (const QFileInfo& file : shared) {
        meshes << file.absoluteFilePath();
        if (file.size() < 400 * 1024)
            smallMeshes << file.absoluteFilePath();
    }

    // Bad files: empty, cut off in the middle of a line, random bytes.
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return false;
        badFiles << file.fileName();
        return true;
    };
    const QByteArray gridText = contents(grid);
    QByteArray garbage(4096, '\0');
    for (char& byte : garbage)
        byte = char(uniform(0, 255));
    if (!write(QStringLiteral("empty.obj"), {})
        || !write(QStringLiteral("truncated.obj"), gridText.left(gridText.size() * 3 / 5 + 3))
        || !write(QStringLiteral("garbage.obj"), garbage)
        || !write(QStringLiteral("header-only.ply"),
            "ply\nformat binary_little_endian 1.0\nelement vertex 1000\nproperty float x\n"
            "property float y\nproperty float z\nelement face 10\n"
            "property list uchar int vertex_indices\nend_header\n"))
        return false;
    badFiles << dir.filePath(QStringLiteral("missing.obj"));

    // A small height map: a hill with some noise.
    QImage image(48, 40, QImage::Format_Grayscale8);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const double d = std::hypot(x - 24.0, y - 20.0);
            image.scanLine(y)[x] = uchar(std::clamp(int(220 - 8 * d) + uniform(0, 20), 0, 255));
        }
    }
    heightMap = dir.filePath(QStringLiteral("hill.png"));
    return image.save(heightMap, "PNG");
}

void Soak::showWindow()
{
    UserDialogs::setCurrentFile(QString());
    window = std::make_unique<QtMainWindow>();
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    view = window->glView();
    tools = window->meshEditor;
    // File and colour dialogues are answered here; boxes ("Save changes?",
    // warnings, About) are real and answered by answerModal.
    answerQuestions(window->dialogs);
    answerQuestions(tools->clippingPage->dialogs);
    answerQuestions(tools->morphogenPage->dialogs);
    answerQuestions(tools->simplifyPage->dialogs);
    answerQuestions(tools->classifyPage->dialogs);
    answerQuestions(tools->terrainPage->dialogs);
    answerQuestions(window->lightEditor->settingsPage()->dialogs);
    view->installEventFilter(&frames);
    window->resizeView(640, 560);
    window->show();
    window->mesheditorEvent();
}

void Soak::answerQuestions(UserDialogs& dialogs)
{
    dialogs.openFileName = [this](auto, auto, auto, auto) {
        QString name;
        std::swap(name, nextOpen);
        if (!name.isEmpty())
            return name;
        if (chance(0.15))
            return QString();
        QStringList all = meshes + badFiles + stepFiles;
        all << heightMap;
        return pick(all);
    };
    dialogs.saveFileName
        = [this](auto, auto, auto, const QString& filter) { return savedName(filter); };
    dialogs.colour = [this](const QColor&, auto) {
        return chance(0.2) ? QColor() : QColor(uniform(0, 255), uniform(0, 255), uniform(0, 255));
    };
    dialogs.confirm = [this](auto, auto, auto) { return chance(0.7); };
    dialogs.folder = [this](auto, auto, auto) {
        return chance(0.2) ? QString() : QDir(scratch.path()).filePath(QStringLiteral("all"));
    };
}

QString Soak::savedName(const QString& filter)
{
    if (chance(0.1))
        return QString();
    // A suffix the filter offers; a few names in turn keep the folder small.
    QStringList suffixes;
    static const QRegularExpression pattern(QStringLiteral("\\*(\\.[A-Za-z.]+)"));
    for (auto match = pattern.globalMatch(filter); match.hasNext();)
        suffixes << match.next().captured(1);
    const QString suffix = suffixes.isEmpty() ? QStringLiteral(".obj") : pick(suffixes);
    return QDir(scratch.path())
        .filePath(QStringLiteral("saved/s%1%2").arg(savedCount++ % 6).arg(suffix));
}

// A timer's answer to whatever modal box or dialogue is up: a random button,
// as a user would press one; file and colour dialogues are cancelled.
void Soak::answerModal()
{
    beat();
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    auto* dialogue = qobject_cast<QDialog*>(modal);
    if (!dialogue)
        return;
    if (qobject_cast<QFileDialog*>(dialogue) || qobject_cast<QColorDialog*>(dialogue)) {
        dialogue->reject();
        return;
    }
    if (auto* box = qobject_cast<QMessageBox*>(dialogue)) {
        const QList<QAbstractButton*> buttons = box->buttons();
        if (buttons.isEmpty())
            box->reject();
        else
            pick(buttons)->click();
        ++counts[QStringLiteral("(boxes answered)")];
        return;
    }
    QList<QPushButton*> buttons;
    for (QPushButton* button : dialogue->findChildren<QPushButton*>()) {
        if (button->isEnabled() && button->isVisible())
            buttons << button;
    }
    // A dialogue that one click may not close (a colour pick) gets a few.
    if (buttons.isEmpty() || chance(0.25))
        dialogue->reject();
    else
        pick(buttons)->click();
}

// ---- Waiting and checking

void Soak::beat()
{
    lastBeatMs
        = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// True when a queued call comes back within the answer time.
bool Soak::answers()
{
    bool answered = false;
    QMetaObject::invokeMethod(
        qApp, [&answered] { answered = true; }, Qt::QueuedConnection);
    QElapsedTimer clock;
    clock.start();
    const qint64 drawnBefore = frames.totalMs;
    // Leave no call behind that would write to this frame later.
    while (!answered)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    beat();
    lastAnswerMs = clock.elapsed() - (frames.totalMs - drawnBefore);
    return lastAnswerMs <= options.answerMs;
}

// Waits, answering, for the run going on to end; one running past the limit
// is cancelled. False (after fail) when the window stops answering or a
// cancelled run does not end.
bool Soak::settle()
{
    QElapsedTimer clock;
    clock.start();
    bool cancelled = false;
    for (int quiet = 0; quiet < 2;) {
        if (!answers()) {
            fail(QStringLiteral("the window did not answer within %1 ms (it took %2 ms besides "
                                "drawing, %3)")
                     .arg(options.answerMs)
                     .arg(lastAnswerMs)
                     .arg(window->runner->busy() ? QStringLiteral("a run going")
                                                 : QStringLiteral("no run going")));
            return false;
        }
        if (window->runner->busy() || view->toolRunning()) {
            quiet = 0;
        } else {
            ++quiet;
            continue;
        }
        if (!cancelled && clock.elapsed() > options.runLimitMs) {
            cancelled = true;
            ++counts[QStringLiteral("(runs cancelled at the limit)")];
            window->runner->cancel();
        }
        if (cancelled && clock.elapsed() > options.runLimitMs + 60000) {
            fail(QStringLiteral("a run did not end within 60 s of Cancel"));
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

bool Soak::consistent()
{
    const Workbench& bench = view->workbench;
    const Mesh& mesh = bench.mesh;
    const bool modified = bench.isModified();
    const QString title = window->windowTitle();
    const QString program = QtMainWindow::programTitle();
    const QString name = QFile::decodeName(bench.documentName().c_str());
    const QString expected = bench.fileName.empty() && !modified
        ? program
        : name + (modified ? QStringLiteral("*") : QString()) + QStringLiteral(" - ") + program;
    if (title != expected) {
        fail(QStringLiteral("title \"%1\", expected \"%2\" (workbench %3modified)")
                 .arg(title, expected, modified ? QString() : QStringLiteral("not ")));
        return false;
    }
    const QString counts
        = window->statusBar->findChild<QLabel*>(QStringLiteral("counts"))->text().simplified();
    const QString meshCounts
        = QStringLiteral("Verts: %1 Faces: %2").arg(mesh.numVertices).arg(mesh.numFaces);
    if (counts != meshCounts) {
        fail(QStringLiteral("status bar \"%1\", mesh \"%2\"").arg(counts, meshCounts));
        return false;
    }
    const EditHistory& history = bench.history;
    const auto entry = [](const char* verb, const std::string& step) {
        return step.empty()
            ? QString::fromLatin1(verb)
            : QString::fromLatin1(verb) + QLatin1Char(' ') + QString::fromStdString(step);
    };
    if (window->undoAction->isEnabled() != history.canUndo()
        || window->redoAction->isEnabled() != history.canRedo()
        || window->undoAction->text() != entry("Undo", history.undoName())
        || window->redoAction->text() != entry("Redo", history.redoName())) {
        fail(QStringLiteral("Edit menu \"%1\" (%2), \"%3\" (%4); history can undo %5, redo %6")
                 .arg(window->undoAction->text())
                 .arg(window->undoAction->isEnabled() ? "on" : "off")
                 .arg(window->redoAction->text())
                 .arg(window->redoAction->isEnabled() ? "on" : "off")
                 .arg(history.canUndo() ? QString::fromStdString(history.undoName()) : "nothing")
                 .arg(history.canRedo() ? QString::fromStdString(history.redoName()) : "nothing"));
        return false;
    }
    const bool hasMesh = mesh.numVertices > 0 && mesh.numFaces > 0;
    if (window->saveAsAction->isEnabled() != hasMesh) {
        fail(QStringLiteral("Save As is %1 with %2").arg(hasMesh ? "off" : "on", meshCounts));
        return false;
    }
    return true;
}

void Soak::fail(const QString& what)
{
    std::printf("soak: FAILED after action %d (%s), seed %llu: %s\n", performed,
        qPrintable(current), static_cast<unsigned long long>(options.seed), qPrintable(what));
    std::printf("soak: replay with --seed %llu\n", static_cast<unsigned long long>(options.seed));
    std::fflush(stdout);
}

// ---- The run

const Soak::Kind Soak::kinds[kindCount] = {
    { "open", 5, &Soak::open },
    { "open bad", 3, &Soak::openBad },
    { "open recent", 2, &Soak::openRecent },
    { "save as", 4, &Soak::saveAs },
    { "reload", 3, &Soak::reload },
    { "undo", 8, &Soak::undo },
    { "redo", 8, &Soak::redo },
    { "render mode", 6, &Soak::renderMode },
    { "menu", 6, &Soak::menuEntry },
    { "lighting", 5, &Soak::lighting },
    { "page control", 14, &Soak::anyPageControl },
    { "apply", 8, &Soak::anyApply },
    { "cancel", 4, &Soak::cancelRun },
    { "drag", 8, &Soak::dragView },
    { "wheel", 5, &Soak::wheel },
    { "plane drag", 5, &Soak::planeDrag },
    { "terrain", 3, &Soak::terrain },
    { "steps", 2, &Soak::steps },
};

int Soak::chooseKind(double elapsedShare)
{
    // Kinds not reached yet weigh much more once a third of the time has
    // gone, so that a short run still reaches every kind.
    int weights[kindCount];
    for (int k = 0; k < kindCount; ++k) {
        const bool unreached = counts.count(QString::fromLatin1(kinds[k].name)) == 0;
        weights[k] = kinds[k].weight * (unreached && elapsedShare > 0.33 ? 10 : 1);
    }
    return std::discrete_distribution<int>(std::begin(weights), std::end(weights))(random);
}

int Soak::run()
{
    std::printf("soak: seed %llu\n", static_cast<unsigned long long>(options.seed));
    std::fflush(stdout);
    if (!prepareFiles()) {
        std::printf("soak: could not write its files in a temporary folder\n");
        return 1;
    }
    showWindow();
    QTimer modalTimer;
    QObject::connect(&modalTimer, &QTimer::timeout, [this] { answerModal(); });
    modalTimer.start(40);

    // A watchdog on its own thread: a GUI thread gone quiet for a minute, or
    // one action (with the run it started) going on for three, is stuck.
    std::atomic<bool> done { false };
    std::thread watchdog([&] {
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            const qint64 now
                = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start)
                      .count();
            if (now - lastBeatMs > 60000 || now - actionStartMs > 180000) {
                std::lock_guard<std::mutex> lock(currentLock);
                std::printf("soak: FAILED, stuck in \"%s\" (%s), seed %llu\n",
                    currentForWatchdog.c_str(),
                    now - lastBeatMs > 60000 ? "no event for 60 s" : "one action for 180 s",
                    static_cast<unsigned long long>(options.seed));
                std::fflush(stdout);
                std::_Exit(1);
            }
        }
    });
    const auto finish = [&](int status) {
        done = true;
        watchdog.join();
        modalTimer.stop();
        return status;
    };

    nextOpen = meshes.first();
    window->openAction->trigger();
    if (!settle() || !consistent())
        return finish(1);

    const auto deadline = start + std::chrono::seconds(options.seconds);
    while (Clock::now() < deadline) {
        const double share = std::chrono::duration<double>(Clock::now() - start).count()
            / std::max(1, options.seconds);
        const int kind = chooseKind(share);
        current = QString::fromLatin1(kinds[kind].name);
        {
            std::lock_guard<std::mutex> lock(currentLock);
            currentForWatchdog = current.toStdString();
        }
        beat();
        actionStartMs = lastBeatMs.load();
        QElapsedTimer clock;
        clock.start();
        // The tool dialogue stays up, as it does for a user working with it.
        if (!tools->isVisible())
            window->mesheditorEvent();
        if (!(this->*kinds[kind].act)())
            continue;
        slowestActionMs = std::max(slowestActionMs, clock.elapsed());
        if (options.trace) {
            std::printf("soak: %d %s (%lld ms)\n", performed + 1, qPrintable(current),
                static_cast<long long>(clock.elapsed()));
            std::fflush(stdout);
        }
        ++performed;
        ++counts[QString::fromLatin1(kinds[kind].name)];
        if (!settle() || !consistent())
            return finish(1);
        if (view->mesh.numFaces > options.faceBudget) {
            current = QStringLiteral("put aside a mesh of %1 faces").arg(view->mesh.numFaces);
            ++counts[QStringLiteral("(large meshes put aside)")];
            if (window->undoAction->isEnabled())
                window->undoAction->trigger();
            else
                openFile(pick(smallMeshes));
            if (!settle() || !consistent())
                return finish(1);
        }
    }

    int reached = 0;
    QStringList perKind, missed;
    for (const auto& kind : kinds) {
        const int n = counts[QString::fromLatin1(kind.name)];
        reached += n > 0;
        perKind << QStringLiteral("%1 %2").arg(QString::fromLatin1(kind.name)).arg(n);
        if (n == 0)
            missed << QString::fromLatin1(kind.name);
    }
    for (const auto& [name, n] : counts) {
        if (name.startsWith(QLatin1Char('(')))
            perKind << QStringLiteral("%1 %2").arg(name).arg(n);
    }
    std::printf("soak: %d kinds, %d actions: %s\n", reached, performed,
        qPrintable(perKind.join(QStringLiteral(", "))));
    std::printf("soak: slowest action %lld ms, slowest frame %lld ms\n",
        static_cast<long long>(slowestActionMs), static_cast<long long>(frames.slowestMs));
    if (!missed.isEmpty())
        std::printf("soak: not reached: %s\n", qPrintable(missed.join(QStringLiteral(", "))));
    std::fflush(stdout);
    // The window goes while the timer can still answer what closing asks.
    window->dialogs.saveChanges = [](auto, auto, auto) { return UserDialogs::SaveAnswer::Discard; };
    window->close();
    window.reset();
    return finish(0);
}

// ---- Actions

QWidget* Soak::bringToFront(QWidget* widget)
{
    // Every tab on the way up becomes the current one, as a user clicks it.
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        for (QWidget* up = w->parentWidget(); up; up = up->parentWidget()) {
            if (auto* tabs = qobject_cast<QTabWidget*>(up); tabs && tabs->indexOf(w) >= 0)
                tabs->setCurrentWidget(w);
        }
    }
    return widget;
}

void Soak::click(QAbstractButton* button)
{
    bringToFront(button);
    if (!button->isVisible()) {
        button->click();
        return;
    }
    // A check box or radio button takes clicks on its indicator and text.
    const bool pushButton = qobject_cast<QPushButton*>(button) != nullptr;
    QTest::mouseClick(button, Qt::LeftButton, {},
        pushButton ? button->rect().center() : QPoint(6, button->height() / 2));
}

void Soak::setControl(QWidget* control)
{
    if (auto* slider = qobject_cast<QAbstractSlider*>(control)) {
        // Low values more often: the high ends of resolution and level sliders
        // make meshes the machine draws slowly.
        const double u = std::uniform_real_distribution<double>(0.0, 1.0)(random);
        const int value = slider->minimum()
            + std::min(int(u * u * (double(slider->maximum()) - slider->minimum() + 1)),
                slider->maximum() - slider->minimum());
        if (chance(0.5)) {
            slider->setValue(value);
        } else {
            // Dragged: sliderMoved on the way, the value on release.
            slider->setSliderDown(true);
            slider->setSliderPosition(value);
            slider->setSliderDown(false);
        }
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (combo->count() == 0)
            return;
        const int index = uniform(0, combo->count() - 1);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        click(button);
    } else if (auto* tree = qobject_cast<QTreeWidget*>(control)) {
        if (tree->topLevelItemCount() == 0)
            return;
        QTreeWidgetItem* item = tree->topLevelItem(uniform(0, tree->topLevelItemCount() - 1));
        const int column = uniform(0, std::max(0, tree->columnCount() - 1));
        tree->scrollToItem(item);
        const QRect rect = tree->visualItemRect(item);
        if (rect.isEmpty()) {
            emit tree->itemClicked(item, column);
        } else if (chance(0.2)) {
            QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
        } else {
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
        }
    } else {
        // The mean-shift function plot: its control points follow a drag.
        const auto send = [control](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
            QMouseEvent event(type, at, control->mapToGlobal(at),
                type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
            QApplication::sendEvent(control, &event);
        };
        QPointF at(uniform(0, control->width() - 1), uniform(0, control->height() - 1));
        send(QEvent::MouseButtonPress, at, Qt::LeftButton);
        for (int i = uniform(1, 6); i > 0; --i) {
            at += QPointF(uniform(-30, 30), uniform(-30, 30));
            send(QEvent::MouseMove, at, Qt::LeftButton);
        }
        send(QEvent::MouseButtonRelease, at, Qt::NoButton);
    }
}

bool Soak::pageControl(QWidget* page)
{
    bringToFront(page);
    QList<QWidget*> controls;
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if (!w->isEnabled() || !w->isVisibleTo(page))
            continue;
        if (qobject_cast<QAbstractSlider*>(w) || qobject_cast<QAbstractButton*>(w)
            || qobject_cast<QComboBox*>(w) || qobject_cast<QTreeWidget*>(w)
            || qobject_cast<QtFunctionWidget*>(w))
            controls << w;
    }
    if (controls.isEmpty())
        return false;
    QWidget* control = pick(controls);
    current = QStringLiteral("page control: %1 %2 \"%3\"")
                  .arg(page->objectName(), QString::fromLatin1(control->metaObject()->className()),
                      qobject_cast<QAbstractButton*>(control)
                          ? qobject_cast<QAbstractButton*>(control)->text()
                          : control->objectName());
    setControl(control);
    return true;
}

bool Soak::openFile(const QString& name)
{
    current += QStringLiteral(": ") + QFileInfo(name).fileName();
    nextOpen = name;
    window->openAction->trigger();
    nextOpen.clear();
    return true;
}

bool Soak::openRecent()
{
    emit window->recentMenu->aboutToShow();
    QList<QAction*> entries;
    for (QAction* entry : window->recentMenu->actions()) {
        if (entry->isEnabled() && !entry->isSeparator())
            entries << entry;
    }
    if (entries.isEmpty())
        return false;
    QAction* entry = pick(entries);
    current += QStringLiteral(": ") + QFileInfo(entry->text()).fileName();
    entry->trigger();
    return true;
}

bool Soak::saveAs()
{
    if (!window->saveAsAction->isEnabled())
        return false;
    window->saveAsAction->trigger();
    const QDir saved(QDir(scratch.path()).filePath(QStringLiteral("saved")));
    for (const QFileInfo& file : saved.entryInfoList(QDir::Files)) {
        if (!file.fileName().endsWith(QLatin1String(".steps"))
            && !file.fileName().endsWith(QLatin1String(".png"))
            && !savedMeshes.contains(file.absoluteFilePath()))
            savedMeshes << file.absoluteFilePath();
    }
    return true;
}

bool Soak::undoOrRedo(QAction* action)
{
    if (!action->isEnabled())
        return false;
    current += QStringLiteral(": ") + action->text();
    action->trigger();
    return true;
}

bool Soak::renderMode()
{
    QAction* entry = pick(window->renderModeGroup->actions());
    current += QStringLiteral(": ") + entry->text();
    entry->trigger();
    return true;
}

bool Soak::menuEntry()
{
    // What has a kind of its own stays out, and so does Exit.
    const QList<QAction*> own = { window->openAction, window->saveAsAction, window->undoAction,
        window->redoAction, window->exitAction, window->runStepsAction, window->saveStepsAction,
        window->recentMenu->menuAction() };
    QList<QAction*> entries;
    for (QAction* top : window->menuBar()->actions()) {
        if (!top->menu() || top->menu()->objectName() == QLatin1String("rendermodemenu"))
            continue;
        for (QAction* entry : top->menu()->actions()) {
            if (entry->isEnabled() && !entry->isSeparator() && !entry->menu()
                && !own.contains(entry))
                entries << entry;
        }
    }
    if (entries.isEmpty())
        return false;
    QAction* entry = pick(entries);
    current += QStringLiteral(": ") + entry->text();
    entry->trigger();
    return true;
}

bool Soak::lighting()
{
    window->lighteditorEvent();
    const bool done = pageControl(window->lightEditor->settingsPage());
    current.prepend(QStringLiteral("lighting, "));
    if (chance(0.15))
        window->lightEditor->hide();
    return done;
}

bool Soak::apply(QWidget* page)
{
    current += QStringLiteral(": ") + page->objectName();
    bringToFront(page);
    if (!tools->applyButton()->isEnabled())
        return false;
    click(tools->applyButton());
    return true;
}

bool Soak::cancelRun()
{
    ThreadedToolRunner& runner = *window->runner;
    const int showDelay = runner.showDelayMs;
    // Half the runs show their dialogue at once, so that short runs meet Cancel too.
    if (chance(0.5))
        runner.showDelayMs = 0;
    const QList<QWidget*> pages
        = { tools->subdividePage, tools->classifyPage, tools->meanShiftPage, tools->simplifyPage };
    const bool started = apply(pick(pages));
    ToolProgressDialog* dialogue = runner.progressDialog();
    QElapsedTimer clock;
    clock.start();
    while (started && runner.busy() && !(dialogue && dialogue->isVisible())
        && clock.elapsed() < options.runLimitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    runner.showDelayMs = showDelay;
    const int waitMs = uniform(0, 300);
    clock.restart();
    while (runner.busy() && clock.elapsed() < waitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (!runner.busy() || !dialogue || !dialogue->isVisible())
        return started;
    auto* cancel = dialogue->findChild<QPushButton*>(QStringLiteral("cancel"));
    if (chance(0.2))
        QTest::keyClick(dialogue, Qt::Key_Escape);
    else if (cancel && cancel->isEnabled())
        QTest::mouseClick(cancel, Qt::LeftButton);
    ++counts[QStringLiteral("(cancels pressed)")];
    return started;
}

void Soak::drag(Qt::MouseButton button)
{
    const auto send
        = [this](QEvent::Type type, QPointF at, Qt::MouseButton which, Qt::MouseButtons buttons) {
              QMouseEvent event(type, at, view->mapToGlobal(at), which, buttons, Qt::NoModifier);
              QApplication::sendEvent(view, &event);
          };
    QPointF at(uniform(0, view->width() - 1), uniform(0, view->height() - 1));
    send(QEvent::MouseButtonPress, at, button, button);
    for (int i = uniform(1, 10); i > 0; --i) {
        at += QPointF(uniform(-40, 40), uniform(-40, 40));
        send(QEvent::MouseMove, at, Qt::NoButton, button);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    send(QEvent::MouseButtonRelease, at, button, Qt::NoButton);
}

bool Soak::wheel()
{
    const QPointF at(uniform(0, view->width() - 1), uniform(0, view->height() - 1));
    const int notch = chance(0.5) ? 120 : -120;
    for (int i = uniform(1, 5); i > 0; --i) {
        QWheelEvent event(at, view->mapToGlobal(at), QPoint(), QPoint(0, notch), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &event);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

bool Soak::planeDrag()
{
    QtCLippingWidget* page = tools->clippingPage;
    bringToFront(page);
    QList<QPushButton*> planes;
    for (int i = 0; i < 6; ++i) {
        if (page->planeButton(i)->isEnabled())
            planes << page->planeButton(i);
    }
    if (planes.isEmpty())
        return false;
    if (view->clipMode != 1 || chance(0.3))
        click(pick(planes));
    const QList<Qt::MouseButton> buttons
        = { Qt::LeftButton, Qt::LeftButton, Qt::MiddleButton, Qt::RightButton };
    drag(pick(buttons));
    // Mostly the plane is let go again, and the view turns once more.
    if (chance(0.7)) {
        for (QPushButton* plane : planes) {
            if (plane->isChecked())
                click(plane);
        }
    }
    return true;
}

bool Soak::terrain()
{
    QtMeshTerrainWidget* page = tools->terrainPage;
    bringToFront(page);
    if (chance(0.9)) {
        nextOpen = heightMap;
        click(buttonNamed(page, "Load Heightmap"));
        nextOpen.clear();
    }
    QList<QAbstractSlider*> sliders;
    for (QAbstractSlider* slider : page->findChildren<QAbstractSlider*>()) {
        if (slider->isEnabled() && slider->isVisibleTo(page))
            sliders << slider;
    }
    for (int i = uniform(0, 3); i > 0 && !sliders.isEmpty(); --i)
        setControl(pick(sliders));
    return apply(page);
}

bool Soak::steps()
{
    if (stepFiles.isEmpty() || chance(0.5)) {
        const int before = savedCount;
        window->saveStepsAction->trigger();
        // The name it was given, if it wrote one.
        for (int k = before; k < savedCount; ++k) {
            const QString name
                = QDir(scratch.path()).filePath(QStringLiteral("saved/s%1.steps").arg(k % 6));
            if (QFileInfo::exists(name) && !stepFiles.contains(name))
                stepFiles << name;
        }
        current += QStringLiteral(": save");
        return true;
    }
    nextOpen = chance(0.8) ? pick(stepFiles) : pick(badFiles);
    current += QStringLiteral(": run ") + QFileInfo(nextOpen).fileName();
    window->runStepsAction->trigger();
    nextOpen.clear();
    return true;
}

bool Soak::open()
{
    if (!savedMeshes.isEmpty() && chance(0.15))
        return openFile(pick(savedMeshes));
    return openFile(chance(0.75) ? pick(smallMeshes) : pick(meshes));
}

bool Soak::openBad()
{
    return openFile(pick(badFiles));
}

bool Soak::reload()
{
    if (!tools->reloadButton()->isEnabled())
        return false;
    click(tools->reloadButton());
    return true;
}

bool Soak::anyPageControl()
{
    return pageControl(tools->tabs()->widget(uniform(0, tools->tabs()->count() - 1)));
}

bool Soak::anyApply()
{
    const QList<QWidget*> pages = { tools->simplifyPage, tools->subdividePage, tools->classifyPage,
        tools->traversalPage, tools->meanShiftPage };
    return apply(pick(pages));
}

bool Soak::dragView()
{
    const QList<Qt::MouseButton> buttons
        = { Qt::LeftButton, Qt::LeftButton, Qt::RightButton, Qt::RightButton, Qt::MiddleButton };
    drag(pick(buttons));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("FacetraSoak"));
    // Open Recent starts empty, so that a seed replays the same list.
    QSettings().clear();
    Options options;
    options.seed
        = quint64(std::chrono::system_clock::now().time_since_epoch().count()) % 1000000007u;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        bool good = hasValue;
        if (arg == QLatin1String("--seconds") && hasValue)
            options.seconds = args[++i].toInt(&good);
        else if (arg == QLatin1String("--seed") && hasValue)
            options.seed = args[++i].toULongLong(&good);
        else if (arg == QLatin1String("--meshes") && hasValue)
            options.meshes = args[++i];
        else if (arg == QLatin1String("--run-limit") && hasValue)
            options.runLimitMs = args[++i].toInt(&good);
        else if (arg == QLatin1String("--face-budget") && hasValue)
            options.faceBudget = args[++i].toInt(&good);
        else if (arg == QLatin1String("--trace"))
            options.trace = good = true;
        else if (arg == QLatin1String("--answer-ms") && hasValue)
            options.answerMs = args[++i].toInt(&good);
        else
            good = false;
        if (!good) {
            std::fprintf(stderr,
                "usage: soak_window [--seconds N] [--seed S] [--meshes DIR] [--run-limit MS] "
                "[--answer-ms MS] [--face-budget N] [--trace]\n");
            return 2;
        }
    }
    return Soak(options).run();
}
