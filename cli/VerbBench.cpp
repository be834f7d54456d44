#include "VerbBench.h"

#include "CliCommon.h"

#include "mesh/engine/Progress.h"
#include "workbench/engine/Batch.h"
#include "workbench/engine/Steps.h"

VerbBench::VerbBench(Workbench::Options options)
    : runner(&verbProgress())
    , workbench(options)
{
    workbench.setRunner(&runner);
    // A failed run is said once, by the verb's own line (stepReason()).
    runner.setFailureLines(false);
}

std::string stepReason(const Workbench::StepEnd& end)
{
    return end.message.empty() ? std::string() : ": " + end.message;
}

bool VerbBench::open(const std::string& path, std::string* problem)
{
    std::string why;
    if (openForBatch(workbench, path, why))
        return true;
    fail(why);
    if (problem)
        *problem = why;
    return false;
}

Workbench::StepEnd VerbBench::run(const Step& step)
{
    verbProgress().checkStop();
    return runStepOrStop(workbench, step);
}

int VerbBench::save(const std::string& path)
{
    if (run(saveStep("save", path)).outcome == Workbench::Outcome::Done)
        return 0;
    return fail(
        "cannot write '" + path + "'" + (workbench.mesh.numFaces == 0 ? " (empty mesh)" : ""));
}
