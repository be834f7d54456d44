#include "app/ui/ThreadedToolRunner.h"

#include "app/ui/ToolProgressDialog.h"
#include "mesh/engine/MemoryInfo.h"
#include "mesh/engine/Progress.h"
#include "pagekit/UserDialogs.h"

#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>

namespace {

// The engine reports from the worker thread; the dialogue reads on the GUI
// thread every few tens of milliseconds.
class SharedProgress : public Progress
{
public:
    struct Snapshot
    {
        std::string stage;
        double fraction = 0.0;
    };

    Snapshot snapshot() const
    {
        const std::lock_guard lock(mutex);
        return latest;
    }

protected:
    void show(std::string_view stage, double fraction) override
    {
        const std::lock_guard lock(mutex);
        // assign() keeps the string's buffer: no allocation per report.
        latest.stage.assign(stage);
        latest.fraction = fraction;
    }

private:
    mutable std::mutex mutex;
    Snapshot latest;
};

QString gigabytes(std::uint64_t bytes)
{
    return QString::number(static_cast<double>(bytes) / (1024.0 * 1024.0 * 1024.0), 'f', 1);
}

constexpr int refreshMs = 50;

} // namespace

struct ThreadedToolRunner::ActiveRun
{
    ToolRun run;
    SharedProgress progress;
    // Written by the worker; read on the GUI thread after joining it.
    bool result = false;
    RunOutcome outcome = RunOutcome::Failed;
    // Why the work failed, for the status bar.
    std::string reason;
    std::thread worker;
};

ThreadedToolRunner::ThreadedToolRunner(QWidget* window, UserDialogs* dialogs)
    : availableMemory(&availableMemoryBytes)
    , dialogue(new ToolProgressDialog(window))
    , dialogs(dialogs)
    , showTimer(new QTimer(this))
    , refreshTimer(new QTimer(this))
{
    showTimer->setSingleShot(true);
    // A coarse timer may fire 5 % early.
    showTimer->setTimerType(Qt::PreciseTimer);
    connect(showTimer, &QTimer::timeout, this, [this] {
        refresh();
        if (dialogue)
            dialogue->show();
    });
    refreshTimer->setInterval(refreshMs);
    connect(refreshTimer, &QTimer::timeout, this, &ThreadedToolRunner::refresh);
    connect(dialogue, &ToolProgressDialog::cancelRequested, this, &ThreadedToolRunner::cancel);
}

ThreadedToolRunner::~ThreadedToolRunner()
{
    if (active) {
        active->progress.requestStop();
        active->worker.join();
        // The worker's queued end is dropped with this object: no finish.
        active.reset();
    }
    // The window may outlive its runner; the dialogue goes with the runner.
    delete dialogue.data();
}

bool ThreadedToolRunner::start(ToolRun run)
{
    if (active) {
        say(tr("%1 is still running").arg(QString::fromStdString(active->run.name)));
        return false;
    }
    if (!userAgreesToSize(run)) {
        say(tr("%1 not run").arg(QString::fromStdString(run.name)));
        return false;
    }

    auto next = std::make_unique<ActiveRun>();
    next->run = std::move(run);
    ActiveRun* state = next.get();
    // The reason of a failure is kept for the status bar; the run still ends
    // as doToolWork() decides.
    if (state->run.work) {
        state->run.work = [work = std::move(state->run.work), state](Progress& progress) {
            return workKeepingReason(work, progress, state->reason);
        };
    }
    try {
        next->worker = std::thread([this, state] {
            state->outcome = doToolWork(state->run, state->progress, state->result);
            QMetaObject::invokeMethod(this, &ThreadedToolRunner::endRun, Qt::QueuedConnection);
        });
    } catch (const std::system_error& e) {
        std::fprintf(stderr, "%s failed: %s\n", state->run.name.c_str(), e.what());
        std::fflush(stderr);
        say(tr("%1 failed: %2")
                .arg(QString::fromStdString(state->run.name), QString::fromLocal8Bit(e.what())));
        return false;
    }
    active = std::move(next);

    elapsed.start();
    if (dialogue)
        dialogue->begin(QString::fromStdString(active->run.name));
    showTimer->start(showDelayMs);
    refreshTimer->start();
    emit runStarted(QString::fromStdString(active->run.name));
    return true;
}

bool ThreadedToolRunner::userAgreesToSize(const ToolRun& run)
{
    if (!dialogs || !dialogs->confirm || run.estimatedBytes == 0 || !availableMemory)
        return true;
    const std::uint64_t available = availableMemory();
    // 0: nothing could be read, so there is nothing to compare with. Past all
    // of it the engine refuses the run itself, with its own line.
    if (available == 0 || run.estimatedBytes <= available / 2 || run.estimatedBytes > available)
        return true;
    const QString question = tr("%1 needs about %2 GB of the %3 GB of memory available. Run it?")
                                 .arg(QString::fromStdString(run.name),
                                     gigabytes(run.estimatedBytes), gigabytes(available));
    return dialogs->confirm(
        dialogue ? dialogue->parentWidget() : nullptr, tr("Large result"), question);
}

void ThreadedToolRunner::cancel()
{
    if (!active)
        return;
    active->progress.requestStop();
    if (dialogue)
        dialogue->showCancelling();
}

void ThreadedToolRunner::waitForEnd()
{
    if (!active)
        return;
    QEventLoop loop;
    connect(this, &ThreadedToolRunner::runEnded, &loop, &QEventLoop::quit);
    loop.exec();
}

ToolProgressDialog* ThreadedToolRunner::progressDialog() const
{
    return dialogue.data();
}

void ThreadedToolRunner::refresh()
{
    if (!active || !dialogue)
        return;
    const SharedProgress::Snapshot now = active->progress.snapshot();
    dialogue->showProgress(QString::fromStdString(now.stage), now.fraction, elapsed.elapsed());
}

void ThreadedToolRunner::endRun()
{
    if (!active)
        return;
    active->worker.join();
    showTimer->stop();
    refreshTimer->stop();
    if (dialogue)
        dialogue->hide();

    // No longer busy while finish runs: it may start the next run.
    const std::unique_ptr<ActiveRun> ended = std::move(active);
    const QString name = QString::fromStdString(ended->run.name);
    // What lastOutcome() says, already while the run's own ending is told.
    outcome = ended->outcome;
    endToolRun(ended->run, ended->outcome, ended->result);
    if (ended->outcome == RunOutcome::Cancelled)
        say(tr("%1 cancelled").arg(name));
    else if (ended->outcome == RunOutcome::Failed)
        say(tr("%1 failed: %2")
                .arg(name,
                    ended->reason.empty() ? tr("an unknown error")
                                          : QString::fromStdString(ended->reason)));
    emit runEnded(name, static_cast<int>(ended->outcome));
}

void ThreadedToolRunner::say(const QString& line) const
{
    if (status)
        status(line);
}
