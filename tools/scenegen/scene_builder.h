// Collects a generated scene's objects and writes them as a ".zen" file in the order the
// exporter used: info, textures, materials, lights, cameras, meshes, joints, nodes, tracks,
// binding, hierarchy, skins (links need their targets read first).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scene/zen_writer.h"
#include "tools/scenegen/mesh_builder.h"

namespace velmora::scenegen {

using Colour = std::array<float, 4>;

// Key shorthand: time (frames), value, in type, out type.
inline TrackKey key(float time, float value, uint32_t type)
{
    return {time, value, type, type};
}

// A node placed at `position` and turned so that its -z axis looks at `target`.
NodeValues lookAt(Vec3f position, Vec3f target);

class SceneBuilder {
public:
    SceneBuilder();

    uint32_t texture(const std::string& fileName);  // second name: upper case, '.' as '_'
    uint32_t material(const std::string& name, Colour diffuse, const std::vector<ZenMap>& maps = {});
    // A material with all three of its colours given (the second and third are stored, not drawn).
    uint32_t material(const std::string& name, Colour diffuse, Colour second, Colour third,
                      const std::vector<ZenMap>& maps);
    uint32_t node(const std::string& name, const NodeValues& values, uint32_t parent = 0);
    uint32_t linkNode(const std::string& name, const NodeValues& values,
                      const std::vector<std::pair<uint32_t, uint32_t>>& pairs, uint32_t parent = 0);
    uint32_t joint(const std::string& name, Vec3f position, uint32_t parent = 0,
                   Vec3f orient = {}, Vec3f axis = {});
    // A joint in any pose: position, rotation and scale of `values`; no orient or axis angles.
    uint32_t posedJoint(const std::string& name, const NodeValues& values, uint32_t parent = 0);
    uint32_t light(const std::string& name, Colour colour, uint32_t parent);
    uint32_t camera(const std::string& name, uint32_t parent, float fieldOfView = 0.95f);
    uint32_t mesh(const std::string& name, const MeshGeometry& geometry, uint32_t parent);
    void marker(const std::string& name);
    // A track bound to `channel` of `target`.
    void animate(uint32_t target, uint32_t channel, uint32_t pre, uint32_t post,
                 const std::vector<TrackKey>& keys);
    void skin(const std::string& name, uint32_t meshId,
              const std::vector<std::vector<ZenInfluence>>& vertices);

    std::vector<uint8_t> finish();

private:
    using Section = std::vector<std::function<void(ZenWriter&)>>;
    enum { kTextures, kMaterials, kLights, kCameras, kMeshes, kJoints, kNodes, kTracks, kSkins,
           kSectionCount };
    void child(uint32_t parent, uint32_t id);

    uint32_t nextId_ = 1;
    std::array<Section, kSectionCount> sections_;
    std::vector<ZenBinding> bindings_;
    std::vector<ZenHierarchyGroup> hierarchy_;
    std::vector<std::string> markers_;
};

}  // namespace velmora::scenegen
