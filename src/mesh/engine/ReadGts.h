#pragma once

#include <string>

class Mesh;
class Progress;
struct ObjReadReport;

// Reads a GTS file (gzip-compressed or not) into mesh, which the caller has
// cleared: a line "NV NE NF", NV vertex lines "x y z", NE edge lines "a b"
// (1-based vertices) and NF face lines "e1 e2 e3" (1-based edges); "#" starts a
// comment. A face whose edges are missing or do not close a triangle is dropped
// and counted (said, and kept in report). Derived data is not built. Returns
// false when the file cannot be read, its counts are not there or it ends too
// soon, with one line "<path>: <reason>" in problem when the caller takes it,
// else on the error stream. Reports to progress; a stop throws RunCancelled.
// A large file's numbers are read in parts on every core, cut at line starts,
// and taken in file order: the result is that of one pass.
bool readGts(Mesh& mesh, const std::string& path, ObjReadReport* report = nullptr,
    std::string* problem = nullptr, Progress* progress = nullptr);
