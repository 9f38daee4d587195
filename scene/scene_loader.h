// Reads a ".zen" scene (by data-file name or from memory) into a Scene.
#pragma once

#include <cstdint>
#include <unordered_map>

namespace velmora {

class Scene;
class SceneItem;
class SceneObject;

// Chunk types of the format.
enum ChunkType : uint32_t {
    kChunkNode = 0x0A001000,
    kChunkJoint = 0x0A002000,
    kChunkMesh = 0x0A003000,
    kChunkLight = 0x0A004000,
    kChunkCamera = 0x0A005000,
    kChunkTrack = 0x0A006000,
    kChunkSkin = 0x0A007000,
    kChunkMaterial = 0x0A008000,
    kChunkHierarchy = 0x0A009000,
    kChunkInfo = 0x0A00B000,
    kChunkTexture = 0x0A00C000,
    kChunkBinding = 0x0A00D000,
    kChunkMarker = 0x0A00E000,
    kChunkLinkNode = 0x0A00F000,
};

constexpr uint32_t kZenMagic = 0x4E455A41;  // "AZEN"
constexpr uint32_t kChunkHeaderSize = 76;
constexpr uint32_t kChunkNameSize = 64;

class SceneLoader {
public:
    static constexpr uint32_t kByName = 0xC20;      // source: NUL-terminated logical file name
    static constexpr uint32_t kFromMemory = 0xC10;  // source: `size` bytes in memory
    static constexpr uint32_t kBadMagic = 0xBAD00200;

    // Reads every chunk into `scene` (created empty by the caller, which runs Prepare after).
    // Returns 0, or kBadMagic for a wrong magic, a missing file or fewer than 8 bytes. Other
    // modes do nothing and return 0. Reading stops at a chunk that claims more bytes than
    // remain (see cutChunkOffset); a chunk whose counts do not fit its length is dropped whole.
    virtual uint32_t Load(uint32_t mode, const void* source, uint32_t size, Scene* scene);
    virtual ~SceneLoader() = default;

    // Where the last Load found the data cut short: the byte offset of the chunk whose header or
    // payload runs past the end (what came before it is in the scene). 0 when every chunk was
    // whole.
    uint32_t cutChunkOffset() const { return cutChunkOffset_; }
    // The size of the data the last Load read, for messages about a cut chunk.
    uint32_t dataSize() const { return dataSize_; }

private:
    uint32_t readMemory(const uint8_t* data, uint32_t size);
    void dispatch(uint32_t type, uint32_t id, const char* name, const uint8_t* payload,
                  uint32_t length);

    // How far up a parent's ancestors a loop is looked for when the new child has children of
    // its own; a parent deeper than this takes no such child.
    static constexpr uint32_t kMaxAncestorSearch = 1024;

    // Records `item` for findById (tracks and skins are not searched).
    template <typename T>
    void index(T* item);
    // What scene_->FindById(id) answers, without a scan of every list per link.
    SceneItem* findById(uint32_t id) const;
    // True (the link is refused) when `child` is `parent` or one of its ancestors, or when the
    // search for that goes past kMaxAncestorSearch levels (said once per Load).
    bool closesLoop(const SceneObject* parent, const SceneObject* child);

    struct IndexedItem {
        SceneItem* item;  // owned by the scene
        int rank;         // the item's list in Scene::search order
    };
    Scene* scene_ = nullptr;  // the caller's, for the duration of one Load
    std::unordered_map<uint32_t, IndexedItem> itemsById_;  // this Load's items by id
    bool depthReported_ = false;
    uint32_t cutChunkOffset_ = 0;
    uint32_t dataSize_ = 0;
};

}  // namespace velmora
