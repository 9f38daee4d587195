// The `clear` effect.
#include "effects/clear.h"

#include <GL/gl.h>

#include "core/effect_parameters.h"
#include "core/script_node.h"
#include "core/script_values.h"

namespace velmora {

void Clear::update(float) { trailAlpha = trailValue; }

void Clear::render()
{
    if (trailValue >= 1.0f) {
        glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
        GLbitfield mask = 0;
        if (clearColorBuffer)
            mask |= GL_COLOR_BUFFER_BIT;
        if (clearDepthBuffer)
            mask |= GL_DEPTH_BUFFER_BIT;
        if (mask)
            glClear(mask);
        return;
    }

    // Trail: lay a translucent black square over the old picture.
    glClear(GL_DEPTH_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -1);
    glColor4f(0, 0, 0, trailAlpha);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_CULL_FACE);
}

EffectScript Clear::script() const
{
    using enum ValueKind;
    static constexpr AttributeRow<Effect> kAttributes[] = {
        attribute<Colour, &Clear::clearColor>("color"),
        attribute<Float, &Clear::trailValue>("trailval"),
        attribute<Flag, &Clear::clearColorBuffer>("cbuf"),
        attribute<Flag, &Clear::clearDepthBuffer>("zbuf"),
    };
    return {kAttributes, {}};
}

}  // namespace velmora
