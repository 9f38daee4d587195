// Builds ".zen" scene files chunk by chunk, byte for byte as the loader reads them; used by the
// scene generator and the tests.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "scene/scene_loader.h"
#include "scene/scene_objects.h"
#include "scene/scene_track.h"

namespace velmora {

struct ZenMap {
    uint32_t textureId;
    uint32_t flags;  // Material::kSphereMap for an environment map
};

struct ZenInfluence {
    uint32_t jointId;
    float weight;
};

struct ZenHierarchyGroup {
    uint32_t parentId;
    std::vector<uint32_t> childIds;
};

struct ZenBinding {
    uint32_t trackId;
    uint32_t targetId;
    uint32_t channel;  // a ChannelCode
};

class ZenWriter {
public:
    ZenWriter();  // the "AZEN" magic and version 0.1

    // Info chunk named DEFAULTINFO with 536 zero bytes.
    void info();
    void node(uint32_t id, const std::string& name, const NodeValues& values);
    void joint(uint32_t id, const std::string& name, const Vec3f& position, const Vec3f& rotation,
               const Vec3f& scale, const Vec3f& orient, const Vec3f& axis);
    // Geometry must be consistent: three indices per triangle, per-corner coordinate sets,
    // normals and colours, one material id per group.
    void mesh(uint32_t id, const std::string& name, const MeshGeometry& geometry);
    void light(uint32_t id, const std::string& name, const std::array<float, 4>& colour);
    void camera(uint32_t id, const std::string& name, float fieldOfView);
    void track(uint32_t id, const std::string& name, uint32_t preBehaviour,
               uint32_t postBehaviour, const std::vector<TrackKey>& keys);
    // One influence list per vertex of the mesh.
    void skin(uint32_t id, const std::string& name, uint32_t meshId,
              const std::vector<std::vector<ZenInfluence>>& vertices);
    // Diffuse colour then two further colours, then the maps (at most two are used).
    void material(uint32_t id, const std::string& name, const std::array<float, 4>& diffuse,
                  const std::array<float, 4>& second, const std::array<float, 4>& third,
                  const std::vector<ZenMap>& maps);
    void hierarchy(const std::vector<ZenHierarchyGroup>& groups);
    // The second name is written after the file name and read past by the loader.
    void texture(uint32_t id, const std::string& name, const std::string& fileName,
                 const std::string& secondName);
    void binding(const std::vector<ZenBinding>& records);
    void marker(uint32_t id, const std::string& name);
    void linkNode(uint32_t id, const std::string& name, const NodeValues& values,
                  const std::vector<std::pair<uint32_t, uint32_t>>& pairs);
    // Any chunk: header (name cut to the 64-byte field, NUL-padded) and payload as given.
    void chunk(uint32_t type, uint32_t id, const std::string& name,
               const std::vector<uint8_t>& payload);

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    // Writes the file; false when it cannot be written.
    bool save(const std::string& path) const;

private:
    std::vector<uint8_t> bytes_;
};

// Little-endian payload assembly, shared by the writer and tests that build odd chunks.
class PayloadBuilder {
public:
    PayloadBuilder& u32(uint32_t v);
    PayloadBuilder& i32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
    PayloadBuilder& f32(float v);
    PayloadBuilder& vec3(const Vec3f& v) { return f32(v.x).f32(v.y).f32(v.z); }
    PayloadBuilder& u8(uint8_t v);
    PayloadBuilder& text(const std::string& s);  // the characters, no length, no NUL
    std::vector<uint8_t> bytes;
};

}  // namespace velmora
