// Scene searches, preparation and the per-frame update.
#include "scene/scene.h"

#include <GL/gl.h>

#include <vector>

#include "core/script_values.h"

namespace velmora {

namespace {

bool walkable(uint32_t tag)
{
    return tag == kTagNode || tag == kTagJoint || tag == kTagLinkNode || tag == kTagObject;
}

// Places every object below `root`, parents before children. Descends only into children whose
// parent is the object listing them: a child listed under two parents is placed under its last
// one, and the walk stays finite whatever the hierarchy chunks said. No recursion: a hierarchy
// may be a chain hundreds of thousands of levels deep.
void walkFromRoot(SceneObject& root)
{
    root.computeWorldAsRoot();
    std::vector<SceneObject*> pending{&root};
    while (!pending.empty()) {
        SceneObject& object = *pending.back();
        pending.pop_back();
        for (SceneObject* child : object.children)
            if (child->parent == &object && walkable(child->tag)) {
                child->computeWorld(object);
                pending.push_back(child);
            }
    }
}

}  // namespace

template <typename Visit>
SceneItem* Scene::search(Visit&& matches) const
{
    auto scan = [&](const auto& list) -> SceneItem* {
        for (const auto& item : list)
            if (matches(*item))
                return item.get();
        return nullptr;
    };
    SceneItem* found = nullptr;
    (found = scan(meshes)) || (found = scan(joints)) || (found = scan(nodes)) ||
        (found = scan(lights)) || (found = scan(cameras)) || (found = scan(textures)) ||
        (found = scan(materials)) || (found = scan(linkNodes));
    return found;
}

SceneItem* Scene::FindById(uint32_t id) const
{
    return search([id](const SceneItem& item) { return item.id == id; });
}

SceneItem* Scene::FindByName(const char* name) const
{
    if (!name)
        return nullptr;
    return search([name](const SceneItem& item) {
        return !item.name.empty() && sameName(item.name.c_str(), name);
    });
}

bool Scene::empty() const
{
    return meshes.empty() && joints.empty() && nodes.empty() && cameras.empty() &&
           lights.empty() && tracks.empty() && materials.empty() && textures.empty() &&
           skins.empty() && markers.empty() && linkNodes.empty();
}

void Scene::Prepare()
{
    for (auto& track : tracks)
        track->computeTangents();
    for (auto& track : tracks)
        track->evaluate(-2000.0f);

    for (auto& material : materials)
        for (MaterialMap& map : material->maps) {
            SceneItem* item = FindById(map.textureId);
            map.texture = item && item->tag == kTagTexture ? static_cast<SceneTextureItem*>(item)
                                                           : nullptr;
        }
    for (auto& mesh : meshes) {
        mesh->linkMaterials(materials);
        mesh->buildDisplayList();
    }
    for (auto& skin : skins)
        skin->deformed->linkMaterials(materials);

    for (auto& joint : joints)
        joint->update();
    for (auto& link : linkNodes)
        link->update();
    for (auto& node : nodes)
        node->update();

    for (auto& joint : joints) {
        joint->computeLocal();
        joint->computeWorldAsRoot();
    }
    for (auto& link : linkNodes) {
        link->computeLocal();
        link->computeWorldAsRoot();
    }
    for (auto& node : nodes) {
        node->computeLocal();
        node->computeWorldAsRoot();
    }

    for (auto& node : nodes)
        if (!node->parent)
            walkFromRoot(*node);
    for (auto& joint : joints)
        if (!joint->parent)
            walkFromRoot(*joint);
    for (auto& link : linkNodes)
        if (!link->parent) {
            link->computeLocal();
            walkFromRoot(*link);
        }

    for (auto& joint : joints)
        joint->computeInverseWorld();
    for (auto& joint : joints) {
        joint->makeBindPose();
        if (joint->animated) {
            joint->update();
            joint->computeLocal();
            joint->computeWorldAsRoot();
            joint->computeInverseWorld();
            joint->computeSkinMatrix();
        }
    }

    for (auto& texture : textures)
        texture->texture.bind();
}

void Scene::Update(float step)
{
    time += step * 90.0f;
    for (auto& track : tracks)
        track->evaluate(time);

    for (auto& node : nodes)
        if (node->animated)
            node->update();
    for (auto& joint : joints)
        if (joint->animated)
            joint->update();
    for (auto& link : linkNodes)
        if (link->animated)
            link->update();

    for (auto& node : nodes)
        if (!node->parent)
            walkFromRoot(*node);
    for (auto& joint : joints)
        if (!joint->parent)
            walkFromRoot(*joint);
    for (auto& link : linkNodes)
        if (!link->parent)
            walkFromRoot(*link);

    for (auto& light : lights)
        if (light->animated)
            light->update();
    for (auto& joint : joints)
        joint->computeSkinMatrix();
    for (auto& skin : skins)
        skin->update();
}

Matrix4 viewFromNode(const SceneObject* node)
{
    const Matrix4* local = node ? node->localMatrix() : nullptr;
    if (!local)
        return Matrix4::identity();
    Matrix4 view = *local;
    if (!view.invert())
        return Matrix4::identity();
    return view;
}

void applyViewFromNode(const SceneObject* node)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const Matrix4 view = viewFromNode(node);
    glMultMatrixf(view.data());
}

SceneObject* cameraNodeAt(const Scene& scene, size_t index)
{
    return index < scene.cameras.size() ? scene.cameras[index]->parent : nullptr;
}

}  // namespace velmora
