// Skinned meshes: bones become joints whose bind poses the player takes at preparation, and
// each vertex gets its influences with weights that sum to one.
#include <cmath>

#include "tools/zen/import_context.h"

namespace velmora::zen {

namespace {

bool sameMatrix(const aiMatrix4x4& a, const aiMatrix4x4& b)
{
    for (unsigned r = 0; r < 4; ++r)
        for (unsigned col = 0; col < 4; ++col)
            if (std::fabs(a[r][col] - b[r][col]) > 1e-3f * (1 + std::fabs(a[r][col])))
                return false;
    return true;
}

// Meshes with bones, each with the node it hangs under.
template <typename Visit>
void forEachSkinnedMesh(const aiNode& node, Visit&& visit)
{
    for (unsigned i = 0; i < node.mNumMeshes; ++i)
        visit(node, node.mMeshes[i]);
    for (unsigned i = 0; i < node.mNumChildren; ++i)
        forEachSkinnedMesh(*node.mChildren[i], visit);
}

}  // namespace

void collectBones(Conversion& c)
{
    for (unsigned m = 0; m < c.scene.mNumMeshes; ++m) {
        const aiMesh& mesh = *c.scene.mMeshes[m];
        for (unsigned b = 0; b < mesh.mNumBones; ++b) {
            const aiBone& bone = *mesh.mBones[b];
            // The offset matrix takes the mesh to the bone's space at bind time; its inverse is
            // where the bone stood then.
            const aiMatrix4x4 world = c.global() * aiMatrix4x4(bone.mOffsetMatrix).Inverse();
            if (!isFinite(world)) {
                c.warnings.add("bones whose bind matrix cannot be inverted are dropped", bone.mName.C_Str());
                continue;
            }
            const auto [entry, added] = c.bones.emplace(bone.mName.C_Str(), BoneBind{world});
            if (!added && !sameMatrix(entry->second.world, world))
                c.warnings.add("a bone with different bind poses in several meshes keeps the first",
                               bone.mName.C_Str());
        }
    }
}

void convertSkins(Conversion& c)
{
    forEachSkinnedMesh(*c.scene.mRootNode, [&](const aiNode& node, unsigned meshIndex) {
        const aiMesh& mesh = *c.scene.mMeshes[meshIndex];
        if (mesh.mNumBones == 0)
            return;
        const std::string name = c.objectName(mesh.mName, c.objectName(node.mName, "skin"));
        const uint32_t meshId = convertSkinnedMesh(c, mesh, c.objectIds.at(&node), name);
        if (meshId == 0)
            return;

        std::vector<std::vector<ZenInfluence>> vertices(mesh.mNumVertices);
        for (unsigned b = 0; b < mesh.mNumBones; ++b) {
            const aiBone& bone = *mesh.mBones[b];
            const aiNode* boneNode = c.nodeNamed(bone.mName);
            if (!boneNode) {
                c.warnings.add("bones without a node in the hierarchy are dropped", bone.mName.C_Str());
                continue;
            }
            if (!c.bones.count(bone.mName.C_Str()))
                continue;  // dropped above, with its warning
            const uint32_t jointId = c.objectIds.at(boneNode);
            for (unsigned w = 0; w < bone.mNumWeights; ++w)
                if (bone.mWeights[w].mWeight > 0)
                    vertices[bone.mWeights[w].mVertexId].push_back({jointId, bone.mWeights[w].mWeight});
        }
        // The player uses weights as stored; a vertex without any would collapse to the origin.
        uint32_t restJoint = 0;
        for (auto& influences : vertices) {
            float sum = 0;
            for (const ZenInfluence& influence : influences)
                sum += influence.weight;
            if (sum > 0) {
                for (ZenInfluence& influence : influences)
                    influence.weight /= sum;
                continue;
            }
            if (restJoint == 0) {
                restJoint = c.builder.posedJoint(name.substr(0, 58) + "-rest", NodeValues{});
                c.warnings.add("vertices without bone weights stay where they are", name);
            }
            influences = {{restJoint, 1.0f}};
        }
        c.builder.skin(name, meshId, vertices);
    });
}

}  // namespace velmora::zen
