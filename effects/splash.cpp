// Effect `splash`: the water simulation and its drawing.
#include "effects/splash.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>

#include "core/effect_parameters.h"
#include "core/script_node.h"
#include "core/script_values.h"

namespace velmora {

float Splash::splashAngle = 0;

WaterSurface::WaterSurface(int w, int h) : width(w), height(h)
{
    for (auto& buffer : buffers)
        buffer.assign(static_cast<size_t>(w) * h, 0);
}

void WaterSurface::step()
{
    const int16_t* src = buffers[current].data();
    int16_t* dst = buffers[1 - current].data();
    for (int y = 1; y < height - 1; ++y)
        for (int x = 1; x < width - 1; ++x) {
            const int i = y * width + x;
            const int32_t s = (int32_t(src[i - width]) + src[i + width] + src[i + 1] + src[i - 1]) >> 1;
            int16_t v = static_cast<int16_t>(s - dst[i]);
            if (v < 0)
                ++v;
            dst[i] = v;
        }
    current = 1 - current;
}

EffectScript Splash::script() const
{
    static constexpr AttributeRow<Effect> kAttributes[] = {
        attribute<ValueKind::File, &Splash::textureName>("texture"),
    };
    static constexpr ChildRow<Effect> kChildren[] = {child<&Splash::makeSplash>("splash")};
    return {kAttributes, kChildren};
}

void Splash::makeSplash()
{
    if (!surface)
        return;
    for (int k = 0; k < 360; ++k) {
        const double a = k * 0.017444444444444446;
        const int row = std::abs(static_cast<int>(std::sin(a) * 20 + 64)) % kSize;
        const int column = std::abs(static_cast<int>(std::cos(a) * 20 + 64)) % kSize;
        surface->buffers[0][row * kSize + column] = -15;
    }
}

void Splash::load()
{
    unload();
    // Loading precedes all drawing, so this changes nothing in one run; a show started again
    // (author mode) then turns from the same angle as the first time.
    splashAngle = 0;
    surface = std::make_unique<WaterSurface>(kSize, kSize);
    texture.load(textureName);
}

void Splash::unload()
{
    surface.reset();
    texture.unload();
}

void Splash::update(float)
{
    if (surface)
        surface->step();
}

void Splash::render()
{
    if (!surface)
        return;
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    texture.bind();
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -0.3f);
    glRotatef(-40, 1, 0, 0);
    glRotatef(90, 1, 0, 0);
    glRotatef(splashAngle, 0, 0, 1);
    splashAngle += 1;

    const int w = surface->width, h = surface->height;
    const int16_t* heights = surface->buffers[surface->current].data();
    auto corner = [&](int cx, int cy) {
        float e = heights[cy * w + cx] / 255.0f;
        if (e > 1)
            e = 1;
        glTexCoord2f(2 * e + 0.1f, 2 * e + 0.1f);
        glVertex3f(static_cast<float>(cx - w / 2) / w, e, static_cast<float>(cy - h / 2) / h);
    };
    glBegin(GL_QUADS);
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x) {
            corner(x, y);
            corner(x + 1, y);
            corner(x + 1, y + 1);
            corner(x, y + 1);
        }
    glEnd();
}

void Splash::renderUnseen()
{
    if (surface)
        splashAngle += 1;
}

}  // namespace velmora
