#pragma once

#include "mesh/engine/Mesh.h"
#include "terrain/engine/HeightMap.h"
#include "terrain/engine/TerrainBuilder.h"

#include <string>

// The terrain built word for word the straightforward way: a grid of positions,
// an ordered set of the positions seen, the builds run as listed.
void referenceTerrain(Mesh& mesh, const HeightMap& map, const TerrainParameters& p);

// A height map of pseudo-random pixels.
HeightMap noiseMap(int width, int height, unsigned seed);
// A height map whose every pixel is (r, g, b).
HeightMap plainMap(int width, int height, int r, int g, int b);
// A 256 x 256 height map of the top view of a real mesh (grey by height over x
// and z), or an invalid map when the mesh is absent.
HeightMap realMeshMap(const std::string& name);
