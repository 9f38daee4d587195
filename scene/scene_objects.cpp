// Transforms of the node family, channel pulls, bind poses and skin deformation.
#include "scene/scene_objects.h"

#include "scene/scene_track.h"

namespace velmora {

// ---- TransformNode -------------------------------------------------------------------------

void TransformNode::bind(Track* track, uint32_t code)
{
    if (code == kChannelUnbindAll) {
        channels.fill(nullptr);
        animated = 0;
        return;
    }
    if (code < kChannelPositionX || code > kChannelVisibility || (code & 0xF) != 0)
        return;
    channels[(code - kChannelPositionX) >> 4] = track;
    animated = 1;
}

void TransformNode::update()
{
    std::array<float, kChannelCount> v{values.position.x, values.position.y, values.position.z,
                                       values.rotation.x, values.rotation.y, values.rotation.z,
                                       values.scale.x,    values.scale.y,    values.scale.z,
                                       static_cast<float>(visible)};
    for (int i = 0; i < kChannelCount; ++i)
        if (channels[i])
            v[i] = channels[i]->value;
    Vec3f* groups[3] = {&values.position, &values.rotation, &values.scale};
    for (int g = 0; g < 3; ++g) {
        Vec3f& stored = *groups[g];
        const Vec3f pulled{v[g * 3], v[g * 3 + 1], v[g * 3 + 2]};
        if (pulled.x != stored.x || pulled.y != stored.y || pulled.z != stored.z) {
            stored = pulled;
            dirty = 1;
        }
    }
    if (channels[9])
        visible = v[9] < 0.5f ? 0 : 1;
}

void TransformNode::computeLocal()
{
    const NodeValues& n = values;
    const Vec3f negativePivot{-n.pivot.x, -n.pivot.y, -n.pivot.z};
    local = Matrix4::translation(n.position) * Matrix4::translation(n.offset) *
            Matrix4::translation(n.pivot) * Matrix4::rotation(n.rotation) *
            Matrix4::translation(negativePivot) * Matrix4::scaling(n.scale);
}

void TransformNode::computeWorld(const SceneObject& parentObject)
{
    if (dirty)
        computeLocal();
    world = parentObject.world * local;
    dirty = 0;
}

void TransformNode::computeWorldAsRoot()
{
    if (dirty)
        computeLocal();
    world = local;
    dirty = 0;
}

void TransformNode::computeInverseWorld()
{
    Matrix4 copy = world;
    if (copy.invert())
        inverseWorld = copy;
}

// ---- Joint ---------------------------------------------------------------------------------

void Joint::computeLocal()
{
    local = Matrix4::translation(values.position) * orientMatrix *
            Matrix4::rotation(values.rotation) * axisMatrix * Matrix4::scaling(values.scale);
}

void Joint::setOrient(const Vec3f& angles)
{
    orient = angles;
    orientMatrix = Matrix4::rotation(angles);
    dirty = 1;
}

void Joint::setAxis(const Vec3f& angles)
{
    axis = angles;
    axisMatrix = Matrix4::rotation(angles);
    dirty = 1;
}

void Joint::makeBindPose()
{
    auto copy = std::make_unique<Joint>();
    copy->id = id;
    copy->name = name;
    copy->local = local;
    copy->world = world;
    copy->visible = visible;
    copy->suppressed = suppressed;
    copy->values = values;
    copy->inverseWorld = inverseWorld;
    copy->dirty = dirty;
    copy->orient = orient;
    copy->axis = axis;
    copy->orientMatrix = orientMatrix;
    copy->axisMatrix = axisMatrix;
    copy->skinMatrix = skinMatrix;
    copy->bind(nullptr, kChannelUnbindAll);
    copy->computeInverseWorld();
    bindPose = std::move(copy);
}

void Joint::computeSkinMatrix()
{
    skinMatrix = bindPose ? world * bindPose->inverseWorld : world;
}

// ---- Light ---------------------------------------------------------------------------------

void Light::bind(Track* track, uint32_t code)
{
    if (code == kChannelUnbindAll) {
        channels.fill(nullptr);
        animated = 0;
        return;
    }
    if (code != kChannelRed && code != kChannelGreen && code != kChannelBlue)
        return;
    channels[(code - kChannelRed) >> 4] = track;
    animated = 1;
}

void Light::update()
{
    float rgb[3];
    for (int i = 0; i < 3; ++i)
        rgb[i] = channels[i] ? channels[i]->value : colour[i];
    if (rgb[0] != colour[0] || rgb[1] != colour[1] || rgb[2] != colour[2]) {
        colour = {rgb[0], rgb[1], rgb[2], 1.0f};
        dirty = 1;
    }
}

// ---- Mesh ----------------------------------------------------------------------------------

std::unique_ptr<Mesh> Mesh::copy() const
{
    auto result = std::make_unique<Mesh>();
    result->id = id;
    result->name = name;
    result->visible = visible;
    result->geometry = geometry;
    result->groupMaterials = groupMaterials;
    return result;
}

void Mesh::linkMaterials(const std::vector<std::unique_ptr<Material>>& materials)
{
    groupMaterials.assign(geometry.groupMaterialIds.size(), nullptr);
    for (const auto& material : materials)
        for (size_t g = 0; g < groupMaterials.size(); ++g)
            if (geometry.groupMaterialIds[g] == material->id)
                groupMaterials[g] = material.get();
}

// ---- Skin ----------------------------------------------------------------------------------

void Skin::update()
{
    if (!source || !deformed)
        return;
    const std::vector<Vec3f>& in = source->geometry.positions;
    std::vector<Vec3f>& out = deformed->geometry.positions;
    for (size_t i = 0; i < in.size() && i < out.size(); ++i) {
        Vec3f sum;
        if (i < influences.size())
            for (const SkinInfluence& influence : influences[i]) {
                const Vec3f p = influence.joint->skinMatrix.transformPoint(in[i]);
                sum.x += influence.weight * p.x;
                sum.y += influence.weight * p.y;
                sum.z += influence.weight * p.z;
            }
        out[i] = sum;
    }
}

}  // namespace velmora
