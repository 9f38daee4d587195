// Scene loading, stepping and camera choice shared by the scene playback effects.
#include "effects/scene_playback.h"

#include <GL/gl.h>

#include <cstdio>

#include "resources/data_file.h"
#include "scene/scene_loader.h"

namespace velmora {

void ScenePlayback::unload() { scene.reset(); }

void ScenePlayback::loadScene(const char* fileName, bool fromMemory)
{
    scene = std::make_unique<Scene>();
    SceneLoader loader;
    if (fromMemory) {
        DataFile file(fileName);
        loader.Load(SceneLoader::kFromMemory, file.data(), file.size(), scene.get());
    } else {
        loader.Load(SceneLoader::kByName, fileName, 0, scene.get());
    }
    if (loader.cutChunkOffset() != 0)
        std::fprintf(stderr,
                     "velmora: scene %s is damaged: the chunk at byte %u runs past the end of the file (%u bytes); "
                     "the scene keeps what came before it\n",
                     fileName, loader.cutChunkOffset(), loader.dataSize());
    scene->Prepare();
}

void ScenePlayback::stepScene(float delta, float factor, float wrapAt)
{
    if (!scene)
        return;
    scene->Update(speed * delta * factor);
    if (scene->time >= wrapAt)
        scene->time = 0;
}

bool ScenePlayback::chooseCamera(const char* cameraName, SceneObject*& node) const
{
    if (!scene) {
        std::printf("ERROR: set 3dscene camera after loading only\n");
        return false;
    }
    SceneItem* found = scene->FindByName(cameraName);
    if (!found || found->tag != kTagCamera)
        return false;
    node = static_cast<Camera*>(found)->parent;
    return true;
}

void FixedScenePlayback::load()
{
    loadScene(setup_.fileName, setup_.fromMemory);
}

void FixedScenePlayback::update(float delta) { stepScene(delta, setup_.factor, setup_.wrapAt); }

void FixedScenePlayback::applyView() const
{
    if (setup_.cameraIndex >= 0) {
        applyViewFromNode(scene ? cameraNodeAt(*scene, static_cast<size_t>(setup_.cameraIndex))
                                : nullptr);
        return;
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -setup_.distance);
}

void FixedScenePlayback::render()
{
    glEnable(GL_DEPTH_TEST);
    applyView();
    if (scene)
        scene->Render();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

}  // namespace velmora
