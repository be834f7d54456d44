#pragma once

#include <string>

class Mesh;

// Reads a GTS file (gzip-compressed or not) into mesh, which the caller has
// cleared: a line "NV NE NF", NV vertex lines "x y z", NE edge lines "a b"
// (1-based vertices) and NF face lines "e1 e2 e3" (1-based edges); "#" starts a
// comment. A face whose edges are missing or do not close a triangle is dropped
// and counted. Derived data is not built. Returns false with one line when the
// file cannot be opened or its counts are not there.
bool readGts(Mesh& mesh, const std::string& path);
