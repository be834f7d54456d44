#pragma once

#include <string>
#include <vector>

class Mesh;
class Progress;

// The formats a mesh can be written in.
enum class MeshWriteFormat { Obj, Ply, Stl, Off, None };

struct MeshWriteTarget
{
    MeshWriteFormat format = MeshWriteFormat::None;
    bool gzip = false;
};

// The writer a name asks for, by the suffix of its last path component in any
// case, a final ".gz" looked through: ".obj", ".ply", ".stl", ".off", each
// also with ".gz" (then gzip set). Any other name gives format None.
MeshWriteTarget meshWriteTarget(const std::string& name);

// "" when name can be written; else the refusal, naming the suffix as the name
// has it (the last one, with the one before it when the last is ".gz" or the
// one before names a mesh format: ".gts", ".net.gz", ".obj.zip"):
//   "cannot write .net files: choose .obj, .ply, .stl, .off or a .gz of them"
// and for a name with no suffix at all:
//   "cannot write 'NAME' (no suffix): choose .obj, .ply, .stl, .off or a .gz of them".
std::string meshWriteProblem(const std::string& name);

struct MeshWriteReport
{
    std::string problem; // why nothing was written (empty when written)
    std::vector<std::string> losses; // what the format could not hold, one sentence each
};

// Writes mesh to path in the format its name asks for (meshWriteTarget()):
// OBJ through objText() (positions to six digits, "vc" colours when withColours,
// the morphogen names and values exactly), PLY binary little-endian, STL binary,
// OFF text (positions exact, nine digits at most); PLY and OFF carry the colours
// when withColours is set, as bytes 0..255 (COFF for OFF). A ".gz" name gets the
// same bytes gzip-compressed. The file is written beside the target and
// renamed, so a failure leaves the old file as it was.
//
// Returns false, writing nothing, with report->problem (also printed as one
// line on the error stream) being the refusal of meshWriteProblem(), "no mesh
// to save" for a mesh without vertices or faces, or "<path>: <reason>" when the
// file cannot be created, written or renamed ("permission denied", "no such
// file or directory"). What the format cannot hold of the mesh (STL: colours
// and morphogens; PLY, OFF: morphogens) is still written without it, each
// loss a sentence in report->losses and a line on the error stream, as
// "out.stl: STL holds no vertex colours; they are not written". A stop asked
// of progress throws RunCancelled and leaves the target as it was.
bool writeMeshFile(const Mesh& mesh, const std::string& path, bool withColours = false,
    Progress* progress = nullptr, MeshWriteReport* report = nullptr);
