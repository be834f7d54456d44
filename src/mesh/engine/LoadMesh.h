#pragma once

#include <string>

class Mesh;
class Progress;
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

// Why name must not be read, or "" when it may be: "<name> is not a regular
// file" for a folder, a device, a FIFO or a socket, which would block, never end
// or hand back nothing of use. A name that does not exist passes; opening it
// then fails in the reader with its own message.
std::string irregularFileProblem(const std::string& name);

// Why a read that produced no face failed: "<name> is not a text mesh file" when
// the file's opening bytes are binary (an image, an archive), else "<name> holds
// no faces".
std::string noFacesProblem(const std::string& name);

// The whole open of a mesh file, as the workbench does it: the file is read
// aside, so one that cannot be read, or that yields no face, leaves mesh as it
// was and returns false; a file without vertex colours (any format but .net, which always has them)
// gets the default face colour; the picked face is cleared; then the load builds run (centre,
// centroids, edge list, vertex normals, box), the faces are oriented and the
// vertex normals built again. A name no reader handles reads nothing and runs
// the rest on the mesh as it is. Anything but a regular file is refused before
// it is opened. A failure the reader did not report itself is printed as one
// line on the error stream; `problem` gets that line, or "<name> could not be
// read" after the reader's own message.
bool openMeshFile(Mesh& mesh, const std::string& name, ObjReadReport* report = nullptr,
    std::string* problem = nullptr);

// What a load builds after reading: centre, centroids, edge list, vertex
// normals and box, then the faces oriented and the vertex normals built again.
// Every change of geometry runs the same, so that a changed mesh carries what
// the same mesh read from a file would.
void buildLoadData(Mesh& mesh, Progress* progress = nullptr);
