#pragma once

#include <string>

class Mesh;

// The shared real meshes, by file name ("horse-loop1.obj"); compressed ones are
// unpacked once into a temporary folder. Empty when the mesh is not there.
std::string benchMeshPath(const std::string& name);

// Each triangle split into four at its edge midpoints (shared midpoints are
// shared vertices): four times the faces, for million-face figures.
void midpointSplit(const Mesh& in, Mesh& out);

// The path of an OBJ file holding horse-loop1 split once (about 1.55 million
// faces), written on first use into the temporary folder. Empty when the source
// mesh is not there.
std::string benchMillionFacePath();

// Peak resident memory of this process so far, in bytes.
long long peakRssBytes();
