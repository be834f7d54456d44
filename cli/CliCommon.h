#pragma once

#include <cstdio>
#include <string>

class Mesh;
struct ObjReadReport;

// Prints "facetra-cli: <message>" on the error stream; returns exit status 1.
int fail(const std::string& message);

// Loads a mesh exactly as the workbench's view does on open (openMeshFile): the
// reader chosen by the name, the load builds, oriented faces.
// Returns false, with one clear line, when the file cannot be read or no reader
// handles its name.
bool loadForTool(Mesh& mesh, const std::string& path, double* loadMs = nullptr,
                 ObjReadReport* report = nullptr);

// Parses a number argument; false when the whole text is not one.
bool parseInt(const std::string& text, int& value);
bool parseFloat(const std::string& text, float& value);

// For --json: a stream on what was standard output, for the JSON lines alone,
// with standard output itself sent to the error stream so that console lines
// do not mix in. Null, after one line of complaint, when that cannot be done.
std::FILE* separateJsonOutput();
