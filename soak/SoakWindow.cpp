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

#include <QtWidgets>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
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

// The children of parent of class T that are enabled and shown with it.
template <class T> QList<T*> usable(QWidget* parent)
{
    QList<T*> found;
    for (T* w : parent->findChildren<T*>()) {
        if (w->isEnabled() && w->isVisibleTo(parent))
            found << w;
    }
    return found;
}

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

// A click on button when it is enabled.
bool press(QAbstractButton* button)
{
    const bool enabled = button->isEnabled();
    if (enabled)
        userClick(button);
    return enabled;
}

QString text(const char* latin1)
{
    return QString::fromLatin1(latin1);
}

class Soak
{
public:
    explicit Soak(const Options& options)
        : options(options)
        , random(options.seed)
    { }

private:
    int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    bool chance(double p) { return std::bernoulli_distribution(p)(random); }
    template <class List> auto pick(const List& list)
    {
        return list.at(uniform(0, int(list.size()) - 1));
    }

    // Each kind's action returns false when it was not possible now.
    struct Kind
    {
        const char* name;
        // How often it is chosen.
        int weight;
        bool (*act)(Soak&);
    };
    static const Kind kinds[18];

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
    FrameClock frames;
    // For the watchdog thread: when the GUI thread last came by, and where it was.
    std::atomic<qint64> lastBeatMs { 0 };
    std::atomic<qint64> actionStartMs { 0 };
    std::mutex currentLock;
    std::string currentForWatchdog;
    Clock::time_point start = Clock::now();

    bool prepareFiles()
    {
        QDir dir(scratch.path());
        const QString grid = dir.filePath(QStringLiteral("grid.obj"));
        if (!scratch.isValid() || !dir.mkpath(QStringLiteral("saved"))
            || !dir.mkpath(QStringLiteral("all")) || !writeGrid(grid, 24, "red green blue"))
            return false;
        meshes << grid;
        smallMeshes << grid;
        for (const QFileInfo& file :
            QDir(options.meshes)
                .entryInfoList(
                    { "*.obj", "*.obj.gz", "*.ply", "*.off", "*.stl" }, QDir::Files, QDir::Name)) {
            meshes << file.absoluteFilePath();
            if (file.size() < 400 * 1024)
                smallMeshes << file.absoluteFilePath();
        }

        // Bad files: empty, cut off in the middle of a line, random bytes, a header only, missing.
        const QByteArray gridText = contents(grid);
        QByteArray garbage(4096, '\0');
        for (char& byte : garbage)
            byte = char(uniform(0, 255));
        const std::pair<const char*, QByteArray> bad[] = { { "empty.obj", {} },
            { "truncated.obj", gridText.left(gridText.size() * 3 / 5 + 3) },
            { "garbage.obj", garbage },
            { "header-only.ply",
                "ply\nformat binary_little_endian 1.0\nelement vertex 1000\nproperty float x\n"
                "property float y\nproperty float z\nelement face 10\n"
                "property list uchar int vertex_indices\nend_header\n" } };
        for (const auto& [name, bytes] : bad) {
            QFile file(dir.filePath(text(name)));
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                return false;
            badFiles << file.fileName();
        }
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

    void showWindow()
    {
        UserDialogs::setCurrentFile(QString());
        window = std::make_unique<QtMainWindow>();
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        view = window->glView();
        tools = window->meshEditor;
        // File and colour dialogues are answered here; boxes ("Save changes?",
        // warnings, About) are real and answered by answerModal.
        for (UserDialogs* dialogs :
            { &window->dialogs, &tools->clippingPage->dialogs, &tools->morphogenPage->dialogs,
                &tools->simplifyPage->dialogs, &tools->classifyPage->dialogs,
                &tools->terrainPage->dialogs, &window->lightEditor->settingsPage()->dialogs })
            answerQuestions(*dialogs);
        view->installEventFilter(&frames);
        window->resizeView(640, 560);
        window->show();
        window->mesheditorEvent();
    }

    void answerQuestions(UserDialogs& dialogs)
    {
        dialogs.openFileName = [this](auto, auto, auto, auto) {
            QString name;
            std::swap(name, nextOpen);
            if (!name.isEmpty())
                return name;
            if (chance(0.15))
                return QString();
            return pick(meshes + badFiles + stepFiles + QStringList { heightMap });
        };
        dialogs.saveFileName
            = [this](auto, auto, auto, const QString& filter) { return savedName(filter); };
        dialogs.colour = [this](const QColor&, auto) {
            return chance(0.2) ? QColor()
                               : QColor(uniform(0, 255), uniform(0, 255), uniform(0, 255));
        };
        dialogs.confirm = [this](auto, auto, auto) { return chance(0.7); };
        dialogs.folder = [this](auto, auto, auto) {
            return chance(0.2) ? QString() : QDir(scratch.path()).filePath(QStringLiteral("all"));
        };
    }

    QString savedName(const QString& filter)
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
    void answerModal()
    {
        beat();
        auto* dialogue = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialogue)
            return;
        auto* box = qobject_cast<QMessageBox*>(dialogue);
        if (box)
            ++counts[QStringLiteral("(boxes answered)")];
        QList<QAbstractButton*> buttons;
        if (box)
            buttons = box->buttons();
        else
            for (QPushButton* button : usable<QPushButton>(dialogue))
                buttons << button;
        // A dialogue that one click may not close (a colour pick) gets a few.
        if (qobject_cast<QFileDialog*>(dialogue) || qobject_cast<QColorDialog*>(dialogue)
            || buttons.isEmpty() || (!box && chance(0.25)))
            dialogue->reject();
        else
            pick(buttons)->click();
    }

