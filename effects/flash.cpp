// The `flash` effect.
#include "effects/flash.h"

#include <GL/gl.h>

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

void Flash::handleElement(const ScriptNode* node)
{
    Effect::handleElement(node);
    for (const auto& attribute : node->attributes) {
        if (sameName(attribute->name, "color")) {
            const Colour colour = colourFromText(attribute->value);
            color[0] = colour.r;
            color[1] = colour.g;
            color[2] = colour.b;
            color[3] = colour.a;
        } else if (sameName(attribute->name, "attack")) {
            attack = scriptFloat(attribute->value);
        } else if (sameName(attribute->name, "decay")) {
            decay = scriptFloat(attribute->value);
        } else if (sameName(attribute->name, "sustain")) {
            sustain = scriptFloat(attribute->value);
        } else if (sameName(attribute->name, "mode")) {
            mode = scriptInt(attribute->value);
        }
    }
    for (const auto& child : node->children) {
        if (sameName(child->name, "go")) {
            running = true;
            sustainLeft = sustain;
            phase = 1.0f;
            level = 0;
        }
    }
}

}  // namespace velmora
