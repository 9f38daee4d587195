// The `wtf` effect: vortex warp of the grid, layer weights and the four additive layers.
#include "effects/wtf.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>

#include "core/effect_parameters.h"
#include "core/script_node.h"
#include "core/script_values.h"

namespace velmora {

namespace {
constexpr float kPi = 3.14159265358979f;
constexpr int kPoints = Wtf::kGrid * Wtf::kGrid;
}  // namespace

void Wtf::load()
{
    unload();
    gridS.assign(kPoints, 0.0f);
    gridT.assign(kPoints, 0.0f);
    for (auto& w : weight)
        w.assign(kPoints, 0.0f);
    for (int i = 0; i < kLayers; ++i)
        loadTgaTexture(fileNames[i].data(), textures[i]);
}

void Wtf::unload()
{
    // Fresh vectors: assigning `{}` would keep the capacity.
    gridS = std::vector<float>();
    gridT = std::vector<float>();
    for (auto& w : weight)
        w = std::vector<float>();
    for (Texture& texture : textures)
        texture.reset();
}

void Wtf::update(float delta) { phase += delta * speed; }

float Wtf::pulse() const { return std::pow(std::cos(phase / 144.4f), 8.0f); }

void Wtf::moveVortices()
{
    const float p = phase;
    spin[0] = p * 0.001f;
    spin[1] = -p * 0.001f;
    spin[2] = p * 0.0005f;
    const float q = p * 0.001f;
    centreX[0] = (30 * std::sin(1.5f * q) + 50) * 0.2f;
    centreY[0] = (60 * std::cos(1.5f * q) + 100) * 0.32f;
    centreX[1] = (80 * std::sin(1.2f * q) + 150) * 0.2f;
    centreY[1] = (30 * std::cos(1.2f * q) + 100) * 0.32f;
    centreX[2] = (50 * std::sin(1.9f * q) + 250) * 0.2f;
    centreY[2] = (40 * std::cos(1.9f * q) + 150) * 0.32f;
}

void Wtf::warpGrid()
{
    for (int y = 0; y < kGrid; ++y)
        for (int x = 0; x < kGrid; ++x) {
            float s = 0.5f, t = 0.5f, w[3];
            for (int i = 0; i < 3; ++i) {
                const float dx = centreX[i] - x, dy = centreY[i] - y;
                const float e = dx * dx + dy * dy;
                w[i] = e != 0 ? 1 / e : 0;
                if (e == 0)
                    continue;
                const float d = std::sqrt(e), a = spin[i];
                const float theta =
                    a + d * (std::cos(0.4f * a + 6) * std::sin(d * kPi / 256) * kPi / 64 + std::sin(0.3f * a + 4) / 64);
                const float ct = std::cos(theta), st = std::sin(theta);
                s += (dx * ct - dy * st) * 4 / e;
                t += (dx * st + dy * ct) * 4 / e;
            }
            const int at = y * kGrid + x;
            gridS[at] = 2 * s;
            gridT[at] = 2 * t;
            const float sum = w[0] + w[1] + w[2];
            for (int i = 0; i < 3; ++i)
                weight[i][at] = sum == 0 ? 1.0f / 3 : w[i] / sum;
        }
}

void Wtf::drawLayer(const std::vector<float>* grey, float coordinateScale) const
{
    for (int j = 0; j < kGrid - 1; ++j) {
        glBegin(GL_TRIANGLE_STRIP);
        for (int k = 0; k < kGrid; ++k)
            for (int row = j; row <= j + 1; ++row) {
                const int at = row * kGrid + k;
                glTexCoord2f(coordinateScale * gridS[at], coordinateScale * gridT[at]);
                if (grey)
                    glColor3f((*grey)[at], (*grey)[at], (*grey)[at]);
                glVertex3f(k * 2.0f / 63 - 1, row * 2.0f / 63 - 1, 1);
            }
        glEnd();
    }
}

void Wtf::render()
{
    if (gridS.size() != kPoints)
        return;
    const float w4 = pulse();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDepthMask(GL_FALSE);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);

    moveVortices();
    warpGrid();
    for (int i = 0; i < 3; ++i) {
        textures[i].bind();
        drawLayer(&weight[i], 1);
    }
    textures[3].bind();
    glColor3f(w4, w4, w4);
    drawLayer(nullptr, 2);

    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}

EffectScript Wtf::script() const
{
    using enum ValueKind;
    static constexpr AttributeRow<Effect> kAttributes[] = {
        attribute<File, &Wtf::fileNames, 0>("file1"),
        attribute<File, &Wtf::fileNames, 1>("file2"),
        attribute<File, &Wtf::fileNames, 2>("file3"),
        attribute<File, &Wtf::fileNames, 3>("file4"),
    };
    return {kAttributes, {}};
}

}  // namespace velmora
