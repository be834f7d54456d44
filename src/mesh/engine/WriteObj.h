#pragma once

#include <string>

#include <cstddef>

class Mesh;
class Progress;
struct Vector;

struct ObjWriteOptions {
    // Adds one "vc r g b" line per vertex after the positions, each number as
    // stored (not clamped) with the fewest digits that read back as the same
    // float. Meant for meshes whose vertexColoursSet is true.
    bool vertexColours = false;
};

// Writes the positions and triangles as OBJ ("v x y z", "f a/a/ b/b/ c/c/"),
// numbers with six significant digits. Prints "<nv>, <nf>" first. Returns false
// when the mesh has no vertices or faces (nothing written) or the file cannot be
// written; an existing file is then left as it was. When progress asks to stop
// it throws RunCancelled, the existing file again as it was.
bool writeObj(const Mesh& mesh, const std::string& path, const ObjWriteOptions& options = {},
    Progress* progress = nullptr);

// Writes text to path through a temporary file beside it and a rename, so that a
// failure never leaves a half-written file in place of an old one. A stop asked
// of progress before the rename removes the temporary file and throws
// RunCancelled.
bool writeFileReplacing(
    const std::string& path, const std::string& text, const Progress* progress = nullptr);
bool writeBytesReplacing(
    const std::string& path, const char* data, std::size_t size, const Progress* progress = nullptr);

// Number text as the OBJ files written here hold it: a float as a standard
// stream prints it (six significant digits, trailing zeros dropped); a float
// exactly (the shortest text the reader turns back into the same float, nine
// digits where the reader's conversion through double would round that one
// differently); a whole number.
void appendStreamFloat(std::string& out, float value);
void appendExactFloat(std::string& out, float value);
void appendWholeNumber(std::string& out, long long value);
// "<keyword> x y z\n", the numbers exact or as a stream prints them.
void appendPointLine(std::string& out, const char* keyword, const Vector& p, bool exact);
