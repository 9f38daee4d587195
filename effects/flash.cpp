// The `flash` effect.
#include "effects/flash.h"

#include <GL/gl.h>

#include "core/effect_parameters.h"
#include "core/script_node.h"
#include "core/script_values.h"
#include "effects/screen_square.h"

namespace velmora {

void Flash::load() { level = 0; }

void Flash::update(float delta)
{
    if (!running)
        return;
    const float step = speed * delta * 0.3f;
    if (phase > 0) {
        level += step * attack;
        // Not clipped: the level may end above 1, and the fall starts from there.
        if (level >= 1.0f)
            phase = 0;
    }
    if (phase == 0) {
        sustainLeft -= step;
        if (sustainLeft <= 0)
            phase = -1.0f;
    }
    if (phase < 0) {
        level -= step * decay;
        if (level <= 0) {
            running = false;
            sustainLeft = sustain;
            level = 0;
            phase = 1.0f;
        }
    }
}

void Flash::render()
{
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    switch (mode) {
    case 0:
        glBlendFunc(GL_ONE, GL_ONE);
        break;
    case 1:
        glBlendFunc(GL_ZERO, GL_SRC_COLOR);
        break;
    case 2:
    case 3:
        glBlendFunc(GL_ONE_MINUS_DST_COLOR, GL_ONE_MINUS_SRC_COLOR);
        break;
    default:
        break;  // the blend function in force
    }

    glColor4f(color[0] * level, color[1] * level, color[2] * level, 1);
    drawScreenSquare();
}

EffectScript Flash::script() const
{
    using enum ValueKind;
    static constexpr AttributeRow<Effect> kAttributes[] = {
        attribute<Colour, &Flash::color>("color"),   attribute<Float, &Flash::attack>("attack"),
        attribute<Float, &Flash::decay>("decay"),    attribute<Float, &Flash::sustain>("sustain"),
        attribute<Integer, &Flash::mode>("mode"),
    };
    static constexpr ChildRow<Effect> kChildren[] = {child<&Flash::go>("go")};
    return {kAttributes, kChildren};
}

void Flash::go()
{
    running = true;
    sustainLeft = sustain;
    phase = 1.0f;
    level = 0;
}

}  // namespace velmora
