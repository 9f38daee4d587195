// Our own checks of an Assimp scene. Assimp's validation runs first, but a converter must not
// trust it alone: everything the conversion reads is checked here once.
#include "tools/zen/model_checks.h"

#include <cmath>
#include <unordered_set>
#include <utility>
#include <vector>

namespace velmora::zen {

namespace {

bool finite(const aiVector3D& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
bool finite(const aiColor4D& c)
{
    return std::isfinite(c.r) && std::isfinite(c.g) && std::isfinite(c.b) && std::isfinite(c.a);
}
bool finite(const aiColor3D& c) { return std::isfinite(c.r) && std::isfinite(c.g) && std::isfinite(c.b); }
bool finite(const aiQuaternion& q)
{
    return std::isfinite(q.w) && std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z);
}
bool finite(const aiMatrix4x4& m)
{
    for (unsigned r = 0; r < 4; ++r)
        for (unsigned c = 0; c < 4; ++c)
            if (!std::isfinite(m[r][c]))
                return false;
    return true;
}

template <typename T>
bool allFinite(const T* values, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (!finite(values[i]))
            return false;
    return true;
}

std::string named(const aiString& name) { return "'" + std::string(name.C_Str()) + "'"; }

// Walks the tree without recursion; a node met twice is a loop (or a shared subtree, which the
// conversion cannot place twice either).
bool checkNodes(const aiScene& scene, std::string& error)
{
    if (!scene.mRootNode) {
        error = "the model has no root node";
        return false;
    }
    std::unordered_set<const aiNode*> seen;
    std::vector<std::pair<const aiNode*, size_t>> pending{{scene.mRootNode, 1}};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        if (!seen.insert(node).second) {
            error = "the node hierarchy loops at node " + named(node->mName);
            return false;
        }
        if (seen.size() > ModelLimits::kNodes || depth > ModelLimits::kDepth) {
            error = "the node hierarchy is too large or too deep";
            return false;
        }
        if (!finite(node->mTransformation)) {
            error = "node " + named(node->mName) + " has a transform that is not finite";
            return false;
        }
        if (node->mNumMeshes && !node->mMeshes) {
            error = "node " + named(node->mName) + " has no mesh list";
            return false;
        }
        for (unsigned i = 0; i < node->mNumMeshes; ++i)
            if (node->mMeshes[i] >= scene.mNumMeshes) {
                error = "node " + named(node->mName) + " names a mesh that does not exist";
                return false;
            }
        if (node->mNumChildren && !node->mChildren) {
            error = "node " + named(node->mName) + " has no child list";
            return false;
        }
        for (unsigned i = 0; i < node->mNumChildren; ++i) {
            const aiNode* child = node->mChildren[i];
            if (!child || child->mParent != node) {
                error = "node " + named(node->mName) + " has a broken child link";
                return false;
            }
            pending.push_back({child, depth + 1});
        }
    }
    return true;
}

bool checkMesh(const aiScene& scene, const aiMesh& mesh, size_t& vertices, size_t& triangles,
               std::string& error)
{
    const std::string name = "mesh " + named(mesh.mName);
    vertices += mesh.mNumVertices;
    triangles += mesh.mNumFaces;
    if (vertices > ModelLimits::kVertices || triangles > ModelLimits::kTriangles) {
        error = "the model has more than " + std::to_string(ModelLimits::kVertices) +
                " vertices or triangles";
        return false;
    }
    if (mesh.mNumVertices && !mesh.mVertices) {
        error = name + " has no positions";
        return false;
    }
    if (mesh.mMaterialIndex >= scene.mNumMaterials) {
        error = name + " names a material that does not exist";
        return false;
    }
    bool ok = allFinite(mesh.mVertices, mesh.mNumVertices) &&
              (!mesh.mNormals || allFinite(mesh.mNormals, mesh.mNumVertices));
    for (unsigned set = 0; set < AI_MAX_NUMBER_OF_TEXTURECOORDS; ++set)
        ok = ok && (!mesh.mTextureCoords[set] || allFinite(mesh.mTextureCoords[set], mesh.mNumVertices));
    for (unsigned set = 0; set < AI_MAX_NUMBER_OF_COLOR_SETS; ++set)
        ok = ok && (!mesh.mColors[set] || allFinite(mesh.mColors[set], mesh.mNumVertices));
    if (!ok) {
        error = name + " holds values that are not finite";
        return false;
    }
    if (mesh.mNumFaces && !mesh.mFaces) {
        error = name + " has no face list";
        return false;
    }
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        if (face.mNumIndices && !face.mIndices) {
            error = name + " has a face without indices";
            return false;
        }
        for (unsigned i = 0; i < face.mNumIndices; ++i)
            if (face.mIndices[i] >= mesh.mNumVertices) {
                error = name + " has a vertex index out of range";
                return false;
            }
    }
    if (mesh.mNumBones > ModelLimits::kBonesPerMesh || (mesh.mNumBones && !mesh.mBones)) {
        error = name + " has too many bones or no bone list";
        return false;
    }
    for (unsigned b = 0; b < mesh.mNumBones; ++b) {
        const aiBone* bone = mesh.mBones[b];
        if (!bone || !finite(bone->mOffsetMatrix) || (bone->mNumWeights && !bone->mWeights)) {
            error = name + " has a broken bone";
            return false;
        }
        for (unsigned w = 0; w < bone->mNumWeights; ++w)
            if (bone->mWeights[w].mVertexId >= mesh.mNumVertices ||
                !std::isfinite(bone->mWeights[w].mWeight)) {
                error = name + " has a bone weight out of range";
                return false;
            }
    }
    return true;
}

