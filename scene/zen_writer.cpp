// The ".zen" writer.
#include "scene/zen_writer.h"

#include <cstring>
#include <fstream>

namespace velmora {

PayloadBuilder& PayloadBuilder::u32(uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
}

PayloadBuilder& PayloadBuilder::f32(float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return u32(bits);
}

PayloadBuilder& PayloadBuilder::u8(uint8_t v)
{
    bytes.push_back(v);
    return *this;
}

PayloadBuilder& PayloadBuilder::text(const std::string& s)
{
    bytes.insert(bytes.end(), s.begin(), s.end());
    return *this;
}

ZenWriter::ZenWriter()
{
    PayloadBuilder head;
    head.u32(kZenMagic).f32(0.1f);
    bytes_ = std::move(head.bytes);
}

void ZenWriter::chunk(uint32_t type, uint32_t id, const std::string& name,
                      const std::vector<uint8_t>& payload)
{
    PayloadBuilder header;
    header.u32(type).u32(id).u32(static_cast<uint32_t>(payload.size()));
    uint8_t field[kChunkNameSize] = {};
    std::memcpy(field, name.data(), name.size() < kChunkNameSize ? name.size() : kChunkNameSize);
    header.bytes.insert(header.bytes.end(), field, field + kChunkNameSize);
    bytes_.insert(bytes_.end(), header.bytes.begin(), header.bytes.end());
    bytes_.insert(bytes_.end(), payload.begin(), payload.end());
}

void ZenWriter::info() { chunk(kChunkInfo, 0, "DEFAULTINFO", std::vector<uint8_t>(536, 0)); }

void ZenWriter::node(uint32_t id, const std::string& name, const NodeValues& v)
{
    PayloadBuilder p;
    p.vec3(v.position).vec3(v.rotation).vec3(v.scale).vec3(v.pivot).vec3(v.spare).vec3(v.offset);
    chunk(kChunkNode, id, name, p.bytes);
}

void ZenWriter::joint(uint32_t id, const std::string& name, const Vec3f& position,
                      const Vec3f& rotation, const Vec3f& scale, const Vec3f& orient,
                      const Vec3f& axis)
{
    PayloadBuilder p;
    p.vec3(position).vec3(rotation).vec3(scale).vec3(orient).vec3(axis);
    chunk(kChunkJoint, id, name, p.bytes);
}

void ZenWriter::mesh(uint32_t id, const std::string& name, const MeshGeometry& g)
{
    PayloadBuilder p;
    p.u32(static_cast<uint32_t>(g.positions.size()));
    for (const Vec3f& v : g.positions)
        p.vec3(v);
    p.u32(g.triangleCount());
    for (uint32_t index : g.indices)
        p.u32(index);
    p.u32(g.coordSetCount);
    for (float c : g.coords)
        p.f32(c);
    for (const Vec3f& n : g.normals)
        p.vec3(n);
    p.bytes.insert(p.bytes.end(), g.colours.begin(), g.colours.end());
    p.u32(static_cast<uint32_t>(g.groupLast.size()));
    for (uint32_t last : g.groupLast)
        p.u32(last);
    for (uint32_t material : g.groupMaterialIds)
        p.u32(material);
    chunk(kChunkMesh, id, name, p.bytes);
}

void ZenWriter::light(uint32_t id, const std::string& name, const std::array<float, 4>& colour)
{
    PayloadBuilder p;
    for (float c : colour)
        p.f32(c);
    chunk(kChunkLight, id, name, p.bytes);
}

void ZenWriter::camera(uint32_t id, const std::string& name, float fieldOfView)
{
    PayloadBuilder p;
    p.f32(fieldOfView);
    chunk(kChunkCamera, id, name, p.bytes);
}

void ZenWriter::track(uint32_t id, const std::string& name, uint32_t preBehaviour,
                      uint32_t postBehaviour, const std::vector<TrackKey>& keys)
{
    PayloadBuilder p;
    p.u32(preBehaviour).u32(postBehaviour).i32(static_cast<int32_t>(keys.size()));
    for (const TrackKey& k : keys)
        p.f32(k.time).f32(k.value).u32(k.inType).u32(k.outType);
    chunk(kChunkTrack, id, name, p.bytes);
}

void ZenWriter::skin(uint32_t id, const std::string& name, uint32_t meshId,
                     const std::vector<std::vector<ZenInfluence>>& vertices)
{
    PayloadBuilder p;
    p.u32(meshId).u32(static_cast<uint32_t>(vertices.size()));
    for (const auto& influences : vertices) {
        p.i32(static_cast<int32_t>(influences.size()));
        for (const ZenInfluence& influence : influences)
            p.u32(influence.jointId);
        for (const ZenInfluence& influence : influences)
            p.f32(influence.weight);
    }
    chunk(kChunkSkin, id, name, p.bytes);
}

void ZenWriter::material(uint32_t id, const std::string& name,
                         const std::array<float, 4>& diffuse, const std::array<float, 4>& second,
                         const std::array<float, 4>& third, const std::vector<ZenMap>& maps)
{
    PayloadBuilder p;
    for (const auto* colour : {&diffuse, &second, &third})
        for (float c : *colour)
            p.f32(c);
    p.u32(static_cast<uint32_t>(maps.size()));
    for (const ZenMap& map : maps)
        p.u32(map.textureId).u32(map.flags);
    chunk(kChunkMaterial, id, name, p.bytes);
}

void ZenWriter::hierarchy(const std::vector<ZenHierarchyGroup>& groups)
{
    PayloadBuilder p;
    p.u32(static_cast<uint32_t>(groups.size()));
    for (const ZenHierarchyGroup& group : groups) {
        p.u32(group.parentId).u32(static_cast<uint32_t>(group.childIds.size()));
        for (uint32_t child : group.childIds)
            p.u32(child);
    }
    chunk(kChunkHierarchy, 0, "", p.bytes);
}

void ZenWriter::texture(uint32_t id, const std::string& name, const std::string& fileName,
                        const std::string& secondName)
{
    PayloadBuilder p;
    p.u32(static_cast<uint32_t>(fileName.size())).text(fileName);
    p.u32(static_cast<uint32_t>(secondName.size())).text(secondName);
    chunk(kChunkTexture, id, name, p.bytes);
}

void ZenWriter::binding(const std::vector<ZenBinding>& records)
{
    PayloadBuilder p;
    p.u32(static_cast<uint32_t>(records.size()));
    for (const ZenBinding& r : records)
        p.u32(r.trackId).u32(r.targetId).u32(r.channel);
    chunk(kChunkBinding, 0, "", p.bytes);
}

void ZenWriter::marker(uint32_t id, const std::string& name) { chunk(kChunkMarker, id, name, {}); }

void ZenWriter::linkNode(uint32_t id, const std::string& name, const NodeValues& v,
                         const std::vector<std::pair<uint32_t, uint32_t>>& pairs)
{
    PayloadBuilder p;
    p.vec3(v.position).vec3(v.rotation).vec3(v.scale).vec3(v.pivot).vec3(v.spare);
    p.u8(static_cast<uint8_t>(pairs.size() > 127 ? 127 : pairs.size())).u8(0).u8(0).u8(0);
    for (size_t i = 0; i < pairs.size() && i < 127; ++i)
        p.u32(pairs[i].first).u32(pairs[i].second);
    chunk(kChunkLinkNode, id, name, p.bytes);
}

bool ZenWriter::save(const std::string& path) const
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes_.data()),
              static_cast<std::streamsize>(bytes_.size()));
    return static_cast<bool>(out);
}

}  // namespace velmora
