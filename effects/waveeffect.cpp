// Effect `waveeffect`: octave tables, the line function and the four lines.
#include "effects/waveeffect.h"

#include <GL/gl.h>

#include <cmath>

#include "core/effect_parameters.h"
#include "core/random.h"

namespace velmora {

namespace {

constexpr float kPi = 3.14159265358979f;

float randomSignedByte() { return (nextRandom() & 255) * 2.0f / 255 - 1; }

// The octave's value at x in [0, 1], interpolated between its entries, indices wrapping.
float octaveAt(const WaveOctave& octave, float x)
{
    const int n = static_cast<int>(octave.value.size());
    const float u = x * (n - 1);
    const int j = static_cast<int>(u);
    const float f = u - std::floor(u);
    auto v = [&](int i) { return octave.value[((i % n) + n) % n]; };
    return cubicInterpolate(v(j - 1), v(j), v(j + 1), v(j + 2), f);
}

}  // namespace

float cubicInterpolate(float y0, float y1, float y2, float y3, float f)
{
    const float a0 = y3 - y2 - y0 + y1;
    const float a1 = y0 - y1 - a0;
    const float a2 = y2 - y0;
    return a0 * f * f * f + a1 * f * f + a2 * f + y1;
}

void WaveEffect::load()
{
    unload();
    waveTime = 0;
    for (int size : {16, 32, 64}) {
        WaveOctave octave;
        for (int k = 0; k < size; ++k) {
            octave.phase.push_back(randomSignedByte() * 2 * kPi);
            octave.rate.push_back(randomSignedByte() * 0.4f);
        }
        octave.value.assign(size, 0.0f);
        octaves.push_back(std::move(octave));
    }
    texture.load(textureName);
}

void WaveEffect::unload()
{
    octaves.clear();
    texture.unload();
}

EffectScript WaveEffect::script() const
{
    static constexpr AttributeRow<Effect> kAttributes[] = {
        attribute<ValueKind::File, &WaveEffect::textureName>("texture"),
    };
    return {kAttributes, {}};
}

void WaveEffect::update(float delta) { waveTime += speed * delta * 0.1f; }

void WaveEffect::buildLine(float tau)
{
    for (WaveOctave& octave : octaves)
        for (size_t k = 0; k < octave.value.size(); ++k)
            octave.value[k] = std::sin(tau * octave.rate[k] * 12.5f + octave.phase[k]) * 0.2f;
    const float w1 = std::pow(std::fabs(std::sin(tau * kPi / 19.2f)), 8.0f) + 0.5f;
    const float w2 = std::pow(std::fabs(std::sin(tau * kPi / 9.6f + kPi)), 8.0f) + 0.5f;
    const float w3 = std::pow(std::fabs(std::sin(tau * kPi / 4.8f + kPi / 2)), 8.0f) + 0.5f;
    for (int i = 0; i < kLinePoints; ++i) {
        const float x = i / 255.0f;
        line[i] = octaveAt(octaves[0], x) * w1 + octaveAt(octaves[1], x) * w2 * 0.6f +
                  octaveAt(octaves[2], x) * w3 * 0.3f;
    }
}

void WaveEffect::render()
{
    if (octaves.size() != 3)
        return;
    const float t = waveTime - std::fmod(waveTime, 0.08f);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glScalef(2, 1, 1);
    glTranslatef(-0.5f, 0, 0);
    glScalef(1 / 255.0f, 1, 1);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glMatrixMode(GL_MODELVIEW);
    if (texture.loaded()) {
        glEnable(GL_TEXTURE_2D);
        texture.bind();
    }

    struct Trace {
        float colour[3];
        float age;
        int width;
    };
    static const Trace traces[4] = {
        {{0.2074074f, 0.26666668f, 0.2962963f}, 0.3f, 16},
        {{0.35555556f, 0.35555556f, 0.42222223f}, 0.2f, 8},
        {{0.6f, 0.46666667f, 0.6f}, 0.1f, 4},
        {{1.0f, 0.6f, 0.8f}, 0.0f, 2},
    };
    float row = 0.125f;  // the line's height in the texture
    for (const Trace& trace : traces) {
        glColor3fv(trace.colour);
        buildLine(t - trace.age);
        glLineWidth(static_cast<float>(trace.width / 2));
        glBegin(GL_LINES);
        glTexCoord2f(0, row);
        glVertex3f(0, 0, 0);
        glTexCoord2f(1, row);
        glVertex3f(255, 0, 0);
        glEnd();
        glLineWidth(static_cast<float>(trace.width));
        glBegin(GL_LINE_STRIP);
        for (int i = 0; i < kLinePoints; ++i) {
            glTexCoord2f(i / 255.0f, row);
            glVertex3f(static_cast<float>(i), line[i], 0);
        }
        glEnd();
        row += 0.25f;
    }
    glDisable(GL_BLEND);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

}  // namespace velmora
