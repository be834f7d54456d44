#pragma once

#include "mesh/engine/Mesh.h"

#include <array>
#include <string>
#include <vector>

// Meshes built in code, and the real meshes when the shared folder is there.
Mesh makeMesh(const std::vector<Vector>& positions, const std::vector<std::array<int, 3>>& faces);
Mesh octahedron();
// An n x n grid of vertices in the plane z = 0, two triangles per cell.
Mesh flatGrid(int n);

// The full path of a real mesh that is stored unpacked, or "" when it is absent.
std::string realMeshPath(const std::string& name);
// Loads a real mesh as the workbench does; false when it is absent.
bool loadRealMesh(Mesh& mesh, const std::string& name);

// The bytes writeObj produces for mesh.
std::string objBytes(const Mesh& mesh);
std::string readFile(const std::string& path);
// A fresh empty folder under the system's temporary folder.
std::string scratchDir(const std::string& name);

// The straightforward versions the fast ones are checked against.
std::unique_ptr<Mesh> referenceSubdivide(const Mesh& source, int levels, float weight);
// foldGuard off gives the plain rule, which may turn triangles over; refusals
// counts the candidates the guard turned away.
void referenceSimplify(Mesh& mesh, float fraction, bool foldGuard = true, int* refusals = nullptr);
