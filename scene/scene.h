// A loaded ".zen" scene: its typed object lists, its time in animation frames, and the
// operations effects use to prepare, advance, draw and search it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "scene/scene_objects.h"
#include "scene/scene_track.h"

namespace velmora {

class Scene {
public:
    Scene() = default;
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Once after loading, with the GL context current: tangents, links, first pose, display
    // lists, textures.
    void Prepare();
    // Advances the time by step * 90 frames and brings every object to it.
    void Update(float step);
    // Draws lights, meshes and skins under the current matrices; leaves the model-view as it was.
    void Render();

    // First object with that id, searching meshes, joints, nodes, lights, cameras, textures,
    // materials, link nodes in that order; null when none. Owned by the scene.
    SceneItem* FindById(uint32_t id) const;
    // The same search by name, ignoring ASCII case; unnamed objects never match.
    SceneItem* FindByName(const char* name) const;

    bool empty() const;

    // Each list in file order; objects stay at stable addresses while a list grows.
    std::vector<std::unique_ptr<Mesh>> meshes;
    std::vector<std::unique_ptr<Joint>> joints;
    std::vector<std::unique_ptr<TransformNode>> nodes;
    std::vector<std::unique_ptr<Camera>> cameras;
    std::vector<std::unique_ptr<Light>> lights;
    std::vector<std::unique_ptr<Track>> tracks;
    std::vector<std::unique_ptr<Material>> materials;
    std::vector<std::unique_ptr<SceneTextureItem>> textures;
    std::vector<std::unique_ptr<Skin>> skins;
    std::vector<std::unique_ptr<SceneMarker>> markers;
    std::vector<std::unique_ptr<LinkNode>> linkNodes;

    float time = 0;  // animation frames

private:
    template <typename Visit>
    SceneItem* search(Visit&& matches) const;
    // Calls `visit` on every transform object of the hierarchy: nodes, joints, then link nodes.
    template <typename Visit>
    void forEachTransform(Visit&& visit);
    // World matrices of every object from each root down, parents before children.
    void placeHierarchy();
};

// The view from a camera's parent node: the inverse of the node's local matrix. Identity when
// `node` is null or has no local matrix (or a singular one).
Matrix4 viewFromNode(const SceneObject* node);

// Selects the model-view matrix, loads the identity and multiplies the view from `node` onto it.
void applyViewFromNode(const SceneObject* node);

// The parent node of the camera at `index` of the camera list; null when the scene has fewer
// cameras or that camera has no parent.
SceneObject* cameraNodeAt(const Scene& scene, size_t index);

}  // namespace velmora
