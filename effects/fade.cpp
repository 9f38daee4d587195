// The `fade` effect.
#include "effects/fade.h"

#include <GL/gl.h>

#include <utility>

#include "core/script_node.h"
#include "core/script_values.h"
#include "effects/screen_square.h"

namespace velmora {

namespace {
void setColour(float (&target)[4], const char* text)
{
    const Colour colour = colourFromText(text);
    target[0] = colour.r;
    target[1] = colour.g;
    target[2] = colour.b;
    target[3] = colour.a;
}
}  // namespace

void Fade::handleElement(const ScriptNode* node)
{
    Effect::handleElement(node);
    for (const auto& attribute : node->attributes) {
        if (sameName(attribute->name, "from"))
            setColour(fromColor, attribute->value);
        else if (sameName(attribute->name, "to"))
            setColour(toColor, attribute->value);
    }
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
