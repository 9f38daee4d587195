// The `3dscene` effect.
#include "effects/3dscene.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "core/script_node.h"
#include "core/script_values.h"

namespace velmora {

namespace {
// The float just below 0.3 (bits 0x3E999999): 30 animation frames per second at speed 1.
constexpr float kFramesPerHundredth = 0.29999998f;
}  // namespace

void ThreeDScene::load()
{
    loadScene(filename, false);
    cameraNode = nullptr;
    if (cameraName[0])
        chooseCamera(cameraName, cameraNode);
}

void ThreeDScene::update(float delta)
{
    frame += speed * delta * kFramesPerHundredth;
    if (scene) {
        scene->time = frame;
        scene->Update(0);
    }
    if (frame >= loopFrame)
        frame = 0;
}

void ThreeDScene::render()
{
    if (!visible)
        return;
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    if (cameraNode) {
        applyViewFromNode(cameraNode);
    } else {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(0, 0, -10);
    }
    if (scene)
        scene->Render();
}

void ThreeDScene::handleElement(const ScriptNode* node)
{
    Effect::handleElement(node);
    for (const auto& attribute : node->attributes) {
        const char* name = attribute->name;
        const char* value = attribute->value;
        if (sameName(name, "timeoffset")) {
            frame += scriptFloat(value);
            std::printf("timeoffset\n");
        } else if (sameName(name, "visible")) {
            visible = scriptInt(value);
        } else if (sameName(name, "filename")) {
            std::snprintf(filename, sizeof filename, "%s", value);
        } else if (sameName(name, "frame")) {
            frame = scriptFloat(value);
        } else if (sameName(name, "loopframe")) {
            loopFrame = scriptFloat(value);
        } else if (sameName(name, "camera")) {
            if (chooseCamera(value, cameraNode))
                std::snprintf(cameraName, sizeof cameraName, "%s", value);
        }
    }
    for (const auto& child : node->children)
        if (sameName(child->name, "init"))
            load();
}

}  // namespace velmora
