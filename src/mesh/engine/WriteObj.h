#pragma once

#include <string>

class Mesh;

struct ObjWriteOptions {
    // Adds one "vc r g b" line per vertex after the positions, each number as
    // stored (not clamped) with the fewest digits that read back as the same
    // float. Meant for meshes whose vertexColoursSet is true.
    bool vertexColours = false;
};

// Writes the positions and triangles as OBJ ("v x y z", "f a/a/ b/b/ c/c/"),
// numbers with six significant digits. Prints "<nv>, <nf>" first. Returns false
// when the mesh has no vertices or faces (nothing written) or the file cannot be
// written; an existing file is then left as it was.
bool writeObj(const Mesh& mesh, const std::string& path, const ObjWriteOptions& options = {});

// Writes text to path through a temporary file beside it and a rename, so that a
// failure never leaves a half-written file in place of an old one.
bool writeFileReplacing(const std::string& path, const std::string& text);
