#pragma once

#include <string>

class Mesh;
struct ObjReadReport;

enum class MeshFileKind { Obj, Net, None };

// The reader a file name asks for: "obj" (any case) within the last four
// characters reads OBJ, else "net" reads the net format, else nothing.
MeshFileKind meshFileKind(const std::string& name);

// Clears mesh and reads the file with the reader its name asks for. A name no
// reader handles leaves the mesh as it was and returns true (nothing to read).
// Returns false when the file could not be opened or read.
bool readMeshFile(Mesh& mesh, const std::string& name, ObjReadReport* report = nullptr);
