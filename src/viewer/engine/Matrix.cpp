#include "viewer/engine/Matrix.h"

#include <cmath>
#include <cstring>

void identity4(float m[16])
{
    clearMatrix(m);
    setDiagonal(m);
}

void identity3(float m[9])
{
    for (int i = 0; i < 9; ++i) {
        m[i] = (i % 4 == 0) ? 1.0f : 0.0f;
    }
}

void quaternionToMatrix3(float x, float y, float z, float w, float out[9])
{
    const float n = x * x + y * y + z * z + w * w;
    const float s = n > 0.0f ? 2.0f / n : 0.0f;
    // (row, column) at column * 3 + row.
    out[0] = 1.0f - s * (y * y + z * z);
    out[3] = s * (x * y - w * z);
    out[6] = s * (x * z + w * y);
    out[1] = s * (x * y + w * z);
    out[4] = 1.0f - s * (x * x + z * z);
    out[7] = s * (y * z - w * x);
    out[2] = s * (x * z - w * y);
    out[5] = s * (y * z + w * x);
    out[8] = 1.0f - s * (x * x + y * y);
}

void multiply3(const float a[9], const float b[9], float out[9])
{
    for (int col = 0; col < 3; ++col) {
        for (int row = 0; row < 3; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 3; ++k) {
                sum += a[k * 3 + row] * b[col * 3 + k];
            }
            out[col * 3 + row] = sum;
        }
    }
}

void setRotationKeepScale(float m[16], const float rotation[9])
{
    float sum = 0.0f;
    for (int col = 0; col < 3; ++col) {
        for (int row = 0; row < 3; ++row) {
            sum += m[col * 4 + row] * m[col * 4 + row];
        }
    }
    const float scale = std::sqrt(sum / 3.0f);
    for (int col = 0; col < 3; ++col) {
        for (int row = 0; row < 3; ++row) {
            m[col * 4 + row] = rotation[col * 3 + row] * scale;
        }
    }
}

void clearMatrix(float m[16])
{
    std::memset(m, 0, 16 * sizeof(float));
}

void setDiagonal(float m[16])
{
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}

void transformPoint(const float m[16], Vector& p)
{
    const float x = p.x, y = p.y, z = p.z, w = p.w;
    p = Vector(m[0] * x + m[1] * y + m[2] * z + m[3] * w + m[12],
        m[4] * x + m[5] * y + m[6] * z + m[7] * w + m[13],
        m[8] * x + m[9] * y + m[10] * z + m[11] * w + m[14], 1.0f);
}
