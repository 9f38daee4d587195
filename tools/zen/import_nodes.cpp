// The node hierarchy with its local transforms and animation, and the meshes hung under it:
// triangles, corner normals, up to two coordinate sets, one material group per Assimp mesh.
#include <cmath>
#include <vector>

#include "tools/texgen/writers.h"
#include "tools/zen/import_context.h"

namespace velmora::zen {

namespace {

constexpr unsigned kCoordSets = 2;

unsigned coordSetsOf(const aiMesh& mesh)
{
    unsigned sets = 0;
    while (sets < AI_MAX_NUMBER_OF_TEXTURECOORDS && mesh.mTextureCoords[sets])
        ++sets;
    return sets;
}

// Corner-based geometry collected mesh by mesh, one material group each.
class GeometryBuilder {
public:
    // `transform` applies to positions and normals (skinned meshes are stored in world space).
    void add(Conversion& c, const aiMesh& mesh, const aiMatrix4x4& transform, const std::string& name)
    {
        const uint32_t base = static_cast<uint32_t>(geometry_.positions.size());
        for (unsigned v = 0; v < mesh.mNumVertices; ++v)
            geometry_.positions.push_back(toVec3f(transform * mesh.mVertices[v]));
        const unsigned sets = coordSetsOf(mesh);
        if (sets > kCoordSets)
            c.warnings.add("texture coordinate sets beyond the second are dropped", name);
        if (mesh.mColors[1])
            c.warnings.add("vertex colour sets beyond the first are dropped", name);
        if (mesh.mNumAnimMeshes)
            c.warnings.add("morph targets are dropped", name);
        usedSets_ = std::max(usedSets_, std::min(sets, kCoordSets));
        const aiMatrix3x3 normalTransform = aiMatrix3x3(transform).Inverse().Transpose();
        const std::array<float, 4>& diffuse = c.diffuse[mesh.mMaterialIndex];

        uint32_t triangles = 0;
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices != 3) {
                c.warnings.add("points and lines are dropped (only triangles are kept)", name);
                continue;
            }
            for (unsigned corner = 0; corner < 3; ++corner) {
                const unsigned v = face.mIndices[corner];
                geometry_.indices.push_back(base + v);
                for (unsigned s = 0; s < kCoordSets; ++s) {
                    const aiVector3D uv = s < sets ? mesh.mTextureCoords[s][v] : aiVector3D();
                    coords_[s].push_back(uv.x);
                    coords_[s].push_back(uv.y);
                }
                aiVector3D normal = mesh.mNormals ? normalTransform * mesh.mNormals[v] : aiVector3D(0, 0, 1);
                normal.NormalizeSafe();
                geometry_.normals.push_back(toVec3f(normal));
                // The player draws with colour material: corner colours are the diffuse colour.
                const aiColor4D tint = mesh.mColors[0] ? mesh.mColors[0][v] : aiColor4D(1, 1, 1, 1);
                geometry_.colours.insert(geometry_.colours.end(),
                                         {texgen::toByte(diffuse[0] * tint.r), texgen::toByte(diffuse[1] * tint.g),
                                          texgen::toByte(diffuse[2] * tint.b), 0});
            }
            ++triangles;
        }
        if (triangles == 0)
            return;
        geometry_.groupLast.push_back(geometry_.triangleCount() - 1);
        geometry_.groupMaterialIds.push_back(c.materialIds[mesh.mMaterialIndex]);
    }

    bool empty() const { return geometry_.indices.empty(); }

    MeshGeometry finish()
    {
        geometry_.coordSetCount = std::max(1u, usedSets_);
        geometry_.coords = coords_[0];
        if (geometry_.coordSetCount > 1)
            geometry_.coords.insert(geometry_.coords.end(), coords_[1].begin(), coords_[1].end());
        return std::move(geometry_);
    }

private:
    MeshGeometry geometry_;
    std::vector<float> coords_[kCoordSets];
    unsigned usedSets_ = 0;
};

bool nearlyEqual(const aiMatrix4x4& a, const aiMatrix4x4& b)
{
    for (unsigned r = 0; r < 4; ++r)
        for (unsigned col = 0; col < 4; ++col)
            if (std::fabs(a[r][col] - b[r][col]) > 1e-4f * (1 + std::fabs(a[r][col])))
                return false;
    return true;
}

// `parentPrepared` is the parent's world as the player's preparation sees it: before the first
// key of every track, with bones in their bind poses.
void convertNode(Conversion& c, const aiNode& node, uint32_t parentId, bool isRoot,
                 const aiMatrix4x4& parentPrepared)
{
    const std::string name = c.objectName(node.mName, "node");
    const aiMatrix4x4 restLocal = isRoot ? c.global() * node.mTransformation : node.mTransformation;
    const NodeValues rest = nodeValues(restLocal);
    auto poseAt = [&](double frame) {
        const aiMatrix4x4 local = c.animation.localAt(node, frame);
        return isRoot ? c.global() * local : local;
    };
    constexpr double kBeforeEveryKey = -1e30;
    aiMatrix4x4 prepared = parentPrepared * poseAt(kBeforeEveryKey);

    uint32_t id;
    const auto bone = c.bones.find(node.mName.C_Str());
    if (bone != c.bones.end()) {
        id = c.builder.posedJoint(name, rest, parentId);
        const aiMatrix4x4 bindLocal = aiMatrix4x4(parentPrepared).Inverse() * bone->second.world;
        const bool moves = c.animation.animates(node);
        const bool bindable = isFinite(bindLocal);
        if (!bindable)
            c.warnings.add("joints under a parent that cannot be inverted keep their rest pose as bind pose", name);
        if (bindable && !nearlyEqual(bindLocal, poseAt(kBeforeEveryKey)))
            c.animate(id, rest, poseAt, nodeValues(bindLocal, rest.rotation));
        else if (moves)
            c.animate(id, rest, poseAt);
        prepared = bone->second.world;
    } else {
        id = c.builder.node(name, rest, parentId);
        if (c.animation.animates(node))
            c.animate(id, rest, poseAt);
    }
    c.objectIds[&node] = id;

    GeometryBuilder still;
    for (unsigned i = 0; i < node.mNumMeshes; ++i) {
        const aiMesh& mesh = *c.scene.mMeshes[node.mMeshes[i]];
        if (mesh.mNumBones == 0)
            still.add(c, mesh, aiMatrix4x4(), name);
    }
    if (!still.empty())
        c.builder.mesh(name, still.finish(), id);

    for (unsigned i = 0; i < node.mNumChildren; ++i)
        convertNode(c, *node.mChildren[i], id, false, prepared);
}

}  // namespace

// Skinned meshes go through here too, from convertSkins: stored in world space (the player
// draws a skin's deformed copy without any matrix of its own).
uint32_t convertSkinnedMesh(Conversion& c, const aiMesh& mesh, uint32_t parentId, const std::string& name)
{
    GeometryBuilder builder;
    builder.add(c, mesh, c.global(), name);
    if (builder.empty())
        return 0;
    return c.builder.mesh(name, builder.finish(), parentId);
}

void convertNodes(Conversion& c) { convertNode(c, *c.scene.mRootNode, 0, true, aiMatrix4x4()); }

}  // namespace velmora::zen
