#pragma once

#include "mesh/engine/Mesh.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

// Meshes built in code with the derived data a load builds.
Mesh builtMesh(const std::vector<Vector>& positions, const std::vector<std::array<int, 3>>& faces);
Mesh octahedron();
// An n x n grid of unit cells, heights rippled so that neighbouring normals differ.
Mesh rippledGrid(int n);
// Loads a shared real mesh as the workbench does; false when it is absent.
bool loadRealMesh(Mesh& mesh, const std::string& name);
// What f printed on standard output.
std::string captureStdout(const std::function<void()>& f);
// Every component of every face normal.
std::vector<std::array<float, 4>> faceNormals(const Mesh& mesh);
