#pragma once

#include "mesh/engine/ReadFile.h"

#include <string>

class Mesh;
class Progress;

// Reads an OBJ file into mesh, which the caller has cleared: positions ("v"),
// triangles ("f", any corner layout, polygons fan-triangulated), vertex colours
// ("vc") and morphogen names and values ("mn", "m"). Derived data is not built.
//
// Announces "Opening: <path>", then the counts and the detected face format.
// Malformed content never writes past the counted arrays; what was dropped or
// replaced is said in one line each (and kept in report). A file that cannot
// be read returns false with one line "<path>: <reason>" ("no such file",
// "permission denied", ...) in problem when the caller takes it, else on the
// error stream. Reports "Reading" and "Parsing" to progress; a stop throws
// RunCancelled.
bool readObj(Mesh& mesh, const std::string& path, ObjReadReport* report = nullptr,
    std::string* problem = nullptr, Progress* progress = nullptr);
