#pragma once

#include "terrain/engine/HeightMap.h"

class Mesh;
class Progress;

// The three numbers a terrain is built from.
struct TerrainParameters
{
    // N: samples along each side of the grid, 1 or more.
    int gridResolution = 64;
    // S: world size in x and z (the grid spans 0 .. S (N - 1) / N).
    int gridScale = 256;
    // H: world height in y (heights 0 .. H 255 / 256).
    int heightScale = 64;
};

// Replaces the contents of mesh by an N x N grid whose heights follow the grey
// level of heightmap: 2 (N - 1)^2 triangles, two per cell, vertices numbered in
// the order the faces first use them, every vertex white. Builds the centre,
// face and vertex normals and texture coordinates (announced on standard
// output), clears the picked face and the morphogens, and prints
// "<vertices>, <faces> \n".
//
// Returns false, with one line printed and mesh left as it was, when a
// parameter is below 1, the grid would not fit 32-bit counts, heightmap holds no
// pixels, or memory runs out.
bool buildTerrainMesh(Mesh& mesh, const HeightMap& heightmap, const TerrainParameters& parameters,
    Progress* progress = nullptr);

// Largest grid resolution whose face count fits a 32-bit count.
constexpr int kMaxGridResolution = 32768;
