// Materials: colours, the diffuse texture on the first unit and a reflection map on the second.
#include <assimp/material.h>

#include <cmath>

#include "tools/zen/import_context.h"

namespace velmora::zen {

namespace {

using Colour = std::array<float, 4>;

Colour colourOf(const aiMaterial& material, const char* key, unsigned type, unsigned index,
                Colour fallback)
{
    aiColor4D c;
    if (material.Get(key, type, index, c) != AI_SUCCESS || !std::isfinite(c.r) ||
        !std::isfinite(c.g) || !std::isfinite(c.b) || !std::isfinite(c.a))
        return fallback;
    return {c.r, c.g, c.b, c.a};
}

// Path of the first texture of `type`, empty when there is none.
std::string texturePath(const aiMaterial& material, aiTextureType type, ImportWarnings& warnings,
                        const std::string& name)
{
    aiString path;
    if (material.GetTextureCount(type) == 0 || material.GetTexture(type, 0, &path) != AI_SUCCESS)
        return "";
    if (material.GetTextureCount(type) > 1)
        warnings.add("layered textures beyond the first of a kind are dropped", name);
    int source = 0;
    if (material.Get(AI_MATKEY_UVWSRC(type, 0), source) == AI_SUCCESS && source != 0)
        warnings.add("textures on a second coordinate set are drawn with the first", name);
    return path.C_Str();
}

// Every texture kind the format has no unit for.
constexpr aiTextureType kDroppedMaps[] = {
    aiTextureType_SPECULAR, aiTextureType_AMBIENT,   aiTextureType_EMISSIVE,
    aiTextureType_HEIGHT,   aiTextureType_NORMALS,   aiTextureType_SHININESS,
    aiTextureType_OPACITY,  aiTextureType_DISPLACEMENT, aiTextureType_LIGHTMAP,
    aiTextureType_NORMAL_CAMERA, aiTextureType_EMISSION_COLOR, aiTextureType_METALNESS,
    aiTextureType_DIFFUSE_ROUGHNESS, aiTextureType_AMBIENT_OCCLUSION, aiTextureType_UNKNOWN,
};

}  // namespace

void convertMaterials(Conversion& c)
{
    std::map<std::string, uint32_t> textureIds;  // by TGA name
    auto mapFor = [&](const std::string& path, uint32_t flags, std::vector<ZenMap>& maps) {
        const std::string name = c.textures.textureFor(path);
        if (name.empty())
            return;
        auto found = textureIds.find(name);
        if (found == textureIds.end())
            found = textureIds.emplace(name, c.builder.texture(name)).first;
        maps.push_back({found->second, flags});
    };

    for (unsigned m = 0; m < c.scene.mNumMaterials; ++m) {
        const aiMaterial& material = *c.scene.mMaterials[m];
        aiString rawName;
        material.Get(AI_MATKEY_NAME, rawName);
        const std::string name = c.objectName(rawName, "material" + std::to_string(m));

        Colour diffuse = colourOf(material, AI_MATKEY_BASE_COLOR, {0.8f, 0.8f, 0.8f, 1});
        diffuse = colourOf(material, AI_MATKEY_COLOR_DIFFUSE, diffuse);
        float opacity = 1;
        if (material.Get(AI_MATKEY_OPACITY, opacity) == AI_SUCCESS && std::isfinite(opacity))
            diffuse[3] *= opacity;
        const Colour ambient = colourOf(material, AI_MATKEY_COLOR_AMBIENT, {0.2f, 0.2f, 0.2f, 1});
        const Colour specular = colourOf(material, AI_MATKEY_COLOR_SPECULAR, {1, 1, 1, 1});
        float shininess = 0;
        if (material.Get(AI_MATKEY_SHININESS, shininess) == AI_SUCCESS && shininess > 0 &&
            std::fabs(shininess - 50) > 1)
            c.warnings.add("material shininess is not kept: the player draws every material with 50", name);
        if (diffuse[3] < 1)
            c.warnings.add("transparency is not kept: the player draws materials opaque", name);

        std::string diffusePath = texturePath(material, aiTextureType_DIFFUSE, c.warnings, name);
        if (diffusePath.empty())
            diffusePath = texturePath(material, aiTextureType_BASE_COLOR, c.warnings, name);
        const std::string reflectionPath = texturePath(material, aiTextureType_REFLECTION, c.warnings, name);
        for (aiTextureType type : kDroppedMaps)
            if (material.GetTextureCount(type) > 0)
                c.warnings.add(std::string("texture maps other than diffuse and reflection are dropped: ") +
                                   aiTextureTypeToString(type),
                               name);

        std::vector<ZenMap> maps;
        if (!diffusePath.empty())
            mapFor(diffusePath, 0, maps);
        if (!reflectionPath.empty())
            mapFor(reflectionPath, Material::kSphereMap, maps);
        c.materialIds.push_back(c.builder.material(name, diffuse, ambient, specular, maps));
        c.diffuse.push_back(diffuse);
    }
}

}  // namespace velmora::zen
