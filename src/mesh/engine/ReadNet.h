#pragma once

#include <string>

class Mesh;
class Progress;
struct ObjReadReport;

// Reads a ".net" file ("v", "n", "c", "t" and polygon "f" lines with 0-based
// indices) into mesh, which the caller has cleared. Polygons are
// fan-triangulated; a polygon naming a missing vertex is dropped, which is said
// and kept in report. Returns false, leaving the mesh empty, when the file
// cannot be read or a recognised line does not parse, with one line
// "<path>: <reason>" in problem when the caller takes it, else on the error
// stream. Reports to progress; a stop throws RunCancelled.
bool readNet(Mesh& mesh, const std::string& path, ObjReadReport* report = nullptr,
    std::string* problem = nullptr, Progress* progress = nullptr);
