// Reader of the fur teddy's polygon mesh files.
#include "effects/teddy_mesh.h"

#include <cstring>

#include "core/fatal_data.h"
#include "effects/vec3d.h"
#include "resources/data_file.h"

namespace velmora {

namespace {

// Little-endian reads that fail instead of passing the end of the data.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool has(size_t count) const { return count <= size_ - at_; }
    bool u16(uint16_t& v)
    {
        if (!has(2))
            return false;
        v = static_cast<uint16_t>(data_[at_] | data_[at_ + 1] << 8);
        at_ += 2;
        return true;
    }
    bool i32(int32_t& v)
    {
        if (!has(4))
            return false;
        const uint32_t u = data_[at_] | data_[at_ + 1] << 8 | data_[at_ + 2] << 16 | uint32_t(data_[at_ + 3]) << 24;
        std::memcpy(&v, &u, 4);
        at_ += 4;
        return true;
    }
    bool f32(float& v)
    {
        int32_t bits;
        if (!i32(bits))
            return false;
        std::memcpy(&v, &bits, 4);
        return true;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

}  // namespace

bool parsePolyMesh(const uint8_t* data, size_t size, PolyMesh& mesh)
{
    ByteReader in(data, data ? size : 0);
    int32_t vertexCount, faceCount, materialCount;
    if (!in.i32(vertexCount) || !in.i32(faceCount) || !in.i32(materialCount) || vertexCount < 0 ||
        faceCount < 0 || materialCount < 0)
        return false;
    // Every record takes at least this many bytes, so counts beyond the data fail before any
    // allocation is sized by them.
    if (!in.has(size_t(vertexCount) * 12 + size_t(faceCount) * 4 + size_t(materialCount) * 12))
        return false;
    mesh.vertices.assign(vertexCount, PolyVertex{});
    for (PolyVertex& v : mesh.vertices)
        for (float& c : v.position) in.f32(c);
    mesh.faces.assign(faceCount, PolyFace{});
    for (PolyFace& face : mesh.faces) {
        uint16_t count;
        if (!in.u16(count) || !in.has(size_t(count) * 2 + 2))
            return false;
        face.corners.resize(count);
        for (uint16_t& corner : face.corners) {
            in.u16(corner);
            if (corner >= vertexCount)
                return false;
        }
        in.u16(face.material);
    }
    mesh.materials.assign(size_t(materialCount) * 3, 0.0f);
    for (float& c : mesh.materials)
        if (!in.f32(c))
            return false;
    for (const PolyFace& face : mesh.faces)
        if (face.material >= materialCount)
            return false;
    computeNormals(mesh);
    return true;
}

void computeNormals(PolyMesh& mesh)
{
    std::vector<Vec3d> sums(mesh.vertices.size());
    auto position = [&](int index) {
        const float* p = mesh.vertices[index].position;
        return Vec3d{p[0], p[1], p[2]};
    };
    for (const PolyFace& face : mesh.faces) {
        if (face.corners.size() < 3)
            continue;
        const Vec3d a = position(face.corners[0]);
        const Vec3d n = normalized(cross(position(face.corners[1]) - a, position(face.corners[2]) - a));
        for (uint16_t corner : face.corners) sums[corner] += n;
    }
    for (size_t i = 0; i < sums.size(); ++i) {
        const Vec3d n = normalized(sums[i]);
        mesh.vertices[i].normal[0] = static_cast<float>(n.x);
        mesh.vertices[i].normal[1] = static_cast<float>(n.y);
        mesh.vertices[i].normal[2] = static_cast<float>(n.z);
    }
}

void loadPolyMesh(const char* name, PolyMesh& mesh)
{
    DataFile file(name);
    if (file.size() == 0 || !parsePolyMesh(file.data(), file.size(), mesh))
        exitForMissingData(name);
}

}  // namespace velmora
