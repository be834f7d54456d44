#pragma once

#include "workbench/engine/Step.h"
#include "workbench/engine/ToolRunner.h"
#include "workbench/engine/Workbench.h"

#include <string>

// The workbench a verb drives, as the window drives its own: every change a
// step, the long ones through a runner reporting to verbProgress(), so that
// Ctrl+C stops them. Make it inside the verb (runCancellable() installs the
// progress first).
class VerbBench
{
public:
    // A one-step verb keeps neither the mesh as read nor what steps replaced:
    // the memory it takes is the work itself.
    static constexpr Workbench::Options oneStep { .keepBackup = false, .keepHistory = false };

    explicit VerbBench(Workbench::Options options = oneStep);
    VerbBench(const VerbBench&) = delete;
    VerbBench& operator=(const VerbBench&) = delete;

    // Opens path as loadForTool() checks it (a name no reader takes, or what
    // is no regular file, refused with the tool's own line), then through the
    // workbench. False, after one line on the error stream, with that line
    // (without the program's name) in problem.
    bool open(const std::string& path, std::string* problem = nullptr);

    // Runs step and returns how it ended. A stop asked before it starts, or a
    // step that ended Cancelled, throws RunCancelled (runCancellable() makes
    // that exit status 130).
    Workbench::StepEnd run(const Step& step);

    // "save path"; 0, or 1 after "cannot write 'path'".
    int save(const std::string& path);

private:
    ToolRunner runner;

public:
    Workbench workbench;
};

// ": <reason>" to end the line of a step that did not end Done ("not enough
// memory for Subdivide"); "" when the step gave none.
std::string stepReason(const Workbench::StepEnd& end);
