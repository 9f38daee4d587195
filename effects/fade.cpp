// The `fade` effect.
#include "effects/fade.h"

#include <GL/gl.h>

#include <utility>

#include "core/effect_parameters.h"
#include "core/script_node.h"
#include "core/script_values.h"
#include "effects/screen_square.h"

namespace velmora {

EffectScript Fade::script() const
{
    using enum ValueKind;
    static constexpr AttributeRow<Effect> kAttributes[] = {
        attribute<Colour, &Fade::fromColor>("from"),
        attribute<Colour, &Fade::toColor>("to"),
    };
    return {kAttributes, {}};
}

void Fade::load() { progress = 0; }

void Fade::update(float delta)
{
    progress += delta * speed;
    if (progress > 1.0f) {
        progress = 0;
        for (int i = 0; i < 4; ++i)
            std::swap(fromColor[i], toColor[i]);
    }
}

void Fade::render()
{
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_SRC_ALPHA);

    float colour[4];
    for (int i = 0; i < 4; ++i)
        colour[i] = fromColor[i] + (toColor[i] - fromColor[i]) * progress;
    glColor4fv(colour);
    drawScreenSquare();
}

}  // namespace velmora
