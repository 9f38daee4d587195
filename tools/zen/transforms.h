// From Assimp's matrices to the values a ".zen" node stores: position, Euler angles for
// Rz * Ry * Rx, and scale.
#pragma once

#include <assimp/types.h>

#include "scene/scene_objects.h"

namespace velmora::zen {

Vec3f toVec3f(const aiVector3D& v);
// False when any element is infinite or not a number (Assimp's inverse of a singular matrix).
bool isFinite(const aiMatrix4x4& m);

// Decomposes `m` (translation * rotation * scale; shear is lost); a matrix that is not finite
// gives the rest values. The angles are chosen nearest to `nearRotation` (equivalent angle sets
// and multiples of 2 pi), so that samples of a turning node make a continuous curve.
NodeValues nodeValues(const aiMatrix4x4& m, const Vec3f& nearRotation = {});

// Translation * rotation * scale of node values, the inverse of nodeValues.
aiMatrix4x4 nodeMatrix(const NodeValues& values);

// The frame of an eye at `position` looking along `forward` with `up` roughly up: its -z axis
// along `forward` and its y axis towards `up`, as the player's views expect.
aiMatrix4x4 viewFrame(const aiVector3D& position, const aiVector3D& forward, const aiVector3D& up);

}  // namespace velmora::zen
