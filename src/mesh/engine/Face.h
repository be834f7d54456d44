#pragma once

#include "mesh/engine/Vector.h"

// One triangle of a Mesh: its corners are entries index[k] of the mesh's
// vertex array (Mesh::corner() gives them).
struct Face
{
    PackedVector normal { 0.0f, 0.0f, 0.0f, 0.0f };
    int index[3] = { 0, 0, 0 };

    // The colour of a face no tool has coloured, and of a vertex without one.
    static PackedVector defaultColour() { return { 0.75f, 0.75f, 1.0f, 1.0f }; }

    // corner k among vertices, the mesh's vertex array.
    const Vector& vertex(const Vector* vertices, int k) const { return vertices[index[k]]; }
    // normal = normalise((Q - P) x (R - Q)) for corners P, Q, R.
    void computeNormal(const Vector* vertices)
    {
        Vector n = normal; // w is kept, then divided by the length
        n.triangleNormal(vertex(vertices, 2), vertex(vertices, 1), vertex(vertices, 0));
        normal = n;
    }
};
