// Double-precision 3-vectors and row-major 3 x 3 matrices for the geometry of the procedural
// effects (fur normals, the turtle of the growing tree, the rigid-body solver).
#pragma once

#include <cmath>

namespace velmora {

struct Vec3d {
    double x = 0, y = 0, z = 0;

    Vec3d& operator+=(const Vec3d& o) { x += o.x; y += o.y; z += o.z; return *this; }
    Vec3d& operator-=(const Vec3d& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
    Vec3d& operator*=(double s) { x *= s; y *= s; z *= s; return *this; }
    double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
    double& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
};

inline Vec3d operator+(Vec3d a, const Vec3d& b) { return a += b; }
inline Vec3d operator-(Vec3d a, const Vec3d& b) { return a -= b; }
inline Vec3d operator-(const Vec3d& a) { return {-a.x, -a.y, -a.z}; }
inline Vec3d operator*(Vec3d a, double s) { return a *= s; }
inline Vec3d operator*(double s, Vec3d a) { return a *= s; }
inline double dot(const Vec3d& a, const Vec3d& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3d cross(const Vec3d& a, const Vec3d& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(const Vec3d& a) { return std::sqrt(dot(a, a)); }
// `a` divided by its length; a zero vector is returned unchanged.
inline Vec3d normalized(const Vec3d& a)
{
    const double l = length(a);
    return l != 0 ? a * (1.0 / l) : a;
}

// Row-major: m[row * 3 + column]. Default: identity.
struct Mat3d {
    double m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

    double& at(int row, int column) { return m[row * 3 + column]; }
    double at(int row, int column) const { return m[row * 3 + column]; }
    Vec3d column(int c) const { return {m[c], m[3 + c], m[6 + c]}; }
    void setColumn(int c, const Vec3d& v) { m[c] = v.x; m[3 + c] = v.y; m[6 + c] = v.z; }
};

inline Mat3d zeroMatrix()
{
    Mat3d r;
    for (double& v : r.m) v = 0;
    return r;
}

inline Mat3d operator*(const Mat3d& a, const Mat3d& b)
{
    Mat3d r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r.at(i, j) = a.at(i, 0) * b.at(0, j) + a.at(i, 1) * b.at(1, j) + a.at(i, 2) * b.at(2, j);
    return r;
}

inline Vec3d operator*(const Mat3d& a, const Vec3d& v)
{
    return {a.m[0] * v.x + a.m[1] * v.y + a.m[2] * v.z, a.m[3] * v.x + a.m[4] * v.y + a.m[5] * v.z,
            a.m[6] * v.x + a.m[7] * v.y + a.m[8] * v.z};
}

inline Mat3d transpose(const Mat3d& a)
{
    Mat3d r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.at(i, j) = a.at(j, i);
    return r;
}

}  // namespace velmora
