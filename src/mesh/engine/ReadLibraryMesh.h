#pragma once

#include "mesh/engine/LoadMesh.h"

#include <string>

class Mesh;
class Progress;
struct ObjReadReport;

// Reads a PLY (ASCII or binary, either byte order), STL (ASCII or binary) or OFF
// (COFF included) file, gzip-compressed or not, into mesh, which the caller has
// cleared: positions, vertex colours when the file has them (float colours kept
// as they are), and triangles, polygons fanned from their first corner. PLY and
// STL are parsed here, and so is OFF text in the plain form nearly every writer
// gives (see parsePlainOff); other OFF files go through the OpenMesh reader. STL corners at equal
// positions become one vertex, and every facet is kept, also one whose corners
// repeat. Faces naming a missing vertex, or without three whole corners, are
// dropped, which is said on standard output and kept in report. Derived data
// is not built. Announces "Opening: <path>" and the counts. Returns false when
// the file cannot be read, with one line "<path>: <reason>" ("is cut short",
// "announces more elements than the file holds", ...) in problem when the
// caller takes it, else on the error stream. Reports to progress; a stop throws
// RunCancelled.
bool readLibraryMesh(Mesh& mesh, const std::string& path, MeshFileKind kind,
    ObjReadReport* report = nullptr, std::string* problem = nullptr, Progress* progress = nullptr);
