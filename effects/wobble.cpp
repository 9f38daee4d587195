// Effect `wobble`: the ribbon, rebuilt quad by quad each frame.
#include "effects/wobble.h"

#include <GL/gl.h>

#include <cmath>

#include "core/effect_parameters.h"

namespace velmora {

EffectScript Wobble::script() const
{
    static constexpr AttributeRow<Effect> kAttributes[] = {
        attribute<ValueKind::File, &Wobble::textureName>("texture"),
    };
    return {kAttributes, {}};
}

void Wobble::load()
{
    unload();
    texture.load(textureName);
}

void Wobble::unload() { texture.unload(); }

void Wobble::update(float) {}

void Wobble::render()
{
    float x1 = 0, y1 = 0, z1 = 0, x2 = 0, z2 = 0;
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    texture.bind();
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_GEN_S);
    glEnable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -9);
    glRotatef(20, 1, 0, 0);

    const float pi = 3.1415927f;
    bool first = true;
    for (float t = -pi; t < pi; t += 0.01f) {
        const float x = (std::sin(pa - std::cos(pd)) + std::cos(std::sin(pd) + pb) - std::sin(std::cos(pc)) +
                         std::sin(pd + pa)) * 0.5f - 2;
        const float xx = (std::sin(pd - std::cos(pa)) - std::sin(std::sin(pc) + pb) - std::cos(std::cos(pb)) -
                          std::sin(pd + pa)) * 0.5f + 2;
        const float z = 2 * (std::sin(pd + pa) - std::cos(x + pb) + std::cos(pc - pd));
        const float zz = 2 * (-std::sin(2 * pa + pd) - std::cos(x - pa) + std::cos(pb + pc - pd));
        if (!first) {
            glBegin(GL_QUADS);
            glColor3f(1, 1, 1);
            glTexCoord2f(0, t);
            glNormal3f(x, t, 0);
            glVertex3f(x, t, z);
            glNormal3f(0, 0, 0);
            glTexCoord2f(1, t);
            glVertex3f(xx, t, zz);
            glTexCoord2f(1, y1);
            glVertex3f(x2, y1, z2);
            glTexCoord2f(0, y1);
            glNormal3f(x1, y1, 0);
            glVertex3f(x1, y1, z1);
            glEnd();
        }
        first = false;
        x1 = x, y1 = t, z1 = z;
        x2 = xx, z2 = zz;
        pa += speed * 0.01f;
        pc += (std::sin(pa) * 0.0002f + 0.03f) * speed;
        pd -= (0.02f - std::cos(x) * 0.0001f) * speed;
    }
    pc = pb;
}

void Wobble::renderUnseen()
{
    // The same arithmetic as render's loop, which the curve's next frames depend on.
    const float pi = 3.1415927f;
    for (float t = -pi; t < pi; t += 0.01f) {
        const float x = (std::sin(pa - std::cos(pd)) + std::cos(std::sin(pd) + pb) - std::sin(std::cos(pc)) +
                         std::sin(pd + pa)) * 0.5f - 2;
        pa += speed * 0.01f;
        pc += (std::sin(pa) * 0.0002f + 0.03f) * speed;
        pd -= (0.02f - std::cos(x) * 0.0001f) * speed;
    }
    pc = pb;
}

}  // namespace velmora
