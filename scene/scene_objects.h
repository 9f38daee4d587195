// The records a ".zen" scene is made of: nodes, joints, link nodes, cameras, lights, meshes,
// materials, textures, skins and markers, each with its type tag.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "resources/gl_objects.h"
#include "resources/scene_texture.h"
#include "scene/scene_math.h"

namespace velmora {

class Track;
class Material;
class SceneTextureItem;

// Type tags; the hierarchy walk, Prepare's linking and the effects test them.
constexpr uint32_t kTagItem = 0xA0000000;
constexpr uint32_t kTagObject = 0xA0009000;
constexpr uint32_t kTagNode = 0xA0004000;
constexpr uint32_t kTagJoint = 0xA0003000;
constexpr uint32_t kTagLinkNode = 0xA000C000;
constexpr uint32_t kTagCamera = 0xA0001000;
constexpr uint32_t kTagLight = 0xA0002000;
constexpr uint32_t kTagMesh = 0xA0005000;
constexpr uint32_t kTagMaterial = 0xA0006000;
constexpr uint32_t kTagTexture = 0xA0007000;
constexpr uint32_t kTagTrack = 0xA0008000;

// Channel codes of the binding chunk.
enum ChannelCode : uint32_t {
    kChannelPositionX = 0x1010,
    kChannelPositionY = 0x1020,
    kChannelPositionZ = 0x1030,
    kChannelRotationX = 0x1040,
    kChannelRotationY = 0x1050,
    kChannelRotationZ = 0x1060,
    kChannelScaleX = 0x1070,
    kChannelScaleY = 0x1080,
    kChannelScaleZ = 0x1090,
    kChannelVisibility = 0x10A0,
    kChannelRed = 0x10C0,
    kChannelGreen = 0x10D0,
    kChannelBlue = 0x10E0,
    kChannelUnbindAll = 0x1FFF,
};

class SceneItem {
public:
    explicit SceneItem(uint32_t tagValue) : tag(tagValue) {}
    virtual ~SceneItem() = default;
    virtual void draw() {}
    virtual void update() {}

    uint32_t tag;
    uint32_t id = 0;
    std::string name;  // at most 63 characters, may be empty
};

class SceneObject : public SceneItem {
public:
    explicit SceneObject(uint32_t tagValue = kTagObject) : SceneItem(tagValue) {}
    virtual void computeLocal() {}
    virtual void computeWorld(const SceneObject& /*parent*/) {}
    virtual void computeWorldAsRoot() {}
    // Null for objects placed by their parent (cameras, lights, meshes).
    virtual const Matrix4* worldMatrix() const { return nullptr; }
    virtual const Matrix4* localMatrix() const { return nullptr; }

    Matrix4 local;
    Matrix4 world;
    SceneObject* parent = nullptr;        // owned by the Scene; null for a root
    std::vector<SceneObject*> children;   // owned by the Scene, in hierarchy-chunk order
    uint8_t visible = 1;
    uint8_t suppressed = 0;  // a mesh replaced by its skin's deformed copy
};

// Position, rotation (Euler, radians), scale, pivot, spare and offset of a node chunk.
struct NodeValues {
    Vec3f position;
    Vec3f rotation;
    Vec3f scale{1, 1, 1};
    Vec3f pivot;
    Vec3f spare;
    Vec3f offset;
};

class TransformNode : public SceneObject {
public:
    static constexpr int kChannelCount = 10;  // position xyz, rotation xyz, scale xyz, visibility

    explicit TransformNode(uint32_t tagValue = kTagNode) : SceneObject(tagValue) {}
    void update() override;  // pulls the bound channels
    void computeLocal() override;
    void computeWorld(const SceneObject& parent) override;
    void computeWorldAsRoot() override;
    const Matrix4* worldMatrix() const override { return &world; }
    const Matrix4* localMatrix() const override { return &local; }
    void computeInverseWorld();

    void setPosition(const Vec3f& v) { values.position = v; dirty = 1; }
    void setRotation(const Vec3f& v) { values.rotation = v; dirty = 1; }
    void setScale(const Vec3f& v) { values.scale = v; dirty = 1; }
    void setPivot(const Vec3f& v) { values.pivot = v; dirty = 1; }
    void setSpare(const Vec3f& v) { values.spare = v; dirty = 1; }
    void setOffset(const Vec3f& v) { values.offset = v; dirty = 1; }

    // Binds `track` (owned by the Scene) to a channel; 0x1FFF unbinds all; other codes do nothing.
    void bind(Track* track, uint32_t code);

