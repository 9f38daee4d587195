// Effect `quiver`: particle set-up from the shared generator, colour conversion and drawing.
#include "effects/quiver.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "core/random.h"
#include "core/effect_parameters.h"
#include "core/script_node.h"
#include "core/script_values.h"

namespace velmora {

namespace {

float unitClamp(float v) { return std::clamp(v, 0.0f, 1.0f); }

float hueChannel(float m1, float m2, float hue)
{
    if (hue < 0)
        hue += 1;
    if (hue > 1)
        hue -= 1;
    if (6 * hue < 1)
        return m1 + (m2 - m1) * 6 * hue;
    if (2 * hue < 1)
        return m2;
    if (3 * hue < 2)
        return m1 + (m2 - m1) * (2.0f / 3 - hue) * 6;
    return m1;
}

float randomThousandth() { return (nextRandom() % 1000) * 0.001f; }

}  // namespace

void rgbToHls(float r, float g, float b, float& h, float& l, float& s)
{
    r = unitClamp(r), g = unitClamp(g), b = unitClamp(b);
    const float mx = std::max({r, g, b});
    const float mn = std::min({r, g, b});
    l = (mx + mn) / 2;
    if (mx == mn) {
        h = 0;
        s = 0;
        return;
    }
    const float d = mx - mn;
    s = l < 0.5f ? d / (mx + mn) : d / (2 - mx - mn);
    if (r == mx)
        h = (g - b) / d;
    if (g == mx)
        h = 2 + (b - r) / d;
    if (b == mx)
        h = 4 + (r - g) / d;
    h /= 6;
}

void hlsToRgb(float h, float l, float s, float& r, float& g, float& b)
{
    h = unitClamp(h), l = unitClamp(l), s = unitClamp(s);
    if (s == 0) {
        r = g = b = l;
        return;
    }
    const float m2 = l < 0.5f ? l * (1 + s) : l + s - l * s;
    const float m1 = 2 * l - m2;
    r = hueChannel(m1, m2, h + 1.0f / 3);
    g = hueChannel(m1, m2, h);
    b = hueChannel(m1, m2, h - 1.0f / 3);
}

Quiver::~Quiver() { unload(); }

EffectScript Quiver::script() const
{
    static constexpr AttributeRow<Effect> kAttributes[] = {
        attribute<ValueKind::Integer, &Quiver::num>("num"),
        attribute<ValueKind::File, &Quiver::textureName>("texture"),
    };
    return {kAttributes, {}};
}

void Quiver::load()
{
    unload();
    texture.load(textureName);
    particles.assign(static_cast<size_t>(std::clamp(num, 0, kMaxParticles)), GlowParticle{});
    discList = DisplayLists::generate();
    discList.compile(0, [] {
        glBegin(GL_TRIANGLES);
        for (float a = 0; a < 6.283185308f; a += 0.1f) {
            glTexCoord2f(0, 0);
            glVertex3f(0, 0, 0);
            glTexCoord2f(1, 0);
            glVertex3f(std::cos(a), std::sin(a), 0);
            glTexCoord2f(1, 1);
            glVertex3f(std::cos(a + 0.1f), std::sin(a + 0.1f), 0);
        }
        glEnd();
    });

    for (GlowParticle& p : particles) {
        p.x = randomThousandth() - 0.5f;
        p.y = randomThousandth() - 0.5f;
        p.z = 0;
        const float r = randomThousandth();
        const float g = randomThousandth();
        const float b = randomThousandth();
        float h, l, s;
        rgbToHls(r, g, b, h, l, s);
        hlsToRgb(h * 0.1f, l * 0.5f, s * 0.2f, p.red, p.green, p.blue);
        p.red *= 0.1f, p.green *= 0.1f, p.blue *= 0.1f;
        p.alpha = randomThousandth();
        p.direction = (nextRandom() & 1) ? -1 : 1;
        p.secondPhase = (randomThousandth() - 0.5f) * 0.9f;
        p.phase = (randomThousandth() - 0.5f) * 3.141592654f;
    }
}

void Quiver::unload()
{
    texture.unload();
    particles.clear();
    discList.reset();
}

void Quiver::update(float delta)
{
    const float d = delta * speed;
    quiverTime += d;
    for (GlowParticle& p : particles)
        p.phase += d * 0.01f;
}

void Quiver::render()
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    texture.bind();
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_GEN_T);
    glEnable(GL_TEXTURE_GEN_S);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glPushMatrix();
    glTranslatef(0, 0, -1);
    for (size_t i = 0; i < particles.size(); ++i) {
        const GlowParticle& p = particles[i];
        glPushMatrix();
        glRotatef(quiverTime, 0.8f, 0.3f, 0.4f);
        glRotatef(6.0f * i + quiverTime, 0.008f, 0.003f, 0.004f);
        glPushMatrix();
        const float s = std::sin(p.phase) * 0.1f;
        glTranslatef(p.x, p.y, p.z);
        glRotatef(s * 3600, 0.3f, 1.0f, 0.5f);
        glScalef(s, s, s);
        glColor4f(p.red * 12, p.green * 12, p.blue * 12, p.alpha * 2);
        discList.call();
        glPopMatrix();
        glPopMatrix();
    }
    glPopMatrix();
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_GEN_S);
}

}  // namespace velmora
