#pragma once

#include "mesh/engine/Vector.h"

// One triangle of a Mesh. Entry k of `vertex` and of `index` name the same
// vertex: vertex[k] == mesh.vertices.data() + index[k].
struct Face {
    Vector* vertex[3] = { nullptr, nullptr, nullptr };
    Vector normal { 0.0f, 0.0f, 0.0f, 0.0f };
    int index[3] = { 0, 0, 0 };
    Vector colour { 0.75f, 0.75f, 1.0f, 1.0f };
    int traversed = 0;
    int segment = 0;

    // normal = normalise((Q - P) x (R - Q)) for corners P, Q, R.
    void computeNormal() { normal.triangleNormal(*vertex[2], *vertex[1], *vertex[0]); }
};
