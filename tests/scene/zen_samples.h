// Small scenes built with the writer, shared by the scene tests.
#pragma once

#include <cstring>
#include <vector>

#include "scene/scene.h"
#include "scene/scene_loader.h"
#include "scene/zen_writer.h"

namespace velmora::testing {

// A flat quad of two triangles in the z = 0 plane, from (-s, -s) to (s, s), facing +z, one
// coordinate set, every corner in `rgb`, one group with material `materialId`.
inline MeshGeometry quadGeometry(float s, const uint8_t rgb[3], uint32_t materialId = 0)
{
    MeshGeometry g;
    g.positions = {{-s, -s, 0}, {s, -s, 0}, {s, s, 0}, {-s, s, 0}};
    g.indices = {0, 1, 2, 0, 2, 3};
    g.coordSetCount = 1;
    const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (uint32_t index : g.indices) {
        g.coords.push_back(uv[index][0]);
        g.coords.push_back(uv[index][1]);
        g.normals.push_back({0, 0, 1});
        g.colours.insert(g.colours.end(), {rgb[0], rgb[1], rgb[2], 0});
    }
    g.groupLast = {1};
    g.groupMaterialIds = {materialId};
    return g;
}

inline NodeValues placedAt(float x, float y, float z)
{
    NodeValues v;
    v.position = {x, y, z};
    return v;
}

// Loads the writer's bytes from memory into a new scene; `result` receives Load's answer.
inline std::unique_ptr<Scene> loadScene(const std::vector<uint8_t>& bytes,
                                        uint32_t* result = nullptr)
{
    auto scene = std::make_unique<Scene>();
    SceneLoader loader;
    const uint32_t r = loader.Load(SceneLoader::kFromMemory, bytes.data(),
                                   static_cast<uint32_t>(bytes.size()), scene.get());
    if (result)
        *result = r;
    return scene;
}

}  // namespace velmora::testing
