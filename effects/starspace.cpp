// The `starspace` effect: nebula noise, star motion and sprite drawing.
#include "effects/starspace.h"

#include <cmath>

#include "core/gl_state.h"
#include "core/random.h"
#include "resources/bmp_image.h"
#include "resources/gl_extensions.h"

namespace velmora {

namespace {

constexpr int kSheetSize = 256;

// The low 8 bits of the shared generator, 0..255.
int randomByte() { return nextRandom() & 0xFF; }

double randomPlane() { return 2.0 * (randomByte() * 2.0 / 255.0 - 1.0); }

int randomKind()
{
    if (randomByte() & 1)
        return 2;
    return randomByte() % 4;
}

float cubic(float a, float b, float c, float d, float t)
{
    const float p = (d - c) - (a - b);
    const float q = (a - b) - p;
    const float r = c - a;
    return ((p * t + q) * t + r) * t + b;
}

int wrap(int i, int n) { return ((i % n) + n) % n; }

}  // namespace

// ---- field ---------------------------------------------------------------------------------

StarField::StarField()
{
    for (size_t k = 0; k < angles8.size(); ++k) {
        angles8[k] = randomByte() * 0.024639942f;
        speeds8[k] = (randomByte() / 255.0f + 1) * 0.01f;
    }
    for (size_t k = 0; k < angles16.size(); ++k) {
        angles16[k] = randomByte() * 0.024639942f;
        speeds16[k] = (randomByte() / 255.0f + 1) * 0.01f;
    }
    for (Star& star : stars_) {
        star.x = randomPlane();
        star.y = randomPlane();
        star.z = (randomByte() * 2.0 / 255.0 - 1.0) * 4.0 - 4.0;
        star.kind = randomKind();
    }

    std::vector<uint8_t> pixels;
    readFixedBmp("STARS.BMP", kSheetSize, kSheetSize, BmpPixelOrder::AsStored, pixels);
    texture = buildMipmappedTexture(pixels, kSheetSize, kSheetSize, 3);
    glDisable(GL_TEXTURE_2D);
}

void StarField::update(float d)
{
    for (size_t k = 0; k < angles8.size(); ++k)
        angles8[k] += d * speeds8[k];
    for (size_t k = 0; k < angles16.size(); ++k)
        angles16[k] += d * speeds16[k];
    for (Star& star : stars_) {
        star.z += d * 0.01;
        if (star.z >= 0) {
            star.x = randomPlane();
            star.y = randomPlane();
            star.z = -8;
            star.kind = randomKind();
        }
    }
}

float StarField::sampleNoise(int n, float x, float y) const
{
    const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    const float tx = x - ix, ty = y - iy;
    float rows[4];
    for (int r = 0; r < 4; ++r) {
        const int row = wrap(iy - 1 + r, n) * n;
        rows[r] = cubic(noiseTable[row + wrap(ix - 1, n)],
                        noiseTable[row + wrap(ix, n)],
                        noiseTable[row + wrap(ix + 1, n)],
                        noiseTable[row + wrap(ix + 2, n)],
                        tx);
    }
    return cubic(rows[0], rows[1], rows[2], rows[3], ty);
}

float StarField::brightness(double z)
{
    const double raw = ((z + 4) * 0.25 + 1) * 0.5;
    double b = raw * raw;
    if (b > 0.9)
        b = 1 - (b - 0.9) * 10;
    return static_cast<float>(b);
}

void StarField::computeNebula()
{
    for (size_t k = 0; k < angles8.size(); ++k)
        noiseTable[k] = (1 - std::sin(angles8[k])) * 0.5f;
    for (int j = 0; j < kGrid; ++j)
        for (int i = 0; i < kGrid; ++i) {
            const float dx = i * 2.0f / 31 - 1, dy = j * 2.0f / 31 - 1;
            const float d = std::sqrt(dx * dx + dy * dy);
            const float v = sampleNoise(8, i * 7.0f / 31, j * 7.0f / 31) / (2 * d + 1);
            const int at = j * kGrid + i;
            red[at] = 0.8f * v;
            green[at] = 0.1f * v;
            blue[at] = 0.4f * v;
        }
    for (size_t k = 0; k < angles16.size(); ++k)
        noiseTable[k] = (1 - std::sin(angles16[k])) * 0.5f;
    for (int j = 0; j < kGrid; ++j)
        for (int i = 0; i < kGrid; ++i) {
            const float dx = i * 2.0f / 31 - 1, dy = j * 2.0f / 31 - 1;
            const float d = std::sqrt(dx * dx + dy * dy);
            const float v = sampleNoise(16, i * 15.0f / 31, j * 15.0f / 31) / (2 * d + 1) * 0.5f;
            const int at = j * kGrid + i;
            red[at] += 0.8f * v;
            green[at] += 0.2f * v;
            blue[at] += 0.4f * v;
        }
}

void StarField::render()
{
    if (glActiveTextureARB)
        glActiveTextureARB(GL_TEXTURE0_ARB);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_MODULATE));
    glDisable(GL_LIGHTING);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);

    computeNebula();
    {
        IdentityMatrices clipSpace;
        glScalef(2, 2, 1);
        glTranslatef(-0.5f, -0.5f, 0);
        glScalef(1.0f / 31, 1.0f / 31, 1);
        for (int j = 0; j < kGrid - 1; ++j) {
            glBegin(GL_TRIANGLE_STRIP);
            for (int i = 0; i < kGrid; ++i) {
                const int low = j * kGrid + i, high = low + kGrid;
                glColor3f(red[low], green[low], blue[low]);
                glVertex2f(static_cast<float>(i), static_cast<float>(j));
                glColor3f(red[high], green[high], blue[high]);
                glVertex2f(static_cast<float>(i), static_cast<float>(j + 1));
            }
            glEnd();
        }
    }

    static constexpr float kCorner[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    static constexpr float kTexCorner[4][2] = {{0, 0}, {0.5f, 0}, {0.5f, 0.5f}, {0, 0.5f}};
    static constexpr float kSprite[4][2] = {{0, 0}, {0.5f, 0}, {0, 0.5f}, {0.5f, 0.5f}};
    glEnable(GL_TEXTURE_2D);
    texture.bind();
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glBegin(GL_QUADS);
    for (const Star& star : stars_) {
        const float b = brightness(star.z);
        glColor3f(b, b, b);
        const float* sprite = kSprite[star.kind & 3];
        for (int c = 0; c < 4; ++c) {
            glTexCoord2f(sprite[0] + kTexCorner[c][0], sprite[1] + kTexCorner[c][1]);
            glVertex3f(static_cast<float>(star.x + 0.07 * kCorner[c][0]),
                       static_cast<float>(star.y + 0.07 * kCorner[c][1]),
                       static_cast<float>(star.z));
        }
    }
    glEnd();
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}

// ---- effect --------------------------------------------------------------------------------

void StarSpace::load() { field_ = std::make_unique<StarField>(); }

void StarSpace::unload() { field_.reset(); }

std::span<const Star> StarSpace::stars() const
{
    if (!field_)
        return {};
    return field_->stars();
}

void StarSpace::update(float delta)
{
    if (field_)
        field_->update(delta * speed);
}

void StarSpace::render()
{
    if (field_)
        field_->render();
}

}  // namespace velmora
