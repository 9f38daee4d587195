// Checks on a scene as Assimp hands it over, before anything of it is converted: counts within
// limits, indices in range, finite numbers, a node tree without loops, ordered animation keys.
#pragma once

#include <assimp/scene.h>

#include <cstddef>
#include <string>

namespace velmora::zen {

// Limits that keep a hostile model from costing unbounded memory or time.
struct ModelLimits {
    static constexpr size_t kNodes = 100000;
    static constexpr size_t kDepth = 256;
    static constexpr size_t kVertices = 4000000;   // over all meshes
    static constexpr size_t kTriangles = 4000000;  // over all meshes
    static constexpr size_t kBonesPerMesh = 1024;
    static constexpr size_t kKeysPerChannel = 1000000;
    static constexpr size_t kObjects = 10000;  // materials, cameras, lights, textures, animations
    static constexpr size_t kTexturePixels = 4096 * 4096;
};

// True when every check passes; otherwise false with a one-line reason in `error`.
bool checkModel(const aiScene& scene, std::string& error);

}  // namespace velmora::zen
