#pragma once

#include <string>

class Mesh;
struct ObjReadReport;

enum class MeshFileKind { Obj, Net, Ply, Stl, Off, Gts, None };

// The reader a file name asks for, a final ".gz" looked through: the suffixes
// ".ply", ".stl", ".off" and ".gts" (any case) name their formats; otherwise
// "obj" (any case) within the last four characters reads OBJ, else "net" reads
// the net format, else nothing.
MeshFileKind meshFileKind(const std::string& name);

// The suffixes the readers take, for dialogue filters and help texts
// ("*.obj *.net *.ply ..."), each also with ".gz".
const char* readableMeshPatterns();

// Clears mesh and reads the file with the reader its name asks for. A name no
// reader handles leaves the mesh as it was and returns true (nothing to read).
// Returns false when the file could not be opened or read.
bool readMeshFile(Mesh& mesh, const std::string& name, ObjReadReport* report = nullptr);

// Gives every vertex the default face colour: how a mesh without colours of its
// own is shown (black, the colour of no colour, would hide the shading).
void paintDefaultColours(Mesh& mesh);

// The whole open of a mesh file, as the workbench does it: the file is read
// aside, so one that cannot be read leaves mesh as it was and returns false; an
// file without vertex colours (any format but .net, which always has them) gets the
// default face colour; the picked face
// is cleared; then the load builds run (centre, centroids, edge list, vertex
// normals, box), the faces are oriented and the vertex normals built again. A
// name no reader handles reads nothing and runs the rest on the mesh as it is.
bool openMeshFile(Mesh& mesh, const std::string& name, ObjReadReport* report = nullptr);
