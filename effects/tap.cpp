// The `tap` effect: "tap2.zen" in a 3 x 3 grid.
#include "effects/tap.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "core/random.h"
#include "core/effect_parameters.h"
#include "core/script_node.h"
#include "core/script_values.h"

namespace velmora {

namespace {
// Degrees to radians with pi taken as 3.1415, as the show always did.
constexpr float kRadiansPerDegree = 0.017452778f;
}  // namespace

Tap::Tap() : FixedScenePlayback({"tap2.zen", true, 0.01f, 360, -1, 0}) {}

void Tap::load()
{
    cameraNode = nullptr;
    FixedScenePlayback::load();
}

EffectScript Tap::script() const
{
    static constexpr AttributeRow<Effect> kAttributes[] = {attribute<ValueKind::Text, &Tap::setCamera>("camera")};
    static constexpr ChildRow<Effect> kChildren[] = {child<&Tap::randomViewpoint>("camrand")};
    return {kAttributes, kChildren};
}

void Tap::setCamera(const char* cameraName) { chooseCamera(cameraName, cameraNode); }

void Tap::randomViewpoint()
{
    cameraNode = nullptr;
    const float a = static_cast<float>(nextRandom() % 360) * kRadiansPerDegree;
    eye[0] = 2 * std::sin(a);
    eye[1] = 2 * std::cos(a);
    eye[2] = 2 * std::sin(a) + 2 * std::cos(a);
}

void Tap::render()
{
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    if (cameraNode) {
        applyViewFromNode(cameraNode);
    } else {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(eye[0], eye[1], eye[2], 0, 0, 0, 0, 1, 0);
    }
    if (scene)
        for (float x : {-4.0f, 0.0f, 4.0f})
            for (float z : {-4.0f, 0.0f, 4.0f}) {
                glPushMatrix();
                glTranslatef(x, 0, z);
                scene->Render();
                glPopMatrix();
            }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

}  // namespace velmora
