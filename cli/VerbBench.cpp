#include "VerbBench.h"

#include "CliCommon.h"

#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Progress.h"
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
    std::string why = irregularFileProblem(path);
    if (why.empty() && meshFileKind(path) == MeshFileKind::None)
        why = path + ": no reader for this kind of file (readable: " + readableMeshPatterns() + ")";
    // The reader's reason names the file: "<path>: no such file", ...
    if (why.empty() && !workbench.open(path, &why) && why.empty())
        why = "cannot read '" + path + "'";
    if (why.empty())
        return true;
    fail(why);
    if (problem)
        *problem = why;
    return false;
}

Workbench::StepEnd VerbBench::run(const Step& step)
{
    verbProgress().checkStop();
    Workbench::StepEnd end { Workbench::Outcome::Failed, "the step did not end" };
    workbench.run(step, [&end](const Workbench::StepEnd& e) { end = e; });
    if (end.outcome == Workbench::Outcome::Cancelled) {
        // The workbench hears of a run that failed (memory ran out) as of one
        // cancelled; the runner knows which it was and has named the failure.
        if (runner.lastOutcome() != RunOutcome::Failed)
            throw RunCancelled();
        end = { Workbench::Outcome::Failed, step.verb + " failed" };
    }
    return end;
}

int VerbBench::save(const std::string& path)
{
    if (run(saveStep("save", path)).outcome == Workbench::Outcome::Done)
        return 0;
    return fail(
        "cannot write '" + path + "'" + (workbench.mesh.numFaces == 0 ? " (empty mesh)" : ""));
}
