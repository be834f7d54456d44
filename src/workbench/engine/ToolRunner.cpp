#include "workbench/engine/ToolRunner.h"

#include "mesh/engine/Progress.h"

#include <cstdio>
#include <new>

bool workKeepingReason(
    const std::function<bool(Progress&)>& work, Progress& progress, std::string& reason)
{
    try {
        return work(progress);
    } catch (const RunCancelled&) {
        throw;
    } catch (const std::bad_alloc&) {
        reason = outOfMemoryReason;
        throw;
    } catch (const std::exception& e) {
        reason = e.what();
        throw;
    }
}

RunOutcome doToolWork(ToolRun& run, Progress& progress, bool& result, bool sayFailure)
{
    std::string reason;
    try {
        result = run.work ? workKeepingReason(run.work, progress, reason) : true;
        return RunOutcome::Done;
    } catch (const RunCancelled&) {
        return RunOutcome::Cancelled;
    } catch (const std::exception&) {
        if (sayFailure) {
            std::fflush(stdout);
            std::fprintf(stderr, "%s failed: %s\n", run.name.c_str(), reason.c_str());
            std::fflush(stderr);
        }
    }
    return RunOutcome::Failed;
}

void endToolRun(ToolRun& run, RunOutcome outcome, bool result)
{
    if (outcome == RunOutcome::Done) {
        if (run.finish)
            run.finish(result);
    } else if (run.abandoned) {
        run.abandoned(outcome);
    }
}

RunOutcome runToolHere(ToolRun& run, Progress& progress, bool sayFailure)
{
    bool result = false;
    const RunOutcome outcome = doToolWork(run, progress, result, sayFailure);
    endToolRun(run, outcome, result);
    return outcome;
}

bool ToolRunner::start(ToolRun run)
{
    if (progress) {
        outcome = runToolHere(run, *progress, failureLines);
    } else {
        Progress own;
        outcome = runToolHere(run, own, failureLines);
    }
    return true;
}
