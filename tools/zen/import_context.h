// State shared by the parts of one conversion (nodes and meshes, views and lights, skins).
#pragma once

#include <assimp/scene.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tools/scenegen/scene_builder.h"
#include "tools/zen/import_warnings.h"
#include "tools/zen/node_animation.h"
#include "tools/zen/transforms.h"
#include "tools/zen/texture_export.h"
#include "tools/zen/zen_import.h"

namespace velmora::zen {

// Where a bone's joint must stand when the player takes its bind pose (Prepare evaluates every
// track before its first key): the world matrix that makes the skin rest undeformed.
struct BoneBind {
    aiMatrix4x4 world;
};

class Conversion {
public:
    Conversion(const aiScene& scene, const ImportOptions& options);

    // A name the format and the scripts can use: cut to 63 characters (warned), and never equal
    // to a camera's name unless it is that camera (a script's camera lookup would find it first).
    std::string objectName(const aiString& name, const std::string& fallback, bool isCamera = false);
    // Tracks that move object `id` through the poses `poseAt` gives at the sample frames;
    // `rest` holds the values the chunk stores. With `bind`, every channel also gets a first
    // key at the player's preparation time holding the bind pose.
    template <typename PoseAt>
    void animate(uint32_t id, const NodeValues& rest, PoseAt&& poseAt,
                 const std::optional<NodeValues>& bind = std::nullopt);
    // The transform above the model's root: the --scale factor.
    const aiMatrix4x4& global() const { return global_; }
    // Rest transform from node to world, the global factor included.
    aiMatrix4x4 restWorld(const aiNode& node) const;
    // The first node with that name (cameras, lights and bones name theirs); null when none.
    const aiNode* nodeNamed(const aiString& name) const;

    const aiScene& scene;
    ImportWarnings warnings;
    NodeAnimation animation;
    std::vector<double> frames;  // sample frames; empty when nothing moves
    scenegen::SceneBuilder builder;
    TextureExport textures;
    std::vector<uint32_t> materialIds;          // per Assimp material
    std::vector<std::array<float, 4>> diffuse;  // per Assimp material, drives corner colours
    std::map<const aiNode*, uint32_t> objectIds;
    std::map<std::string, BoneBind> bones;  // by bone (node) name

private:
    void writeTracks(uint32_t id, const std::vector<NodeValues>& poses, const NodeValues& rest,
                     const std::optional<NodeValues>& bind);

    aiMatrix4x4 global_;
    std::set<std::string> cameraNames_;  // lower case
    std::map<std::string, const aiNode*> nodesByName_;
};

template <typename PoseAt>
void Conversion::animate(uint32_t id, const NodeValues& rest, PoseAt&& poseAt,
                         const std::optional<NodeValues>& bind)
{
    if (frames.empty() && !bind)
        return;
    std::vector<NodeValues> poses;
    Vec3f near = rest.rotation;
    for (double frame : frames) {
        poses.push_back(nodeValues(poseAt(frame), near));
        near = poses.back().rotation;
    }
    writeTracks(id, poses, rest, bind);
}

// The parts of convertScene, in the order it calls them.
void convertMaterials(Conversion& c);
void convertNodes(Conversion& c);       // hierarchy, meshes, joints
void convertViews(Conversion& c);       // cameras (or the auto camera) and lights
void convertSkins(Conversion& c);       // after the joints exist
void collectBones(Conversion& c);       // before the nodes: which nodes are joints, bind poses
// A skinned mesh in world space under `parentId`; 0 when it has no triangles.
uint32_t convertSkinnedMesh(Conversion& c, const aiMesh& mesh, uint32_t parentId,
                            const std::string& name);

}  // namespace velmora::zen
