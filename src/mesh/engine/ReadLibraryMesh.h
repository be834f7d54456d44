#pragma once

#include "mesh/engine/LoadMesh.h"

#include <string>

class Mesh;
struct ObjReadReport;

// Reads a PLY (ASCII or binary, either byte order), STL (ASCII or binary) or OFF
// (COFF included) file, gzip-compressed or not, into mesh, which the caller has
// cleared, through the OpenMesh readers: positions, vertex colours when the file
// has them, and triangles, polygons fanned from their first corner. STL corners
// at equal positions become one vertex. Faces naming a missing vertex are dropped
// and counted. Derived data is not built. Announces "Opening: <path>" and the
// counts; returns false with one line when the file cannot be opened or read.
bool readLibraryMesh(
    Mesh& mesh, const std::string& path, MeshFileKind kind, ObjReadReport* report = nullptr);
