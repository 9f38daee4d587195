// 4x4 single-precision matrices in column-major (OpenGL) order and the few operations the scene
// engine and the scene effects need.
#pragma once

#include <array>

namespace velmora {

struct Vec3f {
    float x = 0, y = 0, z = 0;
};

// Element 12, 13, 14 is the translation; product a * b applies b first (column vectors).
struct Matrix4 {
    std::array<float, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    float& operator[](int i) { return m[i]; }
    float operator[](int i) const { return m[i]; }
    const float* data() const { return m.data(); }

    static Matrix4 identity() { return {}; }
    static Matrix4 translation(const Vec3f& v);
    static Matrix4 scaling(const Vec3f& v);
    // Rz(z) * Ry(y) * Rx(x) for Euler angles in radians.
    static Matrix4 rotation(const Vec3f& angles);

    // Full transform of a point (w = 1), including the translation.
    Vec3f transformPoint(const Vec3f& p) const;
    // General inverse by cofactors over the determinant. False, leaving *this unchanged, when the
    // matrix is singular.
    bool invert();
};

Matrix4 operator*(const Matrix4& a, const Matrix4& b);

}  // namespace velmora
