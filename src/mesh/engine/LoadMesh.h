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

// Clears mesh and reads the file with the reader its name asks for. Returns
// false when the file could not be read, or no reader handles its name (the
// mesh then left as it was), with one line "<name>: <reason>" in problem when
// the caller takes it, else on the error stream: "no such file", "permission
// denied", "no reader for this kind of file", "is cut short", ... Reports to
// progress; a stop throws RunCancelled.
bool readMeshFile(Mesh& mesh, const std::string& name, ObjReadReport* report = nullptr,
    std::string* problem = nullptr, Progress* progress = nullptr);

// Gives every vertex the default face colour: how a mesh without colours of its
// own is shown (black, the colour of no colour, would hide the shading).
void paintDefaultColours(Mesh& mesh);

// Why name must not be read, or "" when it may be: "<name>: is not a regular
// file" for a folder, a device or a socket, which would block, never end or
// hand back nothing of use. A regular file and a FIFO pass (the readers read a
// FIFO until its writer closes it, and can be stopped while they wait), and so
// does a name that does not exist: opening it then fails with its own reason.
std::string irregularFileProblem(const std::string& name);

// Why a read that produced no face failed: "<name>: is not a text mesh file"
// when the opening bytes of an OBJ or net file are binary (an image, an
// archive), else "<name>: holds no faces".
std::string noFacesProblem(const std::string& name);

// The whole open of a mesh file, as the workbench does it: the file is read
// aside, so one that cannot be read, that no reader handles or that yields no
// face leaves mesh as it was and returns false; a file without vertex colours
// (any format but .net, which always has them) gets the default face colour;
// the picked face is cleared; then the load builds run (centre, centroids, edge
// list, vertex normals, box), the faces are oriented and the vertex normals
// built again, all before mesh is replaced. Folders, devices and sockets are
// refused before they are opened.
//
// Why a read failed is one line "<name>: <reason>" ("no such file", "no reader
// for this kind of file", "is cut short", ...): in problem when the caller
// takes it (and shows it), else printed on the error stream. What the read
// dropped is said on standard output and kept in report. progress hears
// "Reading", "Parsing" and the load builds; a stop asked of it throws
// RunCancelled out of here and leaves mesh as it was.
bool openMeshFile(Mesh& mesh, const std::string& name, ObjReadReport* report = nullptr,
    std::string* problem = nullptr, Progress* progress = nullptr);

// What a load builds after reading: centre, centroids, edge list, vertex
// normals and box, then the faces oriented and the vertex normals built again.
// Every change of geometry runs the same, so that a changed mesh carries what
// the same mesh read from a file would.
void buildLoadData(Mesh& mesh, Progress* progress = nullptr);
