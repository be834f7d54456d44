#pragma once

#include <cmath>

// The one value type for points, directions, normals, colours (r, g, b, a) and
// texture coordinates. Single precision throughout.
//
// `length` caches the result of length() or normalise(); it means something only
// right after one of those ran on this value.
struct Vector {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 1.0f;
    float length = 0.0f;

    Vector() = default;
    explicit Vector(int v)
        : x(float(v)), y(float(v)), z(float(v)), w(float(v))
    {
    }
    Vector(float x_, float y_) : x(x_), y(y_) { }
    Vector(float x_, float y_, float z_) : x(x_), y(y_), z(z_) { }
    Vector(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) { }

    // Copies x, y, z and w; the cached length stays with the original.
    Vector(const Vector& o) : x(o.x), y(o.y), z(o.z), w(o.w) { }
    Vector& operator=(const Vector& o)
    {
        x = o.x;
        y = o.y;
        z = o.z;
        w = o.w;
        return *this;
    }

    // sqrt(x^2 + y^2 + z^2), also stored in `length`.
    float getLength()
    {
        length = std::sqrt(x * x + y * y + z * z);
        return length;
    }
    // Divides all four components by the length of (x, y, z); a zero vector
    // becomes non-finite.
    void normalise()
    {
        getLength();
        x /= length;
        y /= length;
        z /= length;
        w /= length;
    }
    // this = a x b; w untouched.
    void cross(const Vector& a, const Vector& b)
    {
        x = a.y * b.z - a.z * b.y;
        y = a.z * b.x - a.x * b.z;
        z = a.x * b.y - a.y * b.x;
    }
    float dot(const Vector& b) const { return x * b.x + y * b.y + z * b.z; }
    // this = normalise((p2 - p3) x (p1 - p2)).
    void triangleNormal(const Vector& p1, const Vector& p2, const Vector& p3);
    bool withinRadius(const Vector& p, float r) const
    {
        const float dx = x - p.x, dy = y - p.y, dz = z - p.z;
        return dx * dx + dy * dy + dz * dz <= r * r;
    }

    Vector& operator+=(const Vector& b)
    {
        x += b.x;
        y += b.y;
        z += b.z;
        w += b.w;
        return *this;
    }
    Vector& operator-=(const Vector& b)
    {
        x -= b.x;
        y -= b.y;
        z -= b.z;
        w -= b.w;
        return *this;
    }
    // Scaling in place leaves w alone (unlike the binary forms).
    Vector& operator*=(float s)
    {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
    Vector& operator/=(float s)
    {
        x /= s;
        y /= s;
        z /= s;
        return *this;
    }
};

inline bool operator==(const Vector& a, const Vector& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}
inline bool operator!=(const Vector& a, const Vector& b) { return !(a == b); }
// Strict lexicographic order on x, y, z; w is ignored.
inline bool operator<(const Vector& a, const Vector& b)
{
    if (a.x != b.x)
        return a.x < b.x;
    if (a.y != b.y)
        return a.y < b.y;
    return a.z < b.z;
}
inline Vector operator+(const Vector& a, const Vector& b)
{
    return { a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w };
}
inline Vector operator-(const Vector& a, const Vector& b)
{
    return { a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w };
}
inline Vector operator*(float s, const Vector& a) { return { s * a.x, s * a.y, s * a.z, s * a.w }; }
inline Vector operator*(const Vector& a, float s) { return { a.x * s, a.y * s, a.z * s, a.w * s }; }
inline Vector operator/(const Vector& a, float s) { return { a.x / s, a.y / s, a.z / s, a.w / s }; }
// Componentwise product of all four components.
inline Vector operator*(const Vector& a, const Vector& b)
{
    return { a.x * b.x, a.y * b.y, a.z * b.z, a.w * b.w };
}

inline void Vector::triangleNormal(const Vector& p1, const Vector& p2, const Vector& p3)
{
    cross(p2 - p3, p1 - p2);
    normalise();
}

// A Vector as a face record stores it: x, y, z and w without the cached length
// (which a copy never carries anyway), so that a face's normal and colour take
// four floats each. It converts to and from Vector both ways.
struct PackedVector {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 1.0f;

    PackedVector() = default;
    PackedVector(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) { }
    PackedVector(const Vector& v) : x(v.x), y(v.y), z(v.z), w(v.w) { } // NOLINT: converts
    operator Vector() const { return { x, y, z, w }; } // NOLINT: converts
    float dot(const Vector& b) const { return x * b.x + y * b.y + z * b.z; }
};
