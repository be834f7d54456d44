#include "workbench/engine/ToolRunner.h"

#include "mesh/engine/Progress.h"

#include <cstdio>
#include <new>

RunOutcome doToolWork(ToolRun& run, Progress& progress, bool& result)
{
    try {
        result = run.work ? run.work(progress) : true;
        return RunOutcome::Done;
    } catch (const RunCancelled&) {
        return RunOutcome::Cancelled;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s failed: out of memory\n", run.name.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s failed: %s\n", run.name.c_str(), e.what());
    }
    std::fflush(stderr);
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

RunOutcome runToolHere(ToolRun& run, Progress& progress)
{
    bool result = false;
    const RunOutcome outcome = doToolWork(run, progress, result);
    endToolRun(run, outcome, result);
    return outcome;
}

bool ToolRunner::start(ToolRun run)
{
    if (progress) {
        outcome = runToolHere(run, *progress);
    } else {
        Progress own;
        outcome = runToolHere(run, own);
    }
    return true;
}
