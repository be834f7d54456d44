#pragma once

#include "mesh/engine/Mesh.h"

#include <array>
#include <string>
#include <vector>

// A mesh built in code, with the derived data a classification needs.
Mesh segMesh(const std::vector<Vector>& positions, const std::vector<std::array<int, 3>>& faces);
// A strip of 2 * cells triangles in the plane z = 0, faces joined in a row.
Mesh flatStrip(int cells);
// An n x n grid of vertices on a wavy surface, two triangles per cell.
Mesh bumpyGrid(int n, float height = 1.0f);
// A regular tetrahedron moved by dx: every bend between faces is over 1 radian.
std::vector<Vector> tetraPositions(float dx);
// Loads a real mesh as the workbench does; false when it is absent.
bool loadRealMesh(Mesh& mesh, const std::string& name);
