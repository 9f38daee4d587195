// Matrix decomposition into node values.
#include "tools/zen/transforms.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velmora::zen {

namespace {

float nearestTurn(float angle, float near)
{
    const float turn = 2 * std::numbers::pi_v<float>;
    return angle + turn * std::round((near - angle) / turn);
}

Vec3f nearestAngles(const Vec3f& angles, const Vec3f& near)
{
    return {nearestTurn(angles.x, near.x), nearestTurn(angles.y, near.y),
            nearestTurn(angles.z, near.z)};
}

float distance(const Vec3f& a, const Vec3f& b)
{
    return std::fabs(a.x - b.x) + std::fabs(a.y - b.y) + std::fabs(a.z - b.z);
}

// Angles (x, y, z) with R = Rz(z) Ry(y) Rx(x); rows r and columns c of the rotation.
Vec3f eulerAngles(const aiMatrix3x3& r)
{
    const float sy = std::clamp(-r.c1, -1.0f, 1.0f);
    const float y = std::asin(sy);
    if (std::fabs(sy) < 0.99999f)
        return {std::atan2(r.c2, r.c3), y, std::atan2(r.b1, r.a1)};
    // Looking straight up or down: x and z turn about the same axis; put it all in x.
    return {std::atan2(r.a2 * sy, r.b2), y, 0};
}

}  // namespace

Vec3f toVec3f(const aiVector3D& v) { return {v.x, v.y, v.z}; }

bool isFinite(const aiMatrix4x4& m)
{
    for (unsigned r = 0; r < 4; ++r)
        for (unsigned c = 0; c < 4; ++c)
            if (!std::isfinite(m[r][c]))
                return false;
    return true;
}

NodeValues nodeValues(const aiMatrix4x4& m, const Vec3f& nearRotation)
{
    if (!isFinite(m)) {  // callers check where it matters; never let such values through
        NodeValues rest;
        rest.rotation = nearRotation;
        return rest;
    }
    aiVector3D scale, position;
    aiQuaternion rotation;
    m.Decompose(scale, rotation, position);
    NodeValues values;
    values.position = toVec3f(position);
    values.scale = toVec3f(scale);
    // A node scaled to nothing (a common way to hide one) has no rotation to speak of.
    const bool turned = std::isfinite(rotation.w) && std::isfinite(rotation.x) &&
                        std::isfinite(rotation.y) && std::isfinite(rotation.z);
    if (!turned) {
        values.rotation = nearRotation;
        return values;
    }
    const Vec3f angles = eulerAngles(rotation.GetMatrix());
    const float pi = std::numbers::pi_v<float>;
    const Vec3f first = nearestAngles(angles, nearRotation);
    const Vec3f second = nearestAngles({angles.x + pi, pi - angles.y, angles.z + pi}, nearRotation);
    values.rotation = distance(first, nearRotation) <= distance(second, nearRotation) ? first : second;
    return values;
}

aiMatrix4x4 nodeMatrix(const NodeValues& v)
{
    aiMatrix4x4 rx, ry, rz, t, s;
    aiMatrix4x4::RotationX(v.rotation.x, rx);
    aiMatrix4x4::RotationY(v.rotation.y, ry);
    aiMatrix4x4::RotationZ(v.rotation.z, rz);
    aiMatrix4x4::Translation({v.position.x, v.position.y, v.position.z}, t);
    aiMatrix4x4::Scaling({v.scale.x, v.scale.y, v.scale.z}, s);
    return t * rz * ry * rx * s;
}

aiMatrix4x4 viewFrame(const aiVector3D& position, const aiVector3D& forward, const aiVector3D& up)
{
    aiVector3D z = forward.SquareLength() > 1e-20f ? -forward : aiVector3D(0, 0, 1);
    z.Normalize();
    aiVector3D x = up ^ z;
    if (x.SquareLength() < 1e-12f)  // up along the view: any side will do
        x = std::fabs(z.y) < 0.9f ? aiVector3D(0, 1, 0) ^ z : aiVector3D(1, 0, 0) ^ z;
    x.Normalize();
    const aiVector3D y = z ^ x;
    return aiMatrix4x4(x.x, y.x, z.x, position.x,
                       x.y, y.y, z.y, position.y,
                       x.z, y.z, z.z, position.z,
                       0, 0, 0, 1);
}

}  // namespace velmora::zen
