#pragma once

#include "mesh/engine/Mesh.h"
#include "terrain/engine/HeightMap.h"
#include "terrain/engine/TerrainBuilder.h"

// The terrain built word for word the straightforward way: a grid of positions,
// an ordered set of the positions seen, the builds run as listed.
void referenceTerrain(Mesh& mesh, const HeightMap& map, const TerrainParameters& p);

// A height map of pseudo-random pixels, or (seed 0) of grey = pixel column.
HeightMap testMap(int width, int height, unsigned seed);