template <typename Key>
bool checkKeys(const Key* keys, unsigned count)
{
    if (count > ModelLimits::kKeysPerChannel || (count && !keys))
        return false;
    for (unsigned i = 0; i < count; ++i) {
        if (!std::isfinite(keys[i].mTime) || !finite(keys[i].mValue))
            return false;
        if (i > 0 && keys[i].mTime < keys[i - 1].mTime)
            return false;
    }
    return true;
}

bool checkAnimations(const aiScene& scene, std::string& error)
{
    for (unsigned a = 0; a < scene.mNumAnimations; ++a) {
        const aiAnimation* animation = scene.mAnimations[a];
        if (!animation || !std::isfinite(animation->mTicksPerSecond) ||
            animation->mTicksPerSecond < 0 || !std::isfinite(animation->mDuration) ||
            (animation->mNumChannels && !animation->mChannels)) {
            error = "animation " + std::to_string(a) + " is broken";
            return false;
        }
        for (unsigned c = 0; c < animation->mNumChannels; ++c) {
            const aiNodeAnim* channel = animation->mChannels[c];
            if (!channel || !checkKeys(channel->mPositionKeys, channel->mNumPositionKeys) ||
                !checkKeys(channel->mRotationKeys, channel->mNumRotationKeys) ||
                !checkKeys(channel->mScalingKeys, channel->mNumScalingKeys)) {
                error = "animation " + named(animation->mName) +
                        " has keys out of order, not finite, or too many";
                return false;
            }
        }
    }
    return true;
}

bool checkTextures(const aiScene& scene, std::string& error)
{
    for (unsigned t = 0; t < scene.mNumTextures; ++t) {
        const aiTexture* texture = scene.mTextures[t];
        const size_t pixels = texture ? size_t(texture->mWidth) * texture->mHeight : 0;
        const bool compressed = texture && texture->mHeight == 0;
        if (!texture || !texture->pcData || (!compressed && pixels > ModelLimits::kTexturePixels) ||
            (compressed && texture->mWidth == 0)) {
            error = "embedded texture " + std::to_string(t) + " is broken or too large";
            return false;
        }
    }
    return true;
}

}  // namespace

bool checkModel(const aiScene& scene, std::string& error)
{
    const size_t counts[] = {scene.mNumMaterials, scene.mNumCameras, scene.mNumLights,
                             scene.mNumTextures, scene.mNumAnimations, scene.mNumMeshes};
    for (size_t count : counts)
        if (count > ModelLimits::kObjects) {
            error = "the model has more than " + std::to_string(ModelLimits::kObjects) +
                    " objects of one kind";
            return false;
        }
    const void* lists[] = {scene.mMaterials, scene.mCameras, scene.mLights,
                           scene.mTextures, scene.mAnimations, scene.mMeshes};
    for (size_t i = 0; i < 6; ++i)
        if (counts[i] && !lists[i]) {
            error = "the model has a missing object list";
            return false;
        }
    if (!checkNodes(scene, error))
        return false;
    for (unsigned m = 0; m < scene.mNumMaterials; ++m)
        if (!scene.mMaterials[m]) {
            error = "material " + std::to_string(m) + " is missing";
            return false;
        }
    size_t vertices = 0, triangles = 0;
    for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
        if (!scene.mMeshes[m]) {
            error = "mesh " + std::to_string(m) + " is missing";
            return false;
        }
        if (!checkMesh(scene, *scene.mMeshes[m], vertices, triangles, error))
            return false;
    }
    for (unsigned c = 0; c < scene.mNumCameras; ++c) {
        const aiCamera* camera = scene.mCameras[c];
        if (!camera || !finite(camera->mPosition) || !finite(camera->mLookAt) ||
            !finite(camera->mUp) || !std::isfinite(camera->mHorizontalFOV)) {
            error = "camera " + std::to_string(c) + " is broken or not finite";
            return false;
        }
    }
    for (unsigned l = 0; l < scene.mNumLights; ++l) {
        const aiLight* light = scene.mLights[l];
        if (!light || !finite(light->mPosition) || !finite(light->mDirection) ||
            !finite(light->mColorDiffuse)) {
            error = "light " + std::to_string(l) + " is broken or not finite";
            return false;
        }
    }
    return checkAnimations(scene, error) && checkTextures(scene, error);
}

}  // namespace velmora::zen
