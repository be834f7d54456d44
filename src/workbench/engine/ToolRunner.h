#pragma once

#include <cstdint>
#include <functional>
#include <string>

class Progress;

enum class RunOutcome { Done, Cancelled, Failed };

// One run of a tool on the workbench's mesh.
//
// `work` may run on another thread while the window goes on drawing the mesh:
// it may read the workbench's mesh and tool state but writes only data of its
// own (a copy of what it changes). `finish` runs on the calling thread (the
// GUI thread in the window) after work returned, and applies the result. A
// cancelled or failed run never calls finish, so the mesh and every tool
// state stay as they were.
struct ToolRun
{
    // Names the run in the progress dialogue, the status bar and the Edit menu.
    std::string name;
    std::function<bool(Progress&)> work;
    // Gets what work returned.
    std::function<void(bool)> finish;
    // Bytes the result is expected to take, 0 when not known. A run estimated at
    // more than half of the memory available asks the user first.
    std::uint64_t estimatedBytes = 0;
    // Instead of finish after a cancelled or failed run, told which: hands
    // back anything the run borrowed. May be empty.
    std::function<void(RunOutcome)> abandoned {};
};

// Runs tool work. This one runs it at once on the calling thread, reporting to
// the progress it was given (a fresh silent one when none); the window installs
// one that runs it on a worker thread behind a progress dialogue.
class ToolRunner
{
public:
    explicit ToolRunner(Progress* progress = nullptr)
        : progress(progress)
    { }
    virtual ~ToolRunner() = default;
    // Starts run, or refuses it (returns false: a run is going, or the user
    // declined a huge one); with this runner the run has ended on return.
    virtual bool start(ToolRun run);
    // A run is going: further runs are refused.
    virtual bool busy() const { return false; }
    // How the latest run that started ended.
    RunOutcome lastOutcome() const { return outcome; }
    // Where runs at once report, and steps that write files too; null: nowhere.
    Progress* reportTo() const { return progress; }
    // Whether a failed run at once gets its line on standard error; off when
    // the caller says the failure itself (facetra-cli's one line per failure).
    void setFailureLines(bool on) { failureLines = on; }

protected:
    RunOutcome outcome = RunOutcome::Done;

private:
    Progress* progress;
    bool failureLines = true;
};

// What a run that ran out of memory gives as its reason.
inline constexpr const char* outOfMemoryReason = "not enough memory";

// Calls work; when it throws anything but a stop, reason gets why
// (outOfMemoryReason for a bad_alloc, else the exception's text) before the
// exception goes on.
bool workKeepingReason(
    const std::function<bool(Progress&)>& work, Progress& progress, std::string& reason);

// Calls run.work on this thread and keeps what it returned in `result`.
// RunCancelled gives Cancelled; any other exception (memory running out, no
// thread to share the work) gives Failed, after a line on standard error
// naming the run and the reason unless sayFailure is false.
RunOutcome doToolWork(ToolRun& run, Progress& progress, bool& result, bool sayFailure = true);
// What follows the work: finish with its result when it was done, else
// abandoned.
void endToolRun(ToolRun& run, RunOutcome outcome, bool result);
// The two on this thread.
RunOutcome runToolHere(ToolRun& run, Progress& progress, bool sayFailure = true);
