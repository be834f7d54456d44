#pragma once

#include <cstdio>
#include <functional>
#include <string>

class Mesh;
class Progress;
struct ObjReadReport;

// Prints "facetra-cli: <message>" on the error stream; returns exit status 1.
int fail(const std::string& message);

// Loads a mesh exactly as the workbench's view does on open (openMeshFile): the
// reader chosen by the name, the load builds, oriented faces, the read heard by
// verbProgress() (so that inside runCancellable() Ctrl+C stops it, also while
// it waits on a FIFO). Returns false, after one line "facetra-cli: <reason>" on
// the error stream, when no reader handles the name or the file cannot be read;
// problem then gets the reason ("<path>: no such file", ...).
bool loadForTool(Mesh& mesh, const std::string& path, double* loadMs = nullptr,
    ObjReadReport* report = nullptr, std::string* problem = nullptr);

// Parses a number argument; false when the whole text is not one.
bool parseInt(const std::string& text, int& value);
bool parseFloat(const std::string& text, float& value);

// For --json: a stream on what was standard output, for the JSON lines alone,
// with standard output itself sent to the error stream so that console lines
// do not mix in. Null, after one line of complaint, when that cannot be done.
std::FILE* separateJsonOutput();

// The progress the running verb hands to the engines. Inside runCancellable()
// it draws a one-line bar on standard error when that is a terminal, and
// Ctrl+C (SIGINT) or SIGTERM asks it to stop; elsewhere it is silent and never
// stops.
Progress& verbProgress();

// Runs a long verb with verbProgress() drawing and listening for the signals
// (a second signal ends the process at once). The bar is erased when the verb
// ends. A verb stopped by a signal (RunCancelled) prints "Cancelled" on the
// error stream and gives exit status 130; its outputs are written beside their
// targets and renamed, so none is left half written.
int runCancellable(const std::function<int()>& verb);
