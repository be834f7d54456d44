#pragma once

#include <string>

class Mesh;
class Progress;

// The formats a mesh can be written in, chosen by the name's suffix (any case).
enum class MeshWriteFormat { Obj, Ply, Stl, Off };
MeshWriteFormat meshWriteFormat(const std::string& name);

// Writes mesh by the suffix of path: ".ply" binary little-endian, ".stl" binary,
// ".off" text, anything else OBJ through writeObj. Vertex colours go into PLY and
// OFF (as COFF) when withColours is set, as bytes 0..255 (the form other programs
// read), and into OBJ as "vc" lines; STL carries none. Positions are
// written exactly (binary floats, or nine significant digits in OFF). Written
// beside the target and renamed; false, with a line, when it cannot be written or
// the mesh has no vertices or faces. A stop asked of progress throws
// RunCancelled and leaves the target as it was.
bool writeMeshFile(
    const Mesh& mesh, const std::string& path, bool withColours = false, Progress* progress = nullptr);
