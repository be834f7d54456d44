#pragma once

#include <functional>
#include <string>
#include <string_view>

#include <cstddef>

class Mesh;
class Progress;
struct Vector;

struct ObjWriteOptions
{
    // Adds one "vc r g b" line per vertex after the positions, each number as
    // stored (not clamped) with the fewest digits that read back as the same
    // float. Meant for meshes whose vertexColoursSet is true.
    bool vertexColours = false;
};

// The text of an OBJ file for mesh: the morphogen names ("mn a b ...") when it
// has any, the positions ("v x y z", six significant digits), the colours when
// asked, one "m v1 v2 ..." line of morphogen values per vertex when the mesh
// holds a row for every vertex (each number exactly, as the reader turns it
// back into the same float, infinities as 1e999), then the triangles
// ("f a/a/ b/b/ c/c/"). Reading it back gives the same names and values. A stop
// asked of progress throws RunCancelled.
std::string objText(
    const Mesh& mesh, const ObjWriteOptions& options = {}, Progress* progress = nullptr);
// The same text handed to sink in pieces of a few MiB, each ending at the end
// of a line, so that a large mesh's text is never held whole.
void streamObjText(const Mesh& mesh, const ObjWriteOptions& options, Progress* progress,
    const std::function<void(std::string_view)>& sink);

// Writes objText() to path. Prints "<nv>, <nf>" first. Returns false when the
// mesh has no vertices or faces (nothing written) or the file cannot be
// written (a line on the error stream says why); an existing file is then left
// as it was. When progress asks to stop it throws RunCancelled, the existing
// file again as it was.
bool writeObj(const Mesh& mesh, const std::string& path, const ObjWriteOptions& options = {},
    Progress* progress = nullptr);

// Writes text to path through a temporary file beside it and a rename, so that a
// failure never leaves a half-written file in place of an old one. A stop asked
// of progress before the rename removes the temporary file and throws
// RunCancelled. When the file cannot be created, written or renamed, problem
// (when given) gets "<path>: <the system's reason in lower case>", such as
// "out.obj: permission denied" or "out.obj: no such file or directory".
bool writeFileReplacing(const std::string& path, const std::string& text,
    const Progress* progress = nullptr, std::string* problem = nullptr);
bool writeBytesReplacing(const std::string& path, const char* data, std::size_t size,
    const Progress* progress = nullptr, std::string* problem = nullptr);
// What produce hands the writer it is given, written as writeFileReplacing()
// writes its text: a stop asked of progress, or anything produce throws,
// removes the temporary file and goes on; a failed write makes the rest
// no-ops and the call false.
using ByteWriter = std::function<void(const char* data, std::size_t size)>;
bool writeStreamReplacing(const std::string& path,
    const std::function<void(const ByteWriter&)>& produce, const Progress* progress = nullptr,
    std::string* problem = nullptr);
// streamObjText() into path through writeStreamReplacing().
bool writeObjFile(const Mesh& mesh, const std::string& path, const ObjWriteOptions& options,
    Progress* progress, std::string* problem);

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
