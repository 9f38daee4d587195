// The `testeffect` effect: the screen tiles and their feedback drawing.
#include "effects/testeffect.h"

#include <GL/glu.h>

#include <algorithm>

namespace velmora {

namespace {
constexpr float kScreenWidth = 640, kScreenHeight = 480;

void windowSize(int& width, int& height)
{
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    width = viewport[0] + viewport[2];
    height = viewport[1] + viewport[3];
}
}  // namespace

ScreenTiles::ScreenTiles()
{
    int width = 0, height = 0;
    windowSize(width, height);
    const int w = std::min(kTileSize, width), h = std::min(kTileSize, height);
    glGenTextures(static_cast<GLsizei>(textures.size()), textures.data());
    for (GLuint texture : textures) {
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kTileSize, kTileSize, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        if (w > 0 && h > 0)
            glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, w, h);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
        glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_MODULATE));
    }
}

ScreenTiles::~ScreenTiles() { glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data()); }

void ScreenTiles::capture(int windowWidth, int windowHeight)
{
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c) {
            const int x = c * kTileSize, y = r * kTileSize;
            const int w = std::min(kTileSize, windowWidth - x), h = std::min(kTileSize, windowHeight - y);
            if (w <= 0 || h <= 0)
                continue;
            glBindTexture(GL_TEXTURE_2D, textures[r * kColumns + c]);
            glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, x, y, w, h);
        }
}

void TestEffect::load()
{
    unload();
    capture = std::make_unique<ScreenTiles>();
}

void TestEffect::unload() { capture.reset(); }

void TestEffect::update(float) {}

void TestEffect::render()
{
    if (!capture)
        return;
    glDepthMask(GL_FALSE);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glColor3f(0.9f, 0.9f, 0.9f);
    glDisable(GL_CULL_FACE);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0, 1, 0, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    constexpr float inset = 1.0f / 640, margin = 1.0f / 64;
    for (int r = 0; r < ScreenTiles::kRows; ++r)
        for (int c = 0; c < ScreenTiles::kColumns; ++c) {
            const float x = static_cast<float>(c * ScreenTiles::kTileSize);
            const float y = static_cast<float>(r * ScreenTiles::kTileSize);
            const float u0 = x / kScreenWidth, u1 = (x + ScreenTiles::kTileSize) / kScreenWidth;
            const float v0 = y / kScreenHeight, v1 = (y + ScreenTiles::kTileSize) / kScreenHeight;
            glBindTexture(GL_TEXTURE_2D, capture->textures[r * ScreenTiles::kColumns + c]);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
            const float a = -0.5f * (u0 - 0.5f) + margin, b = 1 - 0.5f * (u1 - 0.5f) - margin;
            const float c0 = -0.5f * (v0 - 0.5f) + margin, d = 1 - 0.5f * (v1 - 0.5f) - margin;
            glBegin(GL_QUADS);
            glTexCoord2f(a, c0), glVertex2f(u0 + inset, v0 + inset);
            glTexCoord2f(b, c0), glVertex2f(u1 - inset, v0 + inset);
            glTexCoord2f(b, d), glVertex2f(u1 - inset, v1 - inset);
            glTexCoord2f(a, d), glVertex2f(u0 + inset, v1 - inset);
            glEnd();
        }

    int width = 0, height = 0;
    windowSize(width, height);
    capture->capture(width, height);

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

}  // namespace velmora
