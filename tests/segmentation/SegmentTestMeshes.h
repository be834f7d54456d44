#pragma once

#include "mesh/engine/Mesh.h"

#include <array>
#include <string>
#include <vector>

// A mesh from positions and corner triples with the load builds run (centre,
// centroids, edge list, face and vertex normals, box); no orientation.
Mesh makeMesh(const std::vector<Vector>& positions, const std::vector<std::array<int, 3>>& faces);
// Two triangles sharing the edge (0,0,0)-(1,0,0): the first in the plane z = 0,
// the second turned about that edge by foldDegrees (0: coplanar, 180: folded
// back onto the first).
Mesh foldedPair(double foldDegrees);
// n x n vertices in the plane z = 0, two triangles per cell.
Mesh flatGrid(int n);

// A real mesh loaded as the workbench loads it; false when it is absent.
bool loadRealMesh(Mesh& mesh, const std::string& name);
std::string realMeshPath(const std::string& name);
std::string readFile(const std::string& path);
// A fresh empty folder under the system's temporary folder.
std::string scratchDir(const std::string& name);
// Every face's `traversed` flag, in face order.
std::vector<int> flags(const Mesh& mesh);
