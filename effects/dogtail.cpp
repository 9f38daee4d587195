// Effect `dogtail`: Enneper's surface in a display list, placed by the shared generator.
#include "effects/dogtail.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstring>

#include "core/random.h"
#include "core/effect_parameters.h"
#include "core/script_node.h"
#include "core/script_values.h"
#include "resources/data_file.h"
#include "resources/tga_image.h"

namespace velmora {

void ennepersPoint(float a, float b, float point[3], float shade[3])
{
    const float third = 0.33333334f;
    point[0] = a - a * a * a * third + a * b * b;
    point[1] = b - b * b * b * third + b * a * a;
    point[2] = a * a - b * b;
    const float l = std::sqrt(point[0] * point[0] + point[1] * point[1] + point[2] * point[2]);
    for (int c = 0; c < 3; ++c)
        shade[c] = l != 0 ? std::fabs(point[c] / l) : 0.0f;
}

DogTail::~DogTail() { unload(); }

EffectScript DogTail::script() const
{
    static constexpr AttributeRow<Effect> kAttributes[] = {attribute<ValueKind::File, &DogTail::filename>("filename")};
    return {kAttributes, {}};
}

void DogTail::load()
{
    if (filename[0] != '\0') {
        DataFile file(filename);
        TgaImage image;
        if (image.load(file) != 0)
            return;
        texture.create(image.width, image.height, image.bitsPerPixel);
        texture.upload(image.pixels.get(), image.pixelBytes);
    }
    unload();
    list = DisplayLists::generate();
    list.compile(0, [this] {
        glBegin(GL_TRIANGLES);
        const float h = 3.1415927f / steps;
        gridCells = 0;
        auto corner = [](float a, float b) {
            float point[3], shade[3];
            ennepersPoint(a, b, point, shade);
            glNormal3fv(shade);
            glVertex3fv(point);
        };
        for (float t = uMin; t < uMax; t += h)
            for (float s = vMin; s < vMax; s += h) {
                ++gridCells;
                glColor4f(0.063f, 0.063f, 0.063f, 1.0f);
                corner(s, t);
                corner(s + h, t + h);
                corner(s + h, t);
                corner(s, t);
                corner(s, t + h);
                corner(s + h, t + h);
            }
        glEnd();
    });
}

void DogTail::unload()
{
    list.reset();
}

void DogTail::update(float delta) { time += delta * speed; }

void DogTail::render()
{
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glShadeModel(GL_FLAT);
    glColor4f(1, 1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    texture.bind();
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45, 1.3333333333333333, 0.2, 200);
    glMatrixMode(GL_MODELVIEW);

    seedRandom(300);
    glLoadIdentity();
    glTranslatef(0, 0, -10);
    glScalef(5, 5, 1);
    for (int k = 0; k < 10; ++k) {
        glPushMatrix();
        const float x = randomSigned();
        const float y = randomSigned();
        const float z = -10 - std::fabs(randomUnit() * 20);
        glScalef(1.1f, 1.1f, 4.1f);
        glTranslatef(10 * x, 10 * y, z);
        glRotatef(k + time, 1, 0, 0);
        glRotatef(2 * k + time, 0, 1, 0);
        glRotatef(time, 1, 0.5f, 0.3f);
        list.call();
        glPopMatrix();
    }
}

void DogTail::renderUnseen()
{
    seedRandom(300);
    for (int k = 0; k < 10 * 3; ++k)  // three numbers per ribbon
        nextRandom();
}

}  // namespace velmora
