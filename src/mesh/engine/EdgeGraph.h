#pragma once

#include "mesh/engine/FlatLists.h"
#include "mesh/engine/LargeArrays.h"

#include <vector>

struct Face;

// Connectivity gathered from the triangle list, before it is flattened into the
// mesh's edge arrays.
//
// Edges are numbered by lower vertex ascending and, within one lower vertex, in
// the order they were first met walking faces (corner pairs 01, 02, 12). An edge
// remembers the face that introduced it and the second face to share it; a third
// face on an edge is dropped.
//
// The neighbour lists are made from the edge list when a tool first asks for
// them (buildNeighbourLists); until then they are empty.
struct EdgeGraph
{
    int edgeCount = 0;
    // Per vertex: the vertices joined to it, in the order the edges were first met.
    FlatLists<int> vertexNeighbours;
    // Per face: the faces sharing an edge with it, in the order the sharing was found.
    FlatLists<int> faceNeighbours;
    // Edges e with recordStart[v] <= e < recordStart[v + 1] are the edges whose
    // lower end is v, in insertion order.
    LargeVector<std::uint32_t> recordStart;

    // Drops everything, the neighbour lists included, and sizes the records for a
    // mesh of this many vertices.
    void init(int vertexCount);
};
