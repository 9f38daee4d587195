// glTF export: the loaded Scene rebuilt as an Assimp scene.
#include "tools/zen/gltf_export.h"

#include <assimp/Exporter.hpp>
#include <assimp/scene.h>

#include <algorithm>
#include <memory>

#include "scene/scene.h"
#include "scene/scene_loader.h"

namespace velmora::zen {

namespace {

template <typename T>
T* copyArray(const std::vector<T>& items)
{
    T* out = new T[items.size()];
    std::copy(items.begin(), items.end(), out);
    return out;
}

aiMatrix4x4 toAssimp(const Matrix4& m)
{
    // Column-major to Assimp's row-major.
    return aiMatrix4x4(m[0], m[4], m[8], m[12], m[1], m[5], m[9], m[13],
                       m[2], m[6], m[10], m[14], m[3], m[7], m[11], m[15]);
}

bool nodeFamily(const SceneObject& object)
{
    return object.tag == kTagNode || object.tag == kTagJoint || object.tag == kTagLinkNode;
}

// One Assimp mesh for triangles first..last of `mesh` (a material group), corners unrolled.
aiMesh* groupMesh(const Mesh& mesh, uint32_t first, uint32_t last, unsigned material)
{
    const MeshGeometry& g = mesh.geometry;
    const unsigned corners = (last - first + 1) * 3;
    auto* out = new aiMesh;
    out->mName = mesh.name;
    out->mMaterialIndex = material;
    out->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    out->mNumVertices = corners;
    out->mVertices = new aiVector3D[corners];
    out->mNormals = new aiVector3D[corners];
    out->mColors[0] = new aiColor4D[corners];
    for (unsigned set = 0; set < std::min(g.coordSetCount, 2u); ++set) {
        out->mTextureCoords[set] = new aiVector3D[corners];
        out->mNumUVComponents[set] = 2;
    }
    out->mNumFaces = corners / 3;
    out->mFaces = new aiFace[out->mNumFaces];
    for (unsigned i = 0; i < corners; ++i) {
        const size_t corner = size_t(first) * 3 + i;
        const Vec3f& p = g.positions[g.indices[corner]];
        const Vec3f& n = g.normals[corner];
        out->mVertices[i] = {p.x, p.y, p.z};
        out->mNormals[i] = {n.x, n.y, n.z};
        const uint8_t* c = &g.colours[corner * 4];
        out->mColors[0][i] = {c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f, 1};
        for (unsigned set = 0; out->mTextureCoords[set] && set < 2; ++set) {
            const float* uv = &g.coords[(size_t(set) * g.cornerCount() + corner) * 2];
            out->mTextureCoords[set][i] = {uv[0], uv[1], 0};
        }
    }
    for (unsigned f = 0; f < out->mNumFaces; ++f) {
        out->mFaces[f].mNumIndices = 3;
        out->mFaces[f].mIndices = new unsigned[3]{f * 3, f * 3 + 1, f * 3 + 2};
    }
    return out;
}

class SceneExport {
public:
    explicit SceneExport(Scene& scene) : scene_(scene) {}

    std::unique_ptr<aiScene> build()
    {
        auto out = std::make_unique<aiScene>();
        materials_.push_back(new aiMaterial);  // for groups without a material
        for (const auto& material : scene_.materials)
            materials_.push_back(convert(*material));
        out->mRootNode = new aiNode("zen");
        std::vector<aiNode*> roots;
        for (const auto& node : scene_.nodes)
            if (!node->parent)
                roots.push_back(convert(*node));
        for (const auto& joint : scene_.joints)
            if (!joint->parent)
                roots.push_back(convert(*joint));
        for (const auto& link : scene_.linkNodes)
            if (!link->parent)
                roots.push_back(convert(*link));
        for (const auto& mesh : scene_.meshes)
            if (!mesh->parent || !nodeFamily(*mesh->parent))
                attachMesh(*mesh, rootMeshes_);
        out->mRootNode->addChildren(unsigned(roots.size()), roots.data());
        out->mRootNode->mNumMeshes = unsigned(rootMeshes_.size());
        out->mRootNode->mMeshes = copyArray(rootMeshes_);
        out->mNumMeshes = unsigned(meshes_.size());
        out->mMeshes = copyArray(meshes_);
        out->mNumMaterials = unsigned(materials_.size());
        out->mMaterials = copyArray(materials_);
        return out;
    }

private:
    aiMaterial* convert(const Material& material)
    {
        auto* out = new aiMaterial;
        const aiString name(material.name);
        out->AddProperty(&name, AI_MATKEY_NAME);
        const auto& d = material.colours[0];
        const aiColor4D diffuse(d[0], d[1], d[2], d[3]);
        out->AddProperty(&diffuse, 1, AI_MATKEY_COLOR_DIFFUSE);
        out->AddProperty(&diffuse, 1, AI_MATKEY_BASE_COLOR);
        for (uint32_t i = 0; i < std::min(material.mapCount, 2u); ++i) {
            const SceneItem* item = scene_.FindById(material.maps[i].textureId);
            if (!item || item->tag != kTagTexture)
                continue;
            const aiString file(static_cast<const SceneTextureItem*>(item)->texture.fileName());
            const bool reflection = material.maps[i].flags & Material::kSphereMap;
            out->AddProperty(&file, AI_MATKEY_TEXTURE(reflection ? aiTextureType_REFLECTION : aiTextureType_DIFFUSE, 0));
        }
        return out;
    }

