#pragma once

#include <string>

class Mesh;

// Reads an OBJ file into mesh, which the caller has cleared: positions ("v"),
// triangles ("f", any corner layout, polygons fan-triangulated), vertex colours
// ("vc") and morphogen names and values ("mn", "m"). Derived data is not built.
//
// Announces "Opening: <path>", then the counts and the detected face format. A
// file that cannot be opened prints "ERROR: Opening File: <path>" on the error
// stream and returns false. Malformed content never writes past the counted
// arrays; what was dropped is reported in one line each.
struct ObjReadReport {
    // Face layout of the first face line: -1 none recognised, 1 "f a b c",
    // 2 "a/t/n", 3 "a//n", 4 "a/t/", 5 "a//".
    int formatType = -1;
    long long droppedFaces = 0;
    // Vertex colours ("vc" lines) stored; 0 when the file has none.
    int coloursRead = 0;
};
bool readObj(Mesh& mesh, const std::string& path, ObjReadReport* report = nullptr);

// Reads a whole file into text, inflated when the name ends in ".gz"; false when
// it cannot be opened or read, or does not inflate (with a line saying why).
bool readWholeFile(const std::string& path, std::string& text);
