#pragma once

#include "workbench/engine/ToolRunner.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QTimer;
class QWidget;
class ToolProgressDialog;
struct UserDialogs;

// The window's runner: a tool's work runs on a worker thread while the GUI
// thread goes on drawing; a run that takes a while shows a progress dialogue
// with a Cancel button. One run at a time: a start during a run is refused.
//
// finish runs on the GUI thread, and only for a run whose work returned; a
// cancelled or failed run ends with a line in the status bar and nothing else.
class ThreadedToolRunner : public QObject, public ToolRunner
{
    Q_OBJECT
public:
    using StatusSink = std::function<void(const QString&)>;

    // The progress dialogue is a child of window (null: a window of its own);
    // dialogs asks before a huge run (null: never asks).
    explicit ThreadedToolRunner(QWidget* window, UserDialogs* dialogs = nullptr);
    // Stops a running work, waits for its thread and calls no finish. Work
    // that never reports keeps this waiting until it returns.
    ~ThreadedToolRunner() override;

    // Returns false without running anything when a run is going or the user
    // declined a huge one; otherwise the run has started and ends later, on
    // the GUI thread's event loop.
    bool start(ToolRun run) override;
    bool busy() const override { return active != nullptr; }
    // What the Cancel button does: the work stops at its next report.
    void cancel();
    // Processes events until the current run has ended (at once when none is going).
    void waitForEnd();

    // Where the lines for the status bar go.
    void setStatusSink(StatusSink sink) { status = std::move(sink); }
    ToolProgressDialog* progressDialog() const;

    // Bytes the process may still allocate; replaceable for tests.
    std::function<std::uint64_t()> availableMemory;
    // A run ending sooner than this never shows the dialogue.
    int showDelayMs = 500;

signals:
    void runStarted(const QString& name);
    // outcome is a RunOutcome; sent after finish ran.
    void runEnded(const QString& name, int outcome);

private:
    struct ActiveRun;

    bool userAgreesToSize(const ToolRun& run);
    void refresh();
    void endRun();
    void say(const QString& line) const;

    std::unique_ptr<ActiveRun> active;
    QPointer<ToolProgressDialog> dialogue;
    UserDialogs* dialogs;
    StatusSink status;
    QTimer* showTimer;
    QTimer* refreshTimer;
    QElapsedTimer elapsed;
};
