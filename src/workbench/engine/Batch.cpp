#include "workbench/engine/Batch.h"

#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Progress.h"

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

bool isSaveVerb(const std::string& verb)
{
    return verb == "save" || verb == "save-normals" || verb == "save-segments"
        || verb == "save-table";
}

bool checkScript(std::string_view text, CheckedScript& script, std::string& problem)
{
    script = {};
    if (!parseScript(text, script.lines, problem))
        return false;
    for (const ScriptLine& line : script.lines) {
        if (!Workbench::checkStep(line.step, problem)) {
            problem = "line " + std::to_string(line.line) + ": " + problem;
            return false;
        }
        const std::string& verb = line.step.verb;
        script.options.keepBackup |= verb == "reload";
        script.options.keepHistory |= verb == "undo" || verb == "redo";
    }
    return true;
}

void placeStepArguments(CheckedScript& script, const std::string& stem, const std::string& folder)
{
    for (ScriptLine& line : script.lines) {
        for (std::string& arg : line.step.args)
            arg = stepOutputPath(arg, stem, folder);
    }
}

std::string batchOutputPath(const Step& save, const std::string& mesh, const std::string& outDir)
{
    return stepOutputPath(save.args.at(0), meshStem(mesh), outDir);
}

bool checkBatchOutputs(const CheckedScript& script, const std::vector<std::string>& meshes,
    const std::string& outDir, std::string& problem)
{
    // Two meshes saving to one file would leave whichever came last.
    std::map<fs::path, std::size_t> writer;
    for (const ScriptLine& line : script.lines) {
        if (!isSaveVerb(line.step.verb))
            continue;
        for (std::size_t m = 0; m < meshes.size(); ++m) {
            const std::string path = batchOutputPath(line.step, meshes[m], outDir);
            const auto [at, added] = writer.try_emplace(fs::absolute(path).lexically_normal(), m);
            if (!added && at->second != m) {
                problem = "line " + std::to_string(line.line) + ": '" + meshes[at->second]
                    + "' and '" + meshes[m] + "' would both write '" + path
                    + "' ({name} tells them apart)";
                return false;
            }
        }
    }
    if (!outDir.empty()) {
        std::error_code error;
        fs::create_directories(outDir, error);
        if (!fs::is_directory(outDir, error)) {
            problem = "cannot use '" + outDir + "' as the output folder";
            return false;
        }
    }
    return true;
}

bool openForBatch(Workbench& workbench, const std::string& path, std::string& problem)
{
    problem = irregularFileProblem(path);
    if (problem.empty() && meshFileKind(path) == MeshFileKind::None)
        problem
            = path + ": no reader for this kind of file (readable: " + readableMeshPatterns() + ")";
    // The reader's reason names the file: "<path>: no such file", ...
    if (problem.empty() && !workbench.open(path, &problem) && problem.empty())
        problem = "cannot read '" + path + "'";
    return problem.empty();
}

Workbench::StepEnd runAtOnce(Workbench& workbench, const Step& step)
{
    Workbench::StepEnd end { Workbench::Outcome::Failed, "the step did not end" };
    workbench.run(step, [&end](const Workbench::StepEnd& e) { end = e; });
    return end;
}

Workbench::StepEnd runStepOrStop(Workbench& workbench, const Step& step)
{
    const Workbench::StepEnd end = runAtOnce(workbench, step);
    if (end.outcome == Workbench::Outcome::Cancelled)
        throw RunCancelled();
    return end;
}

BatchEnd runScriptOn(Workbench& workbench, const CheckedScript& script, const std::string& mesh,
    const std::string& outDir, const Progress* stop)
{
    const auto checkStop = [stop] {
        if (stop)
            stop->checkStop();
    };
    BatchEnd end;
    checkStop();
    if (!openForBatch(workbench, mesh, end.reason)) {
        end.status = "failed: " + end.reason;
        return end;
    }
    end.opened = true;
    for (const ScriptLine& line : script.lines) {
        Step step = line.step;
        if (isSaveVerb(step.verb))
            step.args[0] = batchOutputPath(step, mesh, outDir);
        checkStop();
        const Workbench::StepEnd stepEnd = runStepOrStop(workbench, step);
        if (stepEnd.outcome != Workbench::Outcome::Done) {
            end.reason = stepEnd.message;
            end.status = "failed at line " + std::to_string(line.line) + " (" + step.verb
                + "): " + stepEnd.message;
            return end;
        }
    }
    const std::size_t n = script.lines.size();
    end.done = true;
    end.status = "done (" + std::to_string(n) + (n == 1 ? " step)" : " steps)");
    return end;
}
