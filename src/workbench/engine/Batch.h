#pragma once

#include "workbench/engine/Step.h"
#include "workbench/engine/Workbench.h"

#include <string>
#include <string_view>
#include <vector>

class Progress;

// A step script run over many meshes: facetra-cli run (a process per mesh)
// and the Python module's batch (a thread or a cluster task per mesh) check
// and run it through these, so that they refuse, write and report alike.

// Whether the step writes a file under a name the script gives
// (save, save-normals, save-segments, save-table).
bool isSaveVerb(const std::string& verb);

// A script read and checked, with what it needs the workbench to keep: the
// memory a mesh takes is the work itself unless the script asks for the
// mesh as read (reload) or for what steps replaced (undo, redo).
struct CheckedScript
{
    std::vector<ScriptLine> lines;
    Workbench::Options options { .keepBackup = false, .keepHistory = false };
};

// Parses text and checks every step's arguments. False, with "line N: ..."
// in problem, at the first damaged line.
bool checkScript(std::string_view text, CheckedScript& script, std::string& problem);

// Every step's arguments (the names saves write) made concrete for a script
// run on an open mesh: "{name}" its stem, a relative name put under folder.
void placeStepArguments(CheckedScript& script, const std::string& stem, const std::string& folder);

// What the script's saves write for mesh: "{name}" made the mesh's stem, a
// relative name put under outDir (when not empty).
std::string batchOutputPath(const Step& save, const std::string& mesh, const std::string& outDir);

// The checks on what the script writes before anything runs: no two meshes
// save to one file, and the output folder (when given) is there or can be
// made. False with the refusal in problem.
bool checkBatchOutputs(const CheckedScript& script, const std::vector<std::string>& meshes,
    const std::string& outDir, std::string& problem);

// Opens path in workbench, refusing first what no reader takes or what is no
// regular file, with the words of the batch tool. False with the one line
// that says why in problem.
bool openForBatch(Workbench& workbench, const std::string& path, std::string& problem);

// Runs step on workbench, whose runner runs at once, and returns how it ended.
Workbench::StepEnd runAtOnce(Workbench& workbench, const Step& step);
// The same, but a step that ended Cancelled throws RunCancelled.
Workbench::StepEnd runStepOrStop(Workbench& workbench, const Step& step);

struct BatchEnd
{
    bool done = false;
    // False when the mesh could not be opened.
    bool opened = false;
    // What follows "MESH: " on the batch's status line: "done (2 steps)",
    // "failed: a.obj: no such file", "failed at line 3 (save): ...".
    std::string status;
    // The reason alone when it failed.
    std::string reason;
};

// The script on mesh in a fresh workbench (made with script.options, runner
// installed): opens it, then runs each step, saves written under outDir. A
// stop asked through stop before a step, or a step that ended Cancelled,
// throws RunCancelled.
BatchEnd runScriptOn(Workbench& workbench, const CheckedScript& script, const std::string& mesh,
    const std::string& outDir, const Progress* stop);
