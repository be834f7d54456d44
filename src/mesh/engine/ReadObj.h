#pragma once

#include "mesh/engine/ReadFile.h"

#include <cstddef>
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
//
// A large file is parsed in parts on every core, each part from a line's start
// to a line's end, and the parts are joined in file order; a file whose lines
// depend on earlier ones in ways a part cannot know is parsed in one pass.
// Either way the result is the same.
bool readObj(Mesh& mesh, const std::string& path, ObjReadReport* report = nullptr,
    std::string* problem = nullptr, Progress* progress = nullptr);
