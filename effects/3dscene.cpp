// The `3dscene` effect.
#include "effects/3dscene.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "core/effect_parameters.h"
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

EffectScript ThreeDScene::script() const
{
    using enum ValueKind;
    static constexpr AttributeRow<Effect> kAttributes[] = {
        attribute<Float, &ThreeDScene::addTimeOffset>("timeoffset"),
        attribute<Integer, &ThreeDScene::visible>("visible"),
        attribute<File, &ThreeDScene::filename>("filename"),
        attribute<Float, &ThreeDScene::frame>("frame"),
        attribute<Float, &ThreeDScene::loopFrame>("loopframe"),
        attribute<Text, &ThreeDScene::setCamera>("camera"),
    };
    static constexpr ChildRow<Effect> kChildren[] = {child<&ThreeDScene::load>("init")};
    return {kAttributes, kChildren};
}

void ThreeDScene::addTimeOffset(float frames)
{
    frame += frames;
    std::printf("timeoffset\n");
}

// The name is kept only when accepted, so that a reload can look the same camera up again.
void ThreeDScene::setCamera(const char* name)
{
    if (chooseCamera(name, cameraNode))
        copyName(cameraName, name);
}

}  // namespace velmora
