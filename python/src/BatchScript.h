#pragma once

#include <memory>
#include <string>
#include <vector>

struct StopFlag;

// A step script run over many meshes as facetra-cli run runs it, one mesh at
// a time per call, so that the calls can be spread over threads, processes or
// machines. Nothing here holds the interpreter lock.

// The whole file; false when it cannot be read.
bool readScript(const std::string& path, std::string& text);

// The checks facetra-cli run makes before it runs anything, with its words:
// the script's lines, two meshes saving to one file, the output folder (made
// when missing; "" for none). problem gets the first refusal.
bool checkBatch(const std::string& script, const std::vector<std::string>& meshes,
    const std::string& outDir, std::string& problem);

// The script with the files its steps read (heightmap=, settings=,
// load-table=) made absolute against folder, every line where it was, so that
// a worker elsewhere reads the same files and reports the same line numbers.
std::string resolveScriptFiles(const std::string& script, const std::string& folder);

struct BatchRecord
{
    // What follows "MESH: " on facetra-cli run's status line: "done (2 steps)",
    // "failed: a.obj: no such file", "failed at line 3 (save): ...",
    // "cancelled".
    std::string status;
    // The reason when the mesh failed, empty otherwise.
    std::string error;
    double seconds = 0.0;
    // The counts of the mesh when the script ended (0 when none was read).
    int vertices = 0;
    int faces = 0;
    int edges = 0;
};

// The script (checked by checkBatch) on mesh, in this thread: the same
// workbench, options, reads and saved names as a child of facetra-cli run, so
// the files written are the same. A stop asked through flag ends it with
// "cancelled".
BatchRecord runBatchMesh(const std::string& script, const std::string& mesh,
    const std::string& outDir, const std::shared_ptr<StopFlag>& flag);
