#pragma once

#include <string>

class Mesh;

// Writes the positions and triangles as OBJ ("v x y z", "f a/a/ b/b/ c/c/"),
// numbers with six significant digits. Prints "<nv>, <nf>" first. Returns false
// when the mesh has no vertices or faces (nothing written) or the file cannot be
// written; an existing file is then left as it was.
bool writeObj(const Mesh& mesh, const std::string& path);

// Writes text to path through a temporary file beside it and a rename, so that a
// failure never leaves a half-written file in place of an old one.
bool writeFileReplacing(const std::string& path, const std::string& text);
