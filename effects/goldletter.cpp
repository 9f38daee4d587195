// The `goldletter` effect: "gold.zen" looped every 900 frames with a shaking viewport.
#include "effects/goldletter.h"

#include <GL/gl.h>

#include "core/random.h"

namespace velmora {

GoldLetter::GoldLetter() : FixedScenePlayback({"gold.zen", false, 0.01f, 900, 4, 0}) {}

void GoldLetter::render()
{
    const int x = nextRandom() & 15;
    const int y = nextRandom() & 15;
    glViewport(x, y, 640, 480);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    FixedScenePlayback::render();
}

void GoldLetter::renderUnseen()
{
    nextRandom();  // the viewport's shake
    nextRandom();
}

}  // namespace velmora
