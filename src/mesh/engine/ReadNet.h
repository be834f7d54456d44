#pragma once

#include <string>

class Mesh;

// Reads a ".net" file ("v", "n", "c", "t" and polygon "f" lines with 0-based
// indices) into mesh, which the caller has cleared. Polygons are
// fan-triangulated. Returns false, leaving the mesh empty, when the file cannot
// be opened ("ERROR Opening File: <path>" on the error stream) or a recognised
// line does not parse.
bool readNet(Mesh& mesh, const std::string& path);
