// The generated scenes' chunk ordering and id allocation.
#include "tools/scenegen/scene_builder.h"

#include <cctype>
#include <cmath>

namespace velmora::scenegen {

NodeValues lookAt(Vec3f position, Vec3f target)
{
    const Vec3f d = normalized(sub(target, position));
    NodeValues v;
    v.position = position;
    // The node's -z axis after Ry(yaw) Rx(pitch) is (-cos p sin y, sin p, -cos p cos y).
    v.rotation = {std::asin(d.y), std::atan2(-d.x, -d.z), 0};
    return v;
}

SceneBuilder::SceneBuilder() = default;

void SceneBuilder::child(uint32_t parent, uint32_t id)
{
    if (parent == 0)
        return;
    for (ZenHierarchyGroup& group : hierarchy_)
        if (group.parentId == parent) {
            group.childIds.push_back(id);
            return;
        }
    hierarchy_.push_back({parent, {id}});
}

uint32_t SceneBuilder::texture(const std::string& fileName)
{
    const uint32_t id = nextId_++;
    std::string second = fileName;
    for (char& c : second)
        c = c == '.' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    sections_[kTextures].push_back(
        [=](ZenWriter& w) { w.texture(id, "Map #" + std::to_string(id), fileName, second); });
    return id;
}

uint32_t SceneBuilder::material(const std::string& name, Colour diffuse,
                                const std::vector<ZenMap>& maps)
{
    const uint32_t id = nextId_++;
    const Colour ambient{diffuse[0] * 0.3f, diffuse[1] * 0.3f, diffuse[2] * 0.3f, 1};
    sections_[kMaterials].push_back(
        [=](ZenWriter& w) { w.material(id, name, diffuse, ambient, {1, 1, 1, 1}, maps); });
    return id;
}

uint32_t SceneBuilder::material(const std::string& name, Colour diffuse, Colour second,
                                Colour third, const std::vector<ZenMap>& maps)
{
    const uint32_t id = nextId_++;
    sections_[kMaterials].push_back(
        [=](ZenWriter& w) { w.material(id, name, diffuse, second, third, maps); });
    return id;
}

uint32_t SceneBuilder::node(const std::string& name, const NodeValues& values, uint32_t parent)
{
    const uint32_t id = nextId_++;
    sections_[kNodes].push_back([=](ZenWriter& w) { w.node(id, name, values); });
    child(parent, id);
    return id;
}

uint32_t SceneBuilder::linkNode(const std::string& name, const NodeValues& values,
                                const std::vector<std::pair<uint32_t, uint32_t>>& pairs,
                                uint32_t parent)
{
    const uint32_t id = nextId_++;
    sections_[kNodes].push_back([=](ZenWriter& w) { w.linkNode(id, name, values, pairs); });
    child(parent, id);
    return id;
}

uint32_t SceneBuilder::joint(const std::string& name, Vec3f position, uint32_t parent,
                             Vec3f orient, Vec3f axis)
{
    const uint32_t id = nextId_++;
    sections_[kJoints].push_back(
        [=](ZenWriter& w) { w.joint(id, name, position, {}, {1, 1, 1}, orient, axis); });
    child(parent, id);
    return id;
}

uint32_t SceneBuilder::posedJoint(const std::string& name, const NodeValues& values,
                                  uint32_t parent)
{
    const uint32_t id = nextId_++;
    sections_[kJoints].push_back([=](ZenWriter& w) {
        w.joint(id, name, values.position, values.rotation, values.scale, {}, {});
    });
    child(parent, id);
    return id;
}

uint32_t SceneBuilder::light(const std::string& name, Colour colour, uint32_t parent)
{
    const uint32_t id = nextId_++;
    sections_[kLights].push_back([=](ZenWriter& w) { w.light(id, name, colour); });
    child(parent, id);
    return id;
}

uint32_t SceneBuilder::camera(const std::string& name, uint32_t parent, float fieldOfView)
{
    const uint32_t id = nextId_++;
    sections_[kCameras].push_back([=](ZenWriter& w) { w.camera(id, name, fieldOfView); });
    child(parent, id);
    return id;
}

uint32_t SceneBuilder::mesh(const std::string& name, const MeshGeometry& geometry,
                            uint32_t parent)
{
    const uint32_t id = nextId_++;
    sections_[kMeshes].push_back([=](ZenWriter& w) { w.mesh(id, name, geometry); });
    child(parent, id);
    return id;
}

void SceneBuilder::marker(const std::string& name) { markers_.push_back(name); }

void SceneBuilder::animate(uint32_t target, uint32_t channel, uint32_t pre, uint32_t post,
                           const std::vector<TrackKey>& keys)
{
    const uint32_t id = nextId_++;
    const std::string name = "track" + std::to_string(id);
    sections_[kTracks].push_back([=](ZenWriter& w) { w.track(id, name, pre, post, keys); });
    bindings_.push_back({id, target, channel});
}

void SceneBuilder::skin(const std::string& name, uint32_t meshId,
                        const std::vector<std::vector<ZenInfluence>>& vertices)
{
    const uint32_t id = nextId_++;
    sections_[kSkins].push_back([=](ZenWriter& w) { w.skin(id, name, meshId, vertices); });
}

std::vector<uint8_t> SceneBuilder::finish()
{
    ZenWriter w;
    w.info();
    for (int s = kTextures; s <= kTracks; ++s)
        for (const auto& write : sections_[s])
            write(w);
    w.binding(bindings_);
    w.hierarchy(hierarchy_);
    for (const auto& write : sections_[kSkins])
        write(w);
    for (const std::string& name : markers_)
        w.marker(nextId_++, name);
    return w.bytes();
}

}  // namespace velmora::scenegen
