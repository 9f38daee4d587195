// The ".zen" reader: chunk walking, one reader per chunk type, and the load-time links.
#include "scene/scene_loader.h"

#include <cstdio>
#include <cstring>

#include "resources/data_file.h"
#include "scene/scene.h"

namespace velmora {

namespace {

// Bounded little-endian reads over one payload. A read past the end fails the reader and
// yields zeros; counts are checked with fits() before anything is allocated for them.
class PayloadReader {
public:
    PayloadReader(const uint8_t* data, uint32_t length) : data_(data), length_(length) {}

    uint32_t u32()
    {
        if (!take(4))
            return 0;
        uint32_t v;
        std::memcpy(&v, data_ + position_ - 4, 4);
        return v;
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    float f32()
    {
        const uint32_t bits = u32();
        float v;
        std::memcpy(&v, &bits, 4);
        return v;
    }
    Vec3f vec3()
    {
        Vec3f v;
        v.x = f32();
        v.y = f32();
        v.z = f32();
        return v;
    }
    const uint8_t* bytes(uint32_t count)
    {
        return take(count) ? data_ + position_ - count : nullptr;
    }
    void seek(uint32_t position)
    {
        if (position > length_)
            failed_ = true;
        else
            position_ = position;
    }
    // True when `count` elements of `size` bytes remain.
    bool fits(uint64_t count, uint64_t size) const
    {
        return !failed_ && (size == 0 || count <= (length_ - position_) / size);
    }
    bool ok() const { return !failed_; }

private:
    bool take(uint32_t count)
    {
        if (failed_ || count > length_ - position_) {
            failed_ = true;
            return false;
        }
        position_ += count;
        return true;
    }

    const uint8_t* data_;
    uint32_t length_;
    uint32_t position_ = 0;
    bool failed_ = false;
};

template <typename T>
T* append(std::vector<std::unique_ptr<T>>& list, std::unique_ptr<T> object, uint32_t id,
          const char* name)
{
    object->id = id;
    object->name = name;
    list.push_back(std::move(object));
    return list.back().get();
}

SceneObject* asObject(SceneItem* item)
{
    if (!item)
        return nullptr;
    switch (item->tag) {
    case kTagObject:
    case kTagNode:
    case kTagJoint:
    case kTagLinkNode:
    case kTagCamera:
    case kTagLight:
    case kTagMesh:
        return static_cast<SceneObject*>(item);
    default:
        return nullptr;
    }
}

// Where Scene::search looks first: meshes, joints, nodes, lights, cameras, textures, materials,
// link nodes; -1 for what it never finds (tracks, skins).
int searchRank(uint32_t tag)
{
    static constexpr uint32_t kOrder[] = {kTagMesh,   kTagJoint,   kTagNode,     kTagLight,
                                          kTagCamera, kTagTexture, kTagMaterial, kTagLinkNode};
    for (int rank = 0; rank < 8; ++rank)
        if (kOrder[rank] == tag)
            return rank;
    return -1;
}

template <typename T>
T* findInList(const std::vector<std::unique_ptr<T>>& list, uint32_t id)
{
    for (const auto& item : list)
        if (item->id == id)
            return item.get();
    return nullptr;
}

NodeValues readNodeValues(PayloadReader& in, bool withOffset)
{
    NodeValues v;
    v.position = in.vec3();
    v.rotation = in.vec3();
    v.scale = in.vec3();
    v.pivot = in.vec3();
    v.spare = in.vec3();
    if (withOffset)
        v.offset = in.vec3();
    return v;
}

bool readMesh(PayloadReader& in, MeshGeometry& g)
{
    const uint32_t v = in.u32();
    if (!in.fits(v, 12))
        return false;
    g.positions.resize(v);
    for (Vec3f& p : g.positions)
        p = in.vec3();
    const uint32_t f = in.u32();
    if (!in.fits(f, 12))
        return false;
    const uint64_t corners = static_cast<uint64_t>(f) * 3;
    g.indices.resize(corners);
    for (uint32_t& index : g.indices) {
        index = in.u32();
        if (index >= v)
            return false;  // an index past the vertex array would be drawn from beyond it
    }
    g.coordSetCount = in.u32();
    // Coordinates, normals and colours together: 24·T·F + 36·F + 12·F bytes.
    if (!in.fits(corners, 8ull * g.coordSetCount + 12 + 4))
        return false;
    g.coords.resize(corners * 2 * g.coordSetCount);
    for (float& c : g.coords)
        c = in.f32();
    g.normals.resize(corners);
    for (Vec3f& n : g.normals)
        n = in.vec3();
    const uint8_t* colours = in.bytes(static_cast<uint32_t>(corners * 4));
    if (!colours)
        return false;
    g.colours.assign(colours, colours + corners * 4);
    const uint32_t groups = in.u32();
    if (!in.fits(groups, 8))
        return false;
    g.groupLast.resize(groups);
    g.groupMaterialIds.resize(groups);
    // Each group ends past the one before and within the triangles, as the renderer relies on.
    for (size_t i = 0; i < groups; ++i) {
        g.groupLast[i] = in.u32();
        if (g.groupLast[i] >= f || (i > 0 && g.groupLast[i] <= g.groupLast[i - 1]))
            return false;
    }
    for (uint32_t& material : g.groupMaterialIds)
        material = in.u32();
    return in.ok();
}

}  // namespace

uint32_t SceneLoader::Load(uint32_t mode, const void* source, uint32_t size, Scene* scene)
{
    cutChunkOffset_ = 0;
    dataSize_ = 0;
    if (!scene || (mode != kByName && mode != kFromMemory))
        return 0;
    scene_ = scene;
    uint32_t result;
    if (mode == kFromMemory) {
        result = source ? readMemory(static_cast<const uint8_t*>(source), size) : kBadMagic;
    } else {
        DataFile file(source ? static_cast<const char*>(source) : "");
        result = readMemory(file.data(), file.size());
    }
    scene_ = nullptr;
    return result;
}

template <typename T>
void SceneLoader::index(T* item)
{
    const int rank = searchRank(item->tag);
    if (rank < 0)
        return;
    // The first of the highest-ranked kind wins, as in Scene::search.
    auto [at, added] = itemsById_.try_emplace(item->id, IndexedItem{item, rank});
    if (!added && rank < at->second.rank)
        at->second = IndexedItem{item, rank};
}

SceneItem* SceneLoader::findById(uint32_t id) const
{
    const auto at = itemsById_.find(id);
    return at == itemsById_.end() ? nullptr : at->second.item;
}

bool SceneLoader::closesLoop(const SceneObject* parent, const SceneObject* child)
{
    // Whatever has `child` as its parent is in its list, so a child with an empty list is no
    // one's ancestor: the usual case, and a long chain listed from the top stays linear.
    if (child->children.empty())
        return child == parent;
    uint32_t levels = 0;
    for (const SceneObject* at = parent; at; at = at->parent) {
        if (at == child)
            return true;
        if (++levels > kMaxAncestorSearch) {
            if (!depthReported_)
                std::printf("scene hierarchy deeper than %u levels: links below refused\n", kMaxAncestorSearch);
            depthReported_ = true;
            return true;
        }
    }
    return false;
}

uint32_t SceneLoader::readMemory(const uint8_t* data, uint32_t size)
{
    itemsById_.clear();
    depthReported_ = false;
    // What the scene held before (normally nothing) is found as well.
    auto indexAll = [this](const auto& list) {
        for (const auto& item : list)
            index(item.get());
    };
    indexAll(scene_->meshes);
    indexAll(scene_->joints);
    indexAll(scene_->nodes);
    indexAll(scene_->lights);
    indexAll(scene_->cameras);
    indexAll(scene_->textures);
    indexAll(scene_->materials);
    indexAll(scene_->linkNodes);
    dataSize_ = size;
    uint32_t magic = 0;
    if (!data || size < 8 || (std::memcpy(&magic, data, 4), magic != kZenMagic))
        return kBadMagic;
    uint32_t position = 8;
    while (position < size) {
        if (size - position < kChunkHeaderSize) {
            cutChunkOffset_ = position;
            break;
        }
        uint32_t type, id, length;
        std::memcpy(&type, data + position, 4);
        std::memcpy(&id, data + position + 4, 4);
        std::memcpy(&length, data + position + 8, 4);
        char name[kChunkNameSize] = {};
        std::memcpy(name, data + position + 12, kChunkNameSize - 1);  // cut to 63 characters
        position += kChunkHeaderSize;
        if (length > size - position) {
            cutChunkOffset_ = position - kChunkHeaderSize;
            break;
        }
        dispatch(type, id, name, data + position, length);
        position += length;
    }
    return 0;
}

void SceneLoader::dispatch(uint32_t type, uint32_t id, const char* name, const uint8_t* payload,
                           uint32_t length)
{
    Scene& scene = *scene_;
    PayloadReader in(payload, length);
    switch (type) {
    case kChunkNode: {
        auto node = std::make_unique<TransformNode>();
        node->values = readNodeValues(in, true);
        if (in.ok())
            index(append(scene.nodes, std::move(node), id, name));
        break;
    }
    case kChunkJoint: {
        auto joint = std::make_unique<Joint>();
        joint->values.position = in.vec3();
        joint->values.rotation = in.vec3();
        joint->values.scale = in.vec3();
        joint->setOrient(in.vec3());
        joint->setAxis(in.vec3());
        if (in.ok())
            index(append(scene.joints, std::move(joint), id, name));
        break;
    }
    case kChunkLinkNode: {
        auto link = std::make_unique<LinkNode>();
        link->values = readNodeValues(in, false);
        in.seek(60);
        const int8_t signedCount = static_cast<int8_t>(in.bytes(1) ? payload[60] : 0);
        const uint32_t pairs = signedCount > 0 ? static_cast<uint32_t>(signedCount) : 0;
        in.seek(64);
        if (!in.fits(pairs, 8))
            break;
        for (uint32_t i = 0; i < pairs; ++i) {
            link->objectIds.push_back(in.u32());
            link->pairValues.push_back(in.u32());
        }
        if (in.ok())
            index(append(scene.linkNodes, std::move(link), id, name));
        break;
    }
    case kChunkMesh: {
        auto mesh = std::make_unique<Mesh>();
        if (readMesh(in, mesh->geometry))
            index(append(scene.meshes, std::move(mesh), id, name));
        break;
    }
    case kChunkLight: {
        auto light = std::make_unique<Light>();
        for (float& c : light->colour)
            c = in.f32();
        if (in.ok())
            index(append(scene.lights, std::move(light), id, name));
        break;
    }
    case kChunkCamera: {
        auto camera = std::make_unique<Camera>();
        camera->fieldOfView = in.f32();
        if (in.ok())
            index(append(scene.cameras, std::move(camera), id, name));
        break;
    }
    case kChunkTrack: {
        auto track = std::make_unique<Track>();
        track->preBehaviour = in.u32();
        track->postBehaviour = in.u32();
        const int32_t count = in.i32();
        if (count < 1 || !in.fits(static_cast<uint32_t>(count), 16))
            break;
        for (int32_t i = 0; i < count; ++i) {
            TrackKey key;
            key.time = in.f32();
            key.value = in.f32();
            key.inType = in.u32();
            key.outType = in.u32();
            track->addKey(key);
        }
        if (in.ok())
            index(append(scene.tracks, std::move(track), id, name));
        break;
    }
    case kChunkSkin: {
        const uint32_t meshId = in.u32();
        const uint32_t vertexCount = in.u32();
        if (!in.fits(vertexCount, 4))
            break;
        auto skin = std::make_unique<Skin>();
        skin->influences.resize(vertexCount);
        for (auto& list : skin->influences) {
            const int32_t k = in.i32();
            if (k < 0 || !in.fits(static_cast<uint32_t>(k), 8))
                return;
            std::vector<uint32_t> ids(k);
            for (uint32_t& jointId : ids)
                jointId = in.u32();
            for (uint32_t& jointId : ids) {
                const float weight = in.f32();
                SceneItem* found = findById(jointId);
                if (found && found->tag == kTagJoint)
                    list.push_back({static_cast<Joint*>(found), weight});
            }
        }
        SceneItem* found = findById(meshId);
        if (!in.ok() || !found || found->tag != kTagMesh)
            break;
        Mesh* source = static_cast<Mesh*>(found);
        skin->source = source;
        skin->deformed = source->copy();
        skin->deformed->parent = source->parent;
        if (source->parent)
            source->parent->children.push_back(skin->deformed.get());
        source->suppressed = 1;
        skin->deformed->buildDisplayList();
        index(append(scene.skins, std::move(skin), id, name));
        break;
    }
    case kChunkMaterial: {
        auto material = std::make_unique<Material>();
        for (int colour : {0, 2, 3})
            for (float& c : material->colours[colour])
                c = in.f32();
        material->mapCount = in.u32();
        if (!in.fits(material->mapCount, 8))
            break;
        for (uint32_t i = 0; i < material->mapCount && i < 2; ++i) {
            const uint32_t textureId = in.u32();
            material->maps[i].flags = in.u32();
            if (findById(textureId))
                material->maps[i].textureId = textureId;
        }
        if (in.ok())
            index(append(scene.materials, std::move(material), id, name));
        break;
    }
    case kChunkHierarchy: {
        // Checked whole before any link is made, so a lying count changes nothing.
        const uint32_t groups = in.u32();
        for (uint32_t g = 0; g < groups && in.ok(); ++g) {
            in.u32();
            const uint32_t k = in.u32();
            if (!in.fits(k, 4))
                return;
            in.bytes(k * 4);
        }
        if (!in.ok())
            break;
        PayloadReader links(payload, length);
        links.u32();
        for (uint32_t g = 0; g < groups; ++g) {
            SceneObject* parent = asObject(findById(links.u32()));
            const uint32_t k = links.u32();
            for (uint32_t c = 0; c < k; ++c) {
                SceneObject* child = asObject(findById(links.u32()));
                // A link that would close a loop is refused: the walks must end. A link made
                // twice is made once: every walk below it would be doubled.
                if (parent && child && child->parent != parent && !closesLoop(parent, child)) {
                    parent->children.push_back(child);
                    child->parent = parent;
                }
            }
        }
        break;
    }
    case kChunkTexture: {
        const uint32_t nameLength = in.u32();
        const uint8_t* text = in.bytes(nameLength);
        const uint32_t secondLength = in.u32();
        in.bytes(secondLength);
        if (!in.ok())
            break;
        const std::string fileName(reinterpret_cast<const char*>(text),
                                   nameLength < 511 ? nameLength : 511);
        auto texture = std::make_unique<SceneTextureItem>(fileName.c_str());
        index(append(scene.textures, std::move(texture), id, name));
        break;
    }
    case kChunkBinding: {
        const uint32_t count = in.u32();
        if (!in.fits(count, 12))
            break;
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t trackId = in.u32();
            const uint32_t targetId = in.u32();
            const uint32_t code = in.u32();
            Track* track = findInList(scene.tracks, trackId);
            if (!track)
                continue;
            if (TransformNode* node = findInList(scene.nodes, targetId))
                node->bind(track, code);
            else if (Joint* joint = findInList(scene.joints, targetId))
                joint->bind(track, code);
            else if (LinkNode* link = findInList(scene.linkNodes, targetId))
                link->bind(track, code);
            else if (Light* light = findInList(scene.lights, targetId))
                light->bind(track, code);
        }
        break;
    }
    case kChunkMarker:
        scene.markers.push_back(std::make_unique<SceneMarker>());
        break;
    default:  // the info chunk and unknown types
        break;
    }
}

}  // namespace velmora
