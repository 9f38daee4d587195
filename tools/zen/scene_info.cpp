// The info report, built from the Scene the player's loader makes.
#include "tools/zen/scene_info.h"

#include <algorithm>
#include <cstdio>

#include "scene/scene.h"
#include "scene/scene_loader.h"

namespace velmora::zen {

namespace {

template <typename List>
std::string names(const List& list)
{
    std::string out;
    for (const auto& item : list)
        out += (out.empty() ? "" : ", ") + (item->name.empty() ? std::string("(unnamed)") : item->name);
    return out;
}

template <typename List>
void section(std::string& report, const char* kind, const List& list)
{
    report += std::string(kind) + " (" + std::to_string(list.size()) + ")";
    report += list.empty() ? "\n" : ": " + names(list) + "\n";
}

std::string channelNames(const TransformNode& node)
{
    static const char* const kNames[TransformNode::kChannelCount] = {
        "position x", "position y", "position z", "rotation x", "rotation y",
        "rotation z", "scale x",    "scale y",    "scale z",    "visibility"};
    std::string out;
    for (int i = 0; i < TransformNode::kChannelCount; ++i)
        if (node.channels[i])
            out += (out.empty() ? "" : ", ") + std::string(kNames[i]);
    return out;
}

std::string textureName(const MaterialMap& map, const Scene& scene)
{
    const SceneItem* item = scene.FindById(map.textureId);
    if (!item || item->tag != kTagTexture)
        return "(missing)";
    return static_cast<const SceneTextureItem*>(item)->texture.fileName();
}

}  // namespace

bool describeScene(const std::vector<uint8_t>& bytes, std::string& report, std::string& error)
{
    Scene scene;
    SceneLoader loader;
    report.clear();
    if (bytes.size() > 0xFFFFFFFFu ||
        loader.Load(SceneLoader::kFromMemory, bytes.data(), static_cast<uint32_t>(bytes.size()),
                    &scene) != 0) {
        error = "not a .zen scene";
        return false;
    }
    section(report, "nodes", scene.nodes);
    section(report, "joints", scene.joints);
    section(report, "link nodes", scene.linkNodes);
    section(report, "meshes", scene.meshes);
    for (const auto& mesh : scene.meshes) {
        const MeshGeometry& g = mesh->geometry;
        report += "  " + mesh->name + ": " + std::to_string(g.positions.size()) + " vertices, " +
                  std::to_string(g.triangleCount()) + " triangles, " +
                  std::to_string(g.coordSetCount) + " coordinate sets, " +
                  std::to_string(g.groupLast.size()) + " groups\n";
    }
    section(report, "cameras", scene.cameras);
    section(report, "lights", scene.lights);
    section(report, "materials", scene.materials);
    for (const auto& material : scene.materials) {
        std::string maps;
        for (uint32_t i = 0; i < std::min<uint32_t>(material->mapCount, 2); ++i)
            maps += (i ? ", " : "") + textureName(material->maps[i], scene) +
                    (material->maps[i].flags & Material::kSphereMap ? " (reflection)" : "");
        const auto& d = material->colours[0];
        char colour[64];
        std::snprintf(colour, sizeof colour, "diffuse %.2f %.2f %.2f", d[0], d[1], d[2]);
        report += "  " + material->name + ": " + colour + (maps.empty() ? "" : ", maps " + maps) + "\n";
    }
    report += "textures (" + std::to_string(scene.textures.size()) + ")";
    std::string files;
    for (const auto& texture : scene.textures)
        files += (files.empty() ? "" : ", ") + texture->texture.fileName();
    report += scene.textures.empty() ? "\n" : ": " + files + "\n";
    report += "skins (" + std::to_string(scene.skins.size()) + ")\n";
    for (const auto& skin : scene.skins) {
        size_t influences = 0;
        for (const auto& list : skin->influences)
            influences += list.size();
        report += "  " + skin->name + ": mesh " + skin->source->name + ", " +
                  std::to_string(skin->influences.size()) + " vertices, " +
                  std::to_string(influences) + " influences\n";
    }

    report += "tracks (" + std::to_string(scene.tracks.size()) + ")\n";
    auto animated = [&](const auto& list) {
        for (const auto& node : list)
            if (node->animated)
                report += "  " + node->name + ": " + channelNames(*node) + "\n";
    };
    animated(scene.nodes);
    animated(scene.joints);
    animated(scene.linkNodes);
    if (!scene.tracks.empty()) {
        float first = 1e30f, last = -1e30f;
        for (const auto& track : scene.tracks)
            for (const TrackKey& key : track->keys) {
                // The key that holds a bind pose for the player's preparation is not animation.
                if (key.time > -2000.0f)
                    first = std::min(first, key.time);
                last = std::max(last, key.time);
            }
        first = std::min(first, last);
        char range[96];
        std::snprintf(range, sizeof range, "frames %.0f to %.0f (%.2f s at 90 frames a second)\n",
                      first, last, (last - first) / 90.0);
        report += range;
    } else {
        report += "frames: no animation\n";
    }
    if (loader.cutChunkOffset() != 0) {
        error = "damaged: the chunk at byte " + std::to_string(loader.cutChunkOffset()) +
                " runs past the end of the file (" + std::to_string(bytes.size()) +
                " bytes); the player keeps only what comes before it, listed above";
        return false;
    }
    return true;
}

}  // namespace velmora::zen
