// libFuzzer target: the scene importer's own code, from Assimp's scene onwards. The bytes build
// an Assimp scene (nodes, meshes with bones, materials, cameras, lights, an animation, an
// embedded texture) with counts, indices, floats and links as they come, hierarchies that loop
// included; then our checks and, when they pass, the conversion to ".zen". Assimp's file readers
// are not fuzzed here: the tool runs them in a child process (tools/zen/isolated_run.h).
#include <assimp/scene.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "tools/zen/model_checks.h"
#include "tools/zen/zen_import.h"

namespace {

class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t u8() { return at_ < size_ ? data_[at_++] : 0; }
    unsigned below(unsigned n) { return u8() % n; }
    float f32()
    {
        uint32_t bits = 0;
        for (int i = 0; i < 4; ++i)
            bits |= uint32_t(u8()) << (8 * i);
        float v;
        std::memcpy(&v, &bits, 4);
        return v;
    }
    aiVector3D vec3() { return {f32(), f32(), f32()}; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// Assimp's destructors free only arrays with a count above zero.
template <typename T>
T* array(unsigned count)
{
    return count ? new T[count] : nullptr;
}

// An array of `count` elements, each made by `make`, with its count stored in `storedCount`.
template <typename T, typename Make>
T* filled(unsigned& storedCount, unsigned count, Make make)
{
    storedCount = count;
    T* elements = array<T>(count);
    for (unsigned i = 0; i < count; ++i)
        elements[i] = make();
    return elements;
}

std::string nodeName(unsigned i) { return "n" + std::to_string(i); }

aiMesh* makeMesh(Bytes& in, unsigned nodes)
{
    auto* mesh = new aiMesh;
    mesh->mName = "mesh";
    mesh->mMaterialIndex = in.below(3);
    mesh->mVertices = filled<aiVector3D>(mesh->mNumVertices, in.below(16), [&] { return in.vec3(); });
    unsigned vertices = 0;  // normals and coordinates share the vertex count
    if (in.u8() & 1)
        mesh->mNormals = filled<aiVector3D>(vertices, mesh->mNumVertices, [&] { return in.vec3(); });
    for (unsigned set = 0, sets = in.below(4); set < sets; ++set) {
        mesh->mNumUVComponents[set] = 2;
        mesh->mTextureCoords[set] =
            filled<aiVector3D>(vertices, mesh->mNumVertices, [&] { return aiVector3D{in.f32(), in.f32(), 0}; });
    }
    mesh->mNumFaces = in.below(16);
    mesh->mFaces = array<aiFace>(mesh->mNumFaces);
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        aiFace& face = mesh->mFaces[f];
        face.mNumIndices = 1 + in.below(4);
        face.mIndices = array<unsigned>(face.mNumIndices);
        for (unsigned i = 0; i < face.mNumIndices; ++i)
            face.mIndices[i] = in.below(20);
    }
    mesh->mNumBones = in.below(3);
    mesh->mBones = array<aiBone*>(mesh->mNumBones);
    for (unsigned b = 0; b < mesh->mNumBones; ++b) {
        auto* bone = new aiBone;
        bone->mName = nodeName(in.below(nodes + 1));
        for (unsigned r = 0; r < 4; ++r)
            for (unsigned c = 0; c < 4; ++c)
                bone->mOffsetMatrix[r][c] = (in.u8() & 1) ? in.f32() : (r == c ? 1.0f : 0.0f);
        bone->mWeights =
            filled<aiVertexWeight>(bone->mNumWeights, in.below(8), [&] { return aiVertexWeight(in.below(20), in.f32()); });
        mesh->mBones[b] = bone;
    }
    return mesh;
}

aiAnimation* makeAnimation(Bytes& in, unsigned nodes)
{
    auto* animation = new aiAnimation;
    animation->mTicksPerSecond = in.below(4) * 12.5;
    animation->mDuration = in.f32();
    animation->mNumChannels = in.below(4);
    animation->mChannels = array<aiNodeAnim*>(animation->mNumChannels);
    for (unsigned c = 0; c < animation->mNumChannels; ++c) {
        auto* channel = new aiNodeAnim;
        channel->mNodeName = nodeName(in.below(nodes + 1));
        const auto vectorKey = [&] { return aiVectorKey(in.below(200), in.vec3()); };
        channel->mPositionKeys = filled<aiVectorKey>(channel->mNumPositionKeys, in.below(5), vectorKey);
        channel->mRotationKeys = filled<aiQuatKey>(channel->mNumRotationKeys, in.below(5), [&] {
            return aiQuatKey(in.below(200), aiQuaternion(in.f32(), in.f32(), in.f32(), in.f32()));
        });
        channel->mScalingKeys = filled<aiVectorKey>(channel->mNumScalingKeys, in.below(3), vectorKey);
        animation->mChannels[c] = channel;
    }
    return animation;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Bytes in(data, size);
    aiScene scene;
    const unsigned nodeCount = 1 + in.below(8);

    scene.mMaterials = filled<aiMaterial*>(scene.mNumMaterials, 1 + in.below(2), [&] {
        auto* material = new aiMaterial;
        const aiColor4D diffuse{in.f32(), in.f32(), in.f32(), in.f32()};
        material->AddProperty(&diffuse, 1, AI_MATKEY_COLOR_DIFFUSE);
        const aiString texture(in.u8() & 1 ? "*0" : "missing.png");
        material->AddProperty(&texture, AI_MATKEY_TEXTURE_DIFFUSE(0));
        return material;
    });
    scene.mMeshes = filled<aiMesh*>(scene.mNumMeshes, in.below(4), [&] { return makeMesh(in, nodeCount); });

    // A tree of nodes, each under an earlier one; then perhaps a link back to the root.
    aiNode* nodes[8];
    for (unsigned i = 0; i < nodeCount; ++i) {
        nodes[i] = new aiNode(nodeName(i));
        for (unsigned r = 0; r < 4; ++r)
            for (unsigned c = 0; c < 4; ++c)
                if (in.u8() & 1)
                    nodes[i]->mTransformation[r][c] = in.f32();
        nodes[i]->mMeshes = filled<unsigned>(nodes[i]->mNumMeshes, in.below(3), [&] { return in.below(5); });
        if (i > 0)
            nodes[in.below(i)]->addChildren(1, &nodes[i]);
    }
    scene.mRootNode = nodes[0];
    aiNode* const last = nodes[nodeCount - 1];
    const bool loop = nodeCount > 1 && (in.u8() & 1);
    if (loop) {
        last->addChildren(1, &nodes[0]);  // also sets the root's parent
    }

    scene.mCameras = filled<aiCamera*>(scene.mNumCameras, in.below(2), [&] {
        auto* camera = new aiCamera;
        camera->mName = nodeName(in.below(nodeCount + 1));
        camera->mLookAt = in.vec3();
        camera->mHorizontalFOV = in.f32();
        return camera;
    });
    scene.mLights = filled<aiLight*>(scene.mNumLights, in.below(2), [&] {
        auto* light = new aiLight;
        light->mName = nodeName(in.below(nodeCount + 1));
        light->mType = aiLightSourceType(in.below(6));
        light->mDirection = in.vec3();
        light->mColorDiffuse = aiColor3D{in.f32(), in.f32(), in.f32()};
        return light;
    });
    scene.mAnimations =
        filled<aiAnimation*>(scene.mNumAnimations, in.below(2), [&] { return makeAnimation(in, nodeCount); });
    if (in.u8() & 1) {  // one embedded image: compressed bytes as they come, or raw texels
        auto* texture = new aiTexture;
        texture->mWidth = 1 + in.below(64);
        texture->mHeight = in.below(3);
        const unsigned texels = texture->mHeight ? texture->mWidth * texture->mHeight : (texture->mWidth + 3) / 4;
        texture->pcData = array<aiTexel>(texels);
        for (unsigned t = 0; t < texels; ++t)
            texture->pcData[t] = {in.u8(), in.u8(), in.u8(), in.u8()};
        scene.mNumTextures = 1;
        scene.mTextures = new aiTexture*[1]{texture};
    }

    std::string error;
    if (velmora::zen::checkModel(scene, error))
        (void)velmora::zen::convertScene(scene, {1.0f, "/nonexistent"});

    if (loop) {  // the scene's destructor walks the tree
        --last->mNumChildren;
        nodes[0]->mParent = nullptr;
    }
    return 0;
}