    qint64 nowMs() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    }
    void beat() { lastBeatMs = nowMs(); }

    // Waits, answering, for the run going on to end; one running past the limit
    // is cancelled. False (after fail) when the window stops answering or a
    // cancelled run does not end.
    bool settle()
    {
        QElapsedTimer clock;
        clock.start();
        bool cancelled = false;
        for (int quiet = 0; quiet < 2;) {
            // A queued call comes back within the answer time, drawing aside;
            // none is left behind to write to this frame later.
            bool answered = false;
            QMetaObject::invokeMethod(
                qApp, [&answered] { answered = true; }, Qt::QueuedConnection);
            QElapsedTimer answer;
            answer.start();
            const qint64 drawnBefore = frames.totalMs;
            while (!answered)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            beat();
            const qint64 answerMs = answer.elapsed() - (frames.totalMs - drawnBefore);
            if (answerMs > options.answerMs) {
                fail(QStringLiteral("the window did not answer within %1 ms (it took %2 ms besides "
                                    "drawing, %3 run going)")
                         .arg(options.answerMs)
                         .arg(answerMs)
                         .arg(window->runner->busy() ? "a" : "no"));
                return false;
            }
            if (!window->runner->busy() && !view->toolRunning()) {
                ++quiet;
                continue;
            }
            quiet = 0;
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

    bool consistent()
    {
        const Workbench& bench = view->workbench;
        const Mesh& mesh = bench.mesh;
        const EditHistory& history = bench.history;
        const auto check = [this](bool good, const QString& what) {
            if (!good)
                fail(what);
            return good;
        };
        const bool modified = bench.isModified();
        const QString title = window->windowTitle();
        const QString program = QtMainWindow::programTitle();
        const QString expected = bench.fileName.empty() && !modified
            ? program
            : QString(QFile::decodeName(bench.documentName().c_str()) + (modified ? "*" : "")
                + " - " + program);
        const QString counts
            = window->statusBar->findChild<QLabel*>(QStringLiteral("counts"))->text().simplified();
        const QString meshCounts
            = QStringLiteral("Verts: %1 Faces: %2").arg(mesh.numVertices).arg(mesh.numFaces);
        // An Edit menu entry as shown ("Undo Subdivide", off) and as the history has it.
        const auto entry = [](QAction* action) -> QString {
            return action->text() + (action->isEnabled() ? "" : " (off)");
        };
        const auto expect = [](const char* verb, bool can, const std::string& step) -> QString {
            return (step.empty() ? text(verb) : text(verb) + ' ' + QString::fromStdString(step))
                + (can ? "" : " (off)");
        };
        const QString menu = entry(window->undoAction) + ", " + entry(window->redoAction);
        const QString kept = expect("Undo", history.canUndo(), history.undoName()) + ", "
            + expect("Redo", history.canRedo(), history.redoName());
        const bool hasMesh = mesh.numVertices > 0 && mesh.numFaces > 0;
        return check(title == expected,
                   QStringLiteral("title \"%1\", expected \"%2\" (workbench %3modified)")
                       .arg(title, expected, modified ? "" : "not "))
            && check(counts == meshCounts,
                QStringLiteral("status bar \"%1\", mesh \"%2\"").arg(counts, meshCounts))
            && check(
                menu == kept, QStringLiteral("Edit menu \"%1\", history \"%2\"").arg(menu, kept))
            && check(window->saveAsAction->isEnabled() == hasMesh,
                QStringLiteral("Save As is %1 with %2").arg(hasMesh ? "off" : "on", meshCounts));
    }

    void fail(const QString& what)
    {
        const auto seed = static_cast<unsigned long long>(options.seed);
        std::printf("soak: FAILED after action %d (%s), seed %llu: %s\n", performed,
            qPrintable(current), seed, qPrintable(what));
        std::printf("soak: replay with --seed %llu\n", seed);
        std::fflush(stdout);
    }

    int chooseKind(double elapsedShare)
    {
        // Kinds not reached yet weigh much more once a third of the time has
        // gone, so that a short run still reaches every kind.
        std::vector<int> weights;
        for (const Kind& kind : kinds) {
            const bool unreached = counts.count(text(kind.name)) == 0;
            weights.push_back(kind.weight * (unreached && elapsedShare > 0.33 ? 10 : 1));
        }
        return std::discrete_distribution<int>(weights.begin(), weights.end())(random);
    }

public:
    int run()
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
                const qint64 now = nowMs();
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

        if (!openFile(meshes.first()) || !checked())
            return finish(1);

        const auto deadline = start + std::chrono::seconds(options.seconds);
        while (Clock::now() < deadline) {
            const double share = std::chrono::duration<double>(Clock::now() - start).count()
                / std::max(1, options.seconds);
            const Kind& kind = kinds[chooseKind(share)];
            current = text(kind.name);
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
            if (!kind.act(*this))
                continue;
            slowestActionMs = std::max(slowestActionMs, clock.elapsed());
            if (options.trace) {
                std::printf("soak: %d %s (%lld ms)\n", performed + 1, qPrintable(current),
                    static_cast<long long>(clock.elapsed()));
                std::fflush(stdout);
            }
            ++performed;
            ++counts[text(kind.name)];
            if (!checked())
                return finish(1);
        }

        // Every kind with its count (also those not reached), then the other counts.
        QStringList perKind, missed;
        for (const Kind& kind : kinds) {
            if (counts[text(kind.name)] == 0)
                missed << text(kind.name);
        }
        for (const auto& [name, n] : counts)
            perKind << QStringLiteral("%1 %2").arg(name).arg(n);
        std::printf("soak: %d kinds, %d actions: %s\n", int(std::size(kinds) - missed.size()),
            performed, qPrintable(perKind.join(QStringLiteral(", "))));
        std::printf("soak: slowest action %lld ms, slowest frame %lld ms\n",
            static_cast<long long>(slowestActionMs), static_cast<long long>(frames.slowestMs));
        if (!missed.isEmpty())
            std::printf("soak: not reached: %s\n", qPrintable(missed.join(QStringLiteral(", "))));
        std::fflush(stdout);
        // The window goes while the timer can still answer what closing asks.
        window->dialogs.saveChanges
            = [](auto, auto, auto) { return UserDialogs::SaveAnswer::Discard; };
        window->close();
        window.reset();
        return finish(0);
    }

private:
    // After an action: the run it started ended, the window agrees with the
    // workbench, and a mesh over the face budget is put aside and checked too.
    bool checked()
    {
        if (!settle() || !consistent())
            return false;
        if (view->mesh.numFaces <= options.faceBudget)
            return true;
        current = QStringLiteral("put aside a mesh of %1 faces").arg(view->mesh.numFaces);
        ++counts[QStringLiteral("(large meshes put aside)")];
        if (window->undoAction->isEnabled())
            window->undoAction->trigger();
        else
            openFile(pick(smallMeshes));
        return settle() && consistent();
    }

    // A press at a random point of on, up to moves moves of up to spread pixels, a release.
    void drag(QWidget* on, Qt::MouseButton button, int moves, int spread)
    {
        QPointF at(uniform(0, on->width() - 1), uniform(0, on->height() - 1));
        sendMouse(on, QEvent::MouseButtonPress, at, button, button);
        for (int i = uniform(1, moves); i > 0; --i) {
            at += QPointF(uniform(-spread, spread), uniform(-spread, spread));
            sendMouse(on, QEvent::MouseMove, at, Qt::NoButton, button);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        sendMouse(on, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
    }

    void setControl(QWidget* control)
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
            userClick(button);
        } else if (auto* tree = qobject_cast<QTreeWidget*>(control)) {
            if (tree->topLevelItemCount() == 0)
                return;
            QTreeWidgetItem* item = tree->topLevelItem(uniform(0, tree->topLevelItemCount() - 1));
            const int column = uniform(0, std::max(0, tree->columnCount() - 1));
            tree->scrollToItem(item);
            const QRect rect = tree->visualItemRect(item);
            if (rect.isEmpty())
                emit tree->itemClicked(item, column);
            else if (chance(0.2))
                QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
            else
                QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
        } else {
            // The mean-shift function plot: its control points follow a drag.
            drag(control, Qt::LeftButton, 6, 30);
        }
    }

    bool pageControl(QWidget* page)
    {
        bringToFront(page);
        QList<QWidget*> controls = usable<QWidget>(page);
        controls.removeIf([](QWidget* w) {
            return !qobject_cast<QAbstractSlider*>(w) && !qobject_cast<QAbstractButton*>(w)
                && !qobject_cast<QComboBox*>(w) && !qobject_cast<QTreeWidget*>(w)
                && !qobject_cast<QtFunctionWidget*>(w);
        });
        if (controls.isEmpty())
            return false;
        QWidget* control = pick(controls);
        const auto* button = qobject_cast<QAbstractButton*>(control);
        current = QStringLiteral("page control: %1 %2 \"%3\"")
                      .arg(page->objectName(), text(control->metaObject()->className()),
                          button ? button->text() : control->objectName());
        setControl(control);
        return true;
    }

    bool openFile(const QString& name)
    {
        current += QStringLiteral(": ") + QFileInfo(name).fileName();
        nextOpen = name;
        window->openAction->trigger();
        nextOpen.clear();
        return true;
    }

    // One of the enabled entries of actions, chosen and triggered.
    bool triggerAny(const QList<QAction*>& actions)
    {
        QList<QAction*> entries;
        for (QAction* entry : actions) {
            if (entry->isEnabled() && !entry->isSeparator())
                entries << entry;
        }
        if (entries.isEmpty())
            return false;
        QAction* entry = pick(entries);
        current += QStringLiteral(": ") + entry->text();
        entry->trigger();
        return true;
    }

    bool saveAs()
    {
        if (!triggerAny({ window->saveAsAction }))
            return false;
        for (const QFileInfo& file :
            QDir(scratch.filePath(QStringLiteral("saved"))).entryInfoList(QDir::Files)) {
            if (file.suffix() != QLatin1String("steps") && file.suffix() != QLatin1String("png")
                && !savedMeshes.contains(file.absoluteFilePath()))
                savedMeshes << file.absoluteFilePath();
        }
        return true;
    }

    bool apply(QWidget* page)
    {
        current += QStringLiteral(": ") + page->objectName();
        bringToFront(page);
        // A subdivision past the face budget would be put aside only after its
        // first still frame, which software GL under the sanitizers takes
        // minutes to draw: the level comes down to one within the budget.
        auto* level = page == tools->subdividePage
            ? page->findChild<QSlider*>(QStringLiteral("subdivlevel_slider"))
            : nullptr;
        while (level && level->value() > 0
            && (std::int64_t(view->mesh.numFaces) << (2 * level->value())) > options.faceBudget)
            level->setValue(level->value() - 1);
        return press(tools->applyButton());
    }

    bool cancelRun()
    {
        ThreadedToolRunner& runner = *window->runner;
        const int showDelay = runner.showDelayMs;
        // Half the runs show their dialogue at once, so that short runs meet Cancel too.
        if (chance(0.5))
            runner.showDelayMs = 0;
        const QList<QWidget*> pages = { tools->subdividePage, tools->classifyPage,
            tools->meanShiftPage, tools->simplifyPage };
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

    bool planeDrag()
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
            userClick(pick(planes));
        const QList<Qt::MouseButton> buttons
            = { Qt::LeftButton, Qt::LeftButton, Qt::MiddleButton, Qt::RightButton };
        drag(view, pick(buttons), 10, 40);
        // Mostly the plane is let go again, and the view turns once more.
        if (chance(0.7)) {
            for (QPushButton* plane : planes) {
                if (plane->isChecked())
                    userClick(plane);
            }
        }
        return true;
    }

    bool terrain()
    {
        QtMeshTerrainWidget* page = tools->terrainPage;
        bringToFront(page);
        if (chance(0.9)) {
            nextOpen = heightMap;
            userClick(buttonNamed(page, "Load Heightmap"));
            nextOpen.clear();
        }
        const QList<QAbstractSlider*> sliders = usable<QAbstractSlider>(page);
        for (int i = uniform(0, 3); i > 0 && !sliders.isEmpty(); --i)
            setControl(pick(sliders));
        return apply(page);
    }

    bool steps()
    {
        if (stepFiles.isEmpty() || chance(0.5)) {
            const int before = savedCount;
            window->saveStepsAction->trigger();
            // The name it was given, if it wrote one.
            for (int k = before; k < savedCount; ++k) {
                const QString name = scratch.filePath(QStringLiteral("saved/s%1.steps").arg(k % 6));
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
};

// Each kind's action: the plain ones written out here, the others above.
const Soak::Kind Soak::kinds[18] = {
    { "open", 5,
        [](Soak& s) {
            if (!s.savedMeshes.isEmpty() && s.chance(0.15))
                return s.openFile(s.pick(s.savedMeshes));
            return s.openFile(s.chance(0.75) ? s.pick(s.smallMeshes) : s.pick(s.meshes));
        } },
    { "open bad", 3, [](Soak& s) { return s.openFile(s.pick(s.badFiles)); } },
    { "open recent", 2,
        [](Soak& s) {
            emit s.window->recentMenu->aboutToShow();
            return s.triggerAny(s.window->recentMenu->actions());
        } },
    { "save as", 4, [](Soak& s) { return s.saveAs(); } },
    { "reload", 3, [](Soak& s) { return press(s.tools->reloadButton()); } },
    { "undo", 8, [](Soak& s) { return s.triggerAny({ s.window->undoAction }); } },
    { "redo", 8, [](Soak& s) { return s.triggerAny({ s.window->redoAction }); } },
    { "render mode", 6,
        [](Soak& s) { return s.triggerAny(s.window->renderModeGroup->actions()); } },
    { "menu", 6,
        [](Soak& s) {
            // What has a kind of its own stays out, and so does Exit.
            QtMainWindow& w = *s.window;
            const QList<QAction*> own = { w.openAction, w.saveAsAction, w.undoAction, w.redoAction,
                w.exitAction, w.runStepsAction, w.saveStepsAction, w.recentMenu->menuAction() };
            QList<QAction*> entries;
            for (QAction* top : w.menuBar()->actions()) {
                if (!top->menu() || top->menu()->objectName() == QLatin1String("rendermodemenu"))
                    continue;
                for (QAction* entry : top->menu()->actions()) {
                    if (!entry->menu() && !own.contains(entry))
                        entries << entry;
                }
            }
            return s.triggerAny(entries);
        } },
    { "lighting", 5,
        [](Soak& s) {
            s.window->lighteditorEvent();
            const bool done = s.pageControl(s.window->lightEditor->settingsPage());
            s.current.prepend(QStringLiteral("lighting, "));
            if (s.chance(0.15))
                s.window->lightEditor->hide();
            return done;
        } },
    { "page control", 14,
        [](Soak& s) {
            QTabWidget* tabs = s.tools->tabs();
            return s.pageControl(tabs->widget(s.uniform(0, tabs->count() - 1)));
        } },
    { "apply", 8,
        [](Soak& s) {
            const QList<QWidget*> pages = { s.tools->simplifyPage, s.tools->subdividePage,
                s.tools->classifyPage, s.tools->traversalPage, s.tools->meanShiftPage };
            return s.apply(s.pick(pages));
        } },
    { "cancel", 4, [](Soak& s) { return s.cancelRun(); } },
    { "drag", 8,
        [](Soak& s) {
            const QList<Qt::MouseButton> buttons = { Qt::LeftButton, Qt::LeftButton,
                Qt::RightButton, Qt::RightButton, Qt::MiddleButton };
            s.drag(s.view, s.pick(buttons), 10, 40);
            return true;
        } },
    { "wheel", 5,
        [](Soak& s) {
            const QPointF at(s.uniform(0, s.view->width() - 1), s.uniform(0, s.view->height() - 1));
            const int notch = s.chance(0.5) ? 120 : -120;
            for (int i = s.uniform(1, 5); i > 0; --i) {
                QWheelEvent event(at, s.view->mapToGlobal(at), QPoint(), QPoint(0, notch),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(s.view, &event);
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            }
            return true;
        } },
    { "plane drag", 5, [](Soak& s) { return s.planeDrag(); } },
    { "terrain", 3, [](Soak& s) { return s.terrain(); } },
    { "steps", 2, [](Soak& s) { return s.steps(); } },
};

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
    const std::map<QString, int*> numbers = { { QStringLiteral("--seconds"), &options.seconds },
        { QStringLiteral("--run-limit"), &options.runLimitMs },
        { QStringLiteral("--face-budget"), &options.faceBudget },
        { QStringLiteral("--answer-ms"), &options.answerMs } };
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        bool good = i + 1 < args.size();
        if (arg == QLatin1String("--trace"))
            options.trace = good = true;
        else if (numbers.count(arg) && good)
            *numbers.at(arg) = args[++i].toInt(&good);
        else if (arg == QLatin1String("--seed") && good)
            options.seed = args[++i].toULongLong(&good);
        else if (arg == QLatin1String("--meshes") && good)
            options.meshes = args[++i];
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
