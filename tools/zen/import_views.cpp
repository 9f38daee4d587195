// Cameras and lights. The player places both through a root node of their own: a camera's
// view is the inverse of its node's local matrix, and a light shines from the direction of its
// node's translation. A model without a camera gets one named "auto" that sees all of it, and a
// model without a usable light gets "default-light".
#include <cmath>
#include <numbers>

#include "tools/zen/import_context.h"

namespace velmora::zen {

namespace {

// The player projects every view with a 45-degree vertical field of view, near plane 0.2 and far
// plane 1300.
constexpr float kPlayerFieldOfView = 45.0f * std::numbers::pi_v<float> / 180.0f;
constexpr float kNearPlane = 0.2f;
constexpr float kFarPlane = 1300.0f;
constexpr unsigned kMaxLights = 8;  // OpenGL guarantees eight

// Position and turn of `m` without its scale: a view or a light must not inherit the model's
// scale (the player inverts a camera node's matrix for the view).
aiMatrix4x4 unscaled(const aiMatrix4x4& m)
{
    aiVector3D scale, position;
    aiQuaternion rotation;
    m.Decompose(scale, rotation, position);
    return aiMatrix4x4(aiVector3D(1), rotation, position);
}

// A root node that carries `frame` (relative to `node`, or to the root when null) in world space,
// animated when anything above it moves.
uint32_t placedRoot(Conversion& c, const std::string& name, const aiNode* node, const aiMatrix4x4& frame)
{
    const aiMatrix4x4 rest = unscaled((node ? c.restWorld(*node) : c.global()) * frame);
    const NodeValues values = nodeValues(rest);
    const uint32_t id = c.builder.node(name, values);
    if (node && c.animation.movesInWorld(*node))
        c.animate(id, values, [&](double f) {
            return unscaled(c.global() * c.animation.worldAt(*node, f) * frame);
        });
    return id;
}

void convertCamera(Conversion& c, const aiCamera& camera)
{
    const std::string name = c.objectName(camera.mName, "camera", true);
    if (name.size() > 31)
        c.warnings.add("camera names longer than 31 characters cannot be picked by a script", name);
    const aiNode* node = c.nodeNamed(camera.mName);
    if (!node)
        c.warnings.add("cameras without a node are placed at the origin", name);
    const aiMatrix4x4 frame = viewFrame(camera.mPosition, camera.mLookAt, camera.mUp);
    const uint32_t parent = placedRoot(c, name.substr(0, 57) + "-view", node, frame);

    const float aspect = camera.mAspect > 0 ? camera.mAspect : 4.0f / 3.0f;
    const float vertical = 2 * std::atan(std::tan(camera.mHorizontalFOV) / aspect);
    if (std::fabs(vertical - kPlayerFieldOfView) > 0.1f)
        c.warnings.add("camera fields of view are stored, but the player projects every view "
                       "with 45 degrees vertical", name);
    c.builder.camera(name, parent, 2 * camera.mHorizontalFOV);
}

void convertLight(Conversion& c, const aiLight& light, unsigned& count)
{
    const std::string name = c.objectName(light.mName, "light");
    if (light.mType == aiLightSource_AMBIENT || light.mType == aiLightSource_AREA ||
        light.mType == aiLightSource_UNDEFINED) {
        c.warnings.add("ambient, area and undefined lights are dropped", name);
        return;
    }
    if (++count > kMaxLights) {
        c.warnings.add("lights beyond the eighth are dropped", name);
        return;
    }
    if (light.mType != aiLightSource_DIRECTIONAL)
        c.warnings.add("point and spot lights shine as directional lights from their position "
                       "(cone and attenuation are dropped)", name);
    // The node's translation is where the light shines from: a directional light's source lies
    // against its direction, turned with its node but not moved.
    const aiNode* node = c.nodeNamed(light.mName);
    const std::string nodeName = name.substr(0, 57) + "-from";
    uint32_t parent;
    if (light.mType == aiLightSource_DIRECTIONAL) {
        aiVector3D from = aiMatrix3x3(node ? c.restWorld(*node) : aiMatrix4x4()) * -light.mDirection;
        from.NormalizeSafe();
        if (node && c.animation.movesInWorld(*node))
            c.warnings.add("directional lights keep the direction they have at rest", name);
        NodeValues values;
        values.position = toVec3f(from);
        parent = c.builder.node(nodeName, values);
    } else {
        aiMatrix4x4 frame;
        aiMatrix4x4::Translation(light.mPosition, frame);
        parent = placedRoot(c, nodeName, node, frame);
    }

    std::array<float, 4> colour{light.mColorDiffuse.r, light.mColorDiffuse.g, light.mColorDiffuse.b, 1};
    const float brightest = std::max({colour[0], colour[1], colour[2]});
    if (brightest > 1) {
        c.warnings.add("light colours brighter than white are scaled down", name);
        for (int i = 0; i < 3; ++i)
            colour[i] /= brightest;
    }
    c.builder.light(name, colour, parent);
}

// Grows `low`..`high` (starting empty when `found` is false) by every mesh at `frame` in world
// space, skinned meshes in the pose their bones give them. False while no vertex was seen.
bool modelBounds(const Conversion& c, const aiNode& node, double frame, aiVector3D& low,
                 aiVector3D& high, bool found)
{
    auto grow = [&](const aiVector3D& p) {
        if (!found) {
            low = high = p;
            found = true;
        }
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    };
    const aiMatrix4x4 world = c.global() * c.animation.worldAt(node, frame);
    for (unsigned i = 0; i < node.mNumMeshes; ++i) {
        const aiMesh& mesh = *c.scene.mMeshes[node.mMeshes[i]];
        if (mesh.mNumBones == 0) {
            for (unsigned v = 0; v < mesh.mNumVertices; ++v)
                grow(world * mesh.mVertices[v]);
            continue;
        }
        std::vector<aiVector3D> posed(mesh.mNumVertices);
        std::vector<float> weights(mesh.mNumVertices);
        for (unsigned b = 0; b < mesh.mNumBones; ++b) {
            const aiBone& bone = *mesh.mBones[b];
            const aiNode* boneNode = c.nodeNamed(bone.mName);
            if (!boneNode)
                continue;
            const aiMatrix4x4 skin = c.global() * c.animation.worldAt(*boneNode, frame) * bone.mOffsetMatrix;
            for (unsigned w = 0; w < bone.mNumWeights; ++w) {
                const aiVertexWeight& weight = bone.mWeights[w];
                posed[weight.mVertexId] += (skin * mesh.mVertices[weight.mVertexId]) * weight.mWeight;
                weights[weight.mVertexId] += weight.mWeight;
            }
        }
        for (unsigned v = 0; v < mesh.mNumVertices; ++v)
            grow(weights[v] > 0 ? posed[v] / weights[v] : c.global() * mesh.mVertices[v]);
    }
    for (unsigned i = 0; i < node.mNumChildren; ++i)
        found = modelBounds(c, *node.mChildren[i], frame, low, high, found);
    return found;
}

// From above and to the right of the model's front, looking down at its centre, at the distance
// where its bounding sphere fits the player's view, the sphere taken around the model in a few
// poses spread over its animation. Seen from there a box shows three faces, not a square.
void autoCamera(Conversion& c)
{
    constexpr size_t kPoses = 16;
    aiVector3D low, high;
    bool found = false;
    const size_t step = std::max<size_t>(1, c.frames.size() / kPoses);
    for (size_t i = 0; i < c.frames.size(); i += step)
        found = modelBounds(c, *c.scene.mRootNode, c.frames[i], low, high, found);
    if (c.frames.empty() || c.frames.size() % step != 1)
        found = modelBounds(c, *c.scene.mRootNode, c.frames.empty() ? 0.0 : c.frames.back(), low, high, found);
    if (!found)
        low = high = aiVector3D();
    const aiVector3D centre = (low + high) * 0.5f;
    const float radius = std::max((high - low).Length() * 0.5f, 0.01f);
    const float distance = radius / std::sin(kPlayerFieldOfView / 2) * 1.05f;
    if (distance + radius > kFarPlane || distance - radius < kNearPlane)
        c.warnings.add("the model does not fit between the player's near and far planes "
                       "(0.2 and 1300 units); try --scale");
    // 35 degrees to the right of the front (+z), 30 degrees above.
    constexpr float kTurn = 35.0f * std::numbers::pi_v<float> / 180.0f;
    constexpr float kRise = 30.0f * std::numbers::pi_v<float> / 180.0f;
    const aiVector3D towardsEye(std::sin(kTurn) * std::cos(kRise), std::sin(kRise), std::cos(kTurn) * std::cos(kRise));
    const aiMatrix4x4 eye = viewFrame(centre + towardsEye * distance, -towardsEye, aiVector3D(0, 1, 0));
    const uint32_t parent = c.builder.node("auto-view", nodeValues(eye));
    c.builder.camera("auto", parent, kPlayerFieldOfView);
}

// A light for a model that brings none, a little below white so that lit textures keep their
// detail. The player places lights relative to the view: it shines from above, left and in
// front of whatever camera draws the model, and each face of a box gets a shade of its own.
void defaultLight(Conversion& c)
{
    c.warnings.add("the model has no light the player can use: a light from above left of the view, "
                   "\"default-light\", is added");
    NodeValues from;
    from.position = toVec3f(aiVector3D(-0.45f, 0.75f, 0.5f).Normalize());
    c.builder.light("default-light", {0.85f, 0.85f, 0.85f, 1}, c.builder.node("default-light-from", from));
}

}  // namespace

void convertViews(Conversion& c)
{
    for (unsigned i = 0; i < c.scene.mNumCameras; ++i)
        convertCamera(c, *c.scene.mCameras[i]);
    if (c.scene.mNumCameras == 0)
        autoCamera(c);
    unsigned lights = 0;
    for (unsigned i = 0; i < c.scene.mNumLights; ++i)
        convertLight(c, *c.scene.mLights[i], lights);
    if (lights == 0)
        defaultLight(c);
}

}  // namespace velmora::zen
