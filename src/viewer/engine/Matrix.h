#pragma once

#include "mesh/engine/Vector.h"

// Column-major matrices as OpenGL stores them: a 4x4 matrix is 16 floats, entry
// (row, column) at column * 4 + row; a 3x3 matrix is 9 floats, at column * 3 + row.

void identity4(float m[16]);
void identity3(float m[9]);
// The rotation of quaternion (x, y, z, w), which need not be unit length: it is
// scaled by 2 / |q|^2, and the zero quaternion gives the identity.
void quaternionToMatrix3(float x, float y, float z, float w, float out[9]);
// out = a * b; out may alias neither a nor b.
void multiply3(const float a[9], const float b[9], float out[9]);
// Replaces the upper-left 3x3 block of m by rotation scaled with m's current
// uniform scale, sqrt(sum of the block's squared entries / 3). The translation
// column and the last row stay.
void setRotationKeepScale(float m[16], const float rotation[9]);

// All 16 entries 0.
void clearMatrix(float m[16]);
// Entries 0, 5, 10, 15 set to 1; the others stay.
void setDiagonal(float m[16]);
// p := (m0 x + m1 y + m2 z + m3 w + m12, m4 x + m5 y + m6 z + m7 w + m13,
//       m8 x + m9 y + m10 z + m11 w + m14, 1), the stored entries read by index
// exactly as written (callers rely on this row-wise reading).
void transformPoint(const float m[16], Vector& p);
