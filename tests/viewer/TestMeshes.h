#pragma once

#include "mesh/engine/Mesh.h"

#include <initializer_list>

// Builds a mesh in code from positions and triangles (0-based corners).
inline Mesh makeMesh(std::initializer_list<Vector> positions,
    std::initializer_list<std::initializer_list<int>> triangles)
{
    Mesh mesh;
    mesh.allocateVertices(int(positions.size()));
    mesh.allocateFaces(int(triangles.size()));
    int i = 0;
    for (const Vector& p : positions)
        mesh.vertices[std::size_t(i++)] = p;
    int f = 0;
    for (const auto& t : triangles) {
        int k = 0;
        for (int v : t)
            mesh.faces[std::size_t(f)].index[k++] = v;
        mesh.linkFace(f++);
    }
    return mesh;
}