    void attachMesh(const Mesh& mesh, std::vector<unsigned>& into)
    {
        const MeshGeometry& g = mesh.geometry;
        uint32_t first = 0;
        for (size_t group = 0; group < g.groupLast.size(); ++group) {
            const uint32_t last = g.groupLast[group];
            if (last < first || last >= g.triangleCount())
                break;
            unsigned material = 0;
            for (size_t m = 0; m < scene_.materials.size(); ++m)
                if (scene_.materials[m]->id == g.groupMaterialIds[group])
                    material = unsigned(m + 1);
            into.push_back(unsigned(meshes_.size()));
            meshes_.push_back(groupMesh(mesh, first, last, material));
            first = last + 1;
        }
    }

    aiNode* convert(TransformNode& node)
    {
        auto* out = new aiNode(node.name);
        node.computeLocal();
        out->mTransformation = toAssimp(node.local);
        std::vector<unsigned> meshes;
        std::vector<aiNode*> children;
        for (SceneObject* child : node.children) {
            if (child->parent != &node)
                continue;
            if (nodeFamily(*child)) {
                children.push_back(convert(*static_cast<TransformNode*>(child)));
            } else if (child->tag == kTagMesh && !child->suppressed) {
                attachMesh(*static_cast<Mesh*>(child), meshes);
            }
        }
        if (!children.empty())
            out->addChildren(unsigned(children.size()), children.data());
        out->mNumMeshes = unsigned(meshes.size());
        out->mMeshes = meshes.empty() ? nullptr : copyArray(meshes);
        return out;
    }

    Scene& scene_;
    std::vector<aiMesh*> meshes_;
    std::vector<aiMaterial*> materials_;
    std::vector<unsigned> rootMeshes_;
};

}  // namespace

bool exportScene(const std::vector<uint8_t>& zen, const std::string& outPath,
                 std::vector<std::string>& notes, std::string& error)
{
    Scene scene;
    SceneLoader loader;
    if (zen.size() > 0xFFFFFFFFu ||
        loader.Load(SceneLoader::kFromMemory, zen.data(), uint32_t(zen.size()), &scene) != 0) {
        error = "not a .zen scene";
        return false;
    }
    if (loader.cutChunkOffset() != 0)
        notes.push_back("the scene is damaged (a chunk at byte " + std::to_string(loader.cutChunkOffset()) +
                        " runs past its end): only what comes before it is exported");
    if (!scene.tracks.empty())
        notes.push_back("animation is not exported");
    if (!scene.skins.empty())
        notes.push_back("skins are exported in their rest shape, without joints' influence");
    if (!scene.lights.empty() || !scene.cameras.empty())
        notes.push_back("cameras and lights are not exported (their nodes are)");
    const std::unique_ptr<aiScene> out = SceneExport(scene).build();
    const bool binary = outPath.size() >= 4 && outPath.compare(outPath.size() - 4, 4, ".glb") == 0;
    Assimp::Exporter exporter;
    if (exporter.Export(out.get(), binary ? "glb2" : "gltf2", outPath) != aiReturn_SUCCESS) {
        error = exporter.GetErrorString();
        return false;
    }
    return true;
}

}  // namespace velmora::zen