    NodeValues values;
    Matrix4 inverseWorld;
    uint8_t dirty = 1;
    uint8_t animated = 0;
    std::array<Track*, kChannelCount> channels{};  // owned by the Scene, null when unbound
};

// Joint values beyond the node's: fixed orient and axis rotations around the animated one.
class Joint : public TransformNode {
public:
    Joint() : TransformNode(kTagJoint) {}
    void computeLocal() override;
    void setOrient(const Vec3f& angles);
    void setAxis(const Vec3f& angles);
    // Replaces the bind-pose copy by a detached, unanimated snapshot of the current pose.
    void makeBindPose();
    // skin = world * bind-pose inverse world (world alone without a bind pose).
    void computeSkinMatrix();

    Vec3f orient;
    Vec3f axis;
    Matrix4 orientMatrix;
    Matrix4 axisMatrix;
    Matrix4 skinMatrix;
    std::unique_ptr<Joint> bindPose;  // null until Prepare
};

class LinkNode : public TransformNode {
public:
    LinkNode() : TransformNode(kTagLinkNode) {}
    std::vector<uint32_t> objectIds;  // kept from the chunk, read by nothing
    std::vector<uint32_t> pairValues;
};

class Camera : public SceneObject {
public:
    Camera() : SceneObject(kTagCamera) {}
    float fieldOfView = 70.0f;
};

class Light : public SceneObject {
public:
    Light() : SceneObject(kTagLight) {}
    void update() override;  // pulls the bound colour channels
    void bind(Track* track, uint32_t code);

    uint8_t dirty = 1;
    uint8_t animated = 0;
    std::array<float, 4> colour{};
    std::array<Track*, 3> channels{};  // red, green, blue; owned by the Scene
};

// Geometry exactly as a mesh chunk carries it.
struct MeshGeometry {
    std::vector<Vec3f> positions;
    std::vector<uint32_t> indices;  // three per triangle, each below positions.size()
    uint32_t coordSetCount = 0;
    std::vector<float> coords;      // set-major: per set, per corner u, v
    std::vector<Vec3f> normals;     // per corner
    std::vector<uint8_t> colours;   // per corner red, green, blue, unused
    std::vector<uint32_t> groupLast;        // inclusive last triangle index per group
    std::vector<uint32_t> groupMaterialIds;  // material id per group

    uint32_t triangleCount() const { return static_cast<uint32_t>(indices.size() / 3); }
    uint32_t cornerCount() const { return static_cast<uint32_t>(indices.size()); }
};

class Mesh : public SceneObject {
public:
    Mesh() : SceneObject(kTagMesh) {}
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    void draw() override;  // calls the display list
    // Copies geometry, groups and name/id; not the display list, not the links.
    std::unique_ptr<Mesh> copy() const;
    // Sends every group's triangles with their materials (immediate mode).
    void drawDirect() const;
    // Loads the identity model-view, draws once directly, then compiles the display list (a
    // previous one is deleted first).
    void buildDisplayList();
    // Points every group at the material with its id (a later material with the same id wins).
    void linkMaterials(const std::vector<std::unique_ptr<Material>>& materials);

    MeshGeometry geometry;
    std::vector<Material*> groupMaterials;  // per group; owned by the Scene, null when unlinked
    DisplayLists displayList;  // one list; empty until built
};

struct MaterialMap {
    uint32_t textureId = 0;
    SceneTextureItem* texture = nullptr;  // owned by the Scene; null until linked in Prepare
    uint32_t flags = 0;                    // bit value 4: sphere-mapped environment map
};

class Material : public SceneItem {
public:
    static constexpr uint32_t kSphereMap = 4;

    Material() : SceneItem(kTagMaterial) {}
    // GL state for one mesh group: lighting, colour material, both texture units.
    void apply() const;

    std::array<std::array<float, 4>, 4> colours{};  // [0] diffuse; [1] stays 0
    uint32_t mapCount = 0;  // as read; only two maps are used
    std::array<MaterialMap, 2> maps{};
};

struct SkinInfluence {
    Joint* joint;  // owned by the Scene
    float weight;
};

class Skin : public SceneItem {
public:
    Skin() : SceneItem(kTagItem) {}
    void update() override;  // deforms the copy from the source mesh and the joints' skin matrices

    Mesh* source = nullptr;               // owned by the Scene, suppressed while this skin exists
    std::unique_ptr<Mesh> deformed;       // drawn every frame in place of the source
    std::vector<std::vector<SkinInfluence>> influences;  // per vertex, resolved joints only
};

// A texture chunk: the scene's handle on the image a material map names.
class SceneTextureItem : public SceneItem {
public:
    explicit SceneTextureItem(const char* fileName) : SceneItem(kTagTexture), texture(fileName) {}
    SceneTexture texture;  // loaded and uploaded on first bind
};

class SceneMarker : public SceneItem {
public:
    SceneMarker() : SceneItem(kTagItem) {}
};

}  // namespace velmora
