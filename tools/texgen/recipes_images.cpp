// Recipes for the images of the picture, star space, particle box, skybox and vortex warp
// effects.
#include <cmath>

#include "tools/texgen/operations.h"
#include "tools/texgen/recipes.h"

namespace velmora::texgen {

namespace {

constexpr float kPi = 3.14159265f;

// ---- star sprites --------------------------------------------------------------------------

// Four 128 x 128 sprites on black, one per quarter: kind 0 bottom left (a soft blue glow),
// kind 1 bottom right (a warm four-ray star), kind 2 top left (a small white star, the most
// common kind), kind 3 top right (a red star with a halo ring).
Image starSprites()
{
    Image image(256, 256, Pixel{0, 0, 0, 1});
    addGlow(image, 0.25f, 0.25f, 0.22f, Pixel{0.35f, 0.5f, 1.0f, 0}, 2.0f);
    addGlow(image, 0.25f, 0.25f, 0.06f, Pixel{0.9f, 0.95f, 1.0f, 0}, 1.5f);

    addCross(image, 0.75f, 0.25f, 0.22f, 0.012f, Pixel{1.0f, 0.85f, 0.5f, 0});
    addGlow(image, 0.75f, 0.25f, 0.12f, Pixel{1.0f, 0.8f, 0.4f, 0}, 2.5f);
    addGlow(image, 0.75f, 0.25f, 0.03f, Pixel{1, 1, 1, 0}, 1.0f);

    addGlow(image, 0.25f, 0.75f, 0.15f, Pixel{0.7f, 0.75f, 0.8f, 0}, 4.0f);
    addGlow(image, 0.25f, 0.75f, 0.035f, Pixel{1, 1, 1, 0}, 1.0f);
    addCross(image, 0.25f, 0.75f, 0.1f, 0.006f, Pixel{0.6f, 0.6f, 0.7f, 0});

    addGlow(image, 0.75f, 0.75f, 0.16f, Pixel{1.0f, 0.35f, 0.25f, 0}, 2.0f);
    addRing(image, 0.75f, 0.75f, 0.14f, 0.03f, Pixel{0.5f, 0.2f, 0.3f, 0});
    addGlow(image, 0.75f, 0.75f, 0.04f, Pixel{1.0f, 0.9f, 0.8f, 0}, 1.0f);
    clampColours(image);
    return image;
}

// ---- particle sprites ----------------------------------------------------------------------

// White glows whose alpha reaches further than their colour: the particle box drops alpha below
// 0.1, and the colour there is already close to black, so additive sprites show no hard rim.
Image glowSprite()
{
    Image image(64, 64, Pixel{0, 0, 0, 0});
    addGlow(image, 0.5f, 0.5f, 0.5f, Pixel{1, 1, 1, 0}, 3.0f);
    addGlow(image, 0.5f, 0.5f, 0.15f, Pixel{0.5f, 0.5f, 0.5f, 0}, 1.0f);
    addGlow(image, 0.5f, 0.5f, 0.5f, Pixel{0, 0, 0, 1}, 1.0f);
    clampColours(image);
    return image;
}

Image sparkSprite()
{
    Image image(64, 64, Pixel{0, 0, 0, 0});
    addCross(image, 0.5f, 0.5f, 0.5f, 0.06f, Pixel{1, 1, 1, 0});
    addGlow(image, 0.5f, 0.5f, 0.25f, Pixel{1, 1, 1, 0}, 3.0f);
    addCross(image, 0.5f, 0.5f, 0.5f, 0.12f, Pixel{0, 0, 0, 1});
    addGlow(image, 0.5f, 0.5f, 0.3f, Pixel{0, 0, 0, 1}, 1.0f);
    clampColours(image);
    return image;
}

// ---- skybox --------------------------------------------------------------------------------

// Deep space: a coloured nebula over the whole sphere, a sun, and star dots.
Pixel spaceSky(float x, float y, float z)
{
    static const std::vector<RampStop> nebula = {
        {0.00f, {0.00f, 0.00f, 0.02f, 1}},
        {0.45f, {0.02f, 0.02f, 0.10f, 1}},
        {0.60f, {0.25f, 0.05f, 0.35f, 1}},
        {0.75f, {0.80f, 0.30f, 0.30f, 1}},
        {1.00f, {1.00f, 0.85f, 0.60f, 1}},
    };
    const float n = fractalNoise3(x * 2.5f + 7, y * 2.5f + 3, z * 2.5f + 11, 5, 0.55f, 42);
    const float band = std::exp(-y * y * 6.0f);  // the nebula gathers around the horizon
    Pixel sky = rampColour(nebula, n * (0.55f + 0.6f * band));
    const float sun = x * 0.48f + y * 0.3f + z * -0.82f;
    if (sun > 0.9f)
        sky = sky + Pixel{1.0f, 0.85f, 0.6f, 0} * std::pow((sun - 0.9f) / 0.1f, 6.0f);
    const float star = hashUnit(static_cast<int>(std::floor(x * 300)), static_cast<int>(std::floor(y * 300)),
                                static_cast<int>(std::floor(z * 300)), 7);
    if (star > 0.9985f)
        sky = sky + Pixel{1, 1, 1, 0} * ((star - 0.9985f) / 0.0015f);
    return sky;
}

Image skyFace(CubeFace face)
{
    Image image = cubeFaceImage(256, face, spaceSky);
    clampColours(image);
    return image;
}

Image skyFront() { return skyFace(CubeFace::Front); }
Image skyBack() { return skyFace(CubeFace::Back); }
Image skyTop() { return skyFace(CubeFace::Top); }
Image skyBottom() { return skyFace(CubeFace::Bottom); }
Image skyLeft() { return skyFace(CubeFace::Left); }
Image skyRight() { return skyFace(CubeFace::Right); }

// ---- full-screen pictures ------------------------------------------------------------------

// A 640 x 480 title: dusk gradient, a striped sun, a noisy mountain range and a perspective grid.
Image titlePicture()
{
    Image image(640, 480);
    verticalGradient(image, Pixel{0.35f, 0.05f, 0.30f, 1}, Pixel{0.02f, 0.01f, 0.10f, 1});
    addStarDots(image, 400, 0.8f, 3);
    addGlow(image, 0.5f, 0.55f, 0.45f, Pixel{0.5f, 0.15f, 0.3f, 0}, 2.0f);
    forEachPixel(image, [](Pixel p, float u, float v) {
        // The sun: a disc with horizontal gaps that widen towards its bottom.
        const float dx = (u - 0.5f) * 640.0f / 480.0f, dy = v - 0.55f;
        if (dx * dx + dy * dy < 0.2f * 0.2f) {
            const float stripe = std::fmod((v - 0.35f) * 40.0f, 1.0f);
            if (v > 0.6f || stripe > (0.6f - v) * 2.5f)
                p = mix(Pixel{1.0f, 0.25f, 0.45f, 1}, Pixel{1.0f, 0.9f, 0.3f, 1}, (v - 0.35f) / 0.4f);
        }
        // Mountains, darker with each range.
        for (int range = 0; range < 2; ++range) {
            const float height = 0.38f - range * 0.05f +
                                 0.12f * fractalNoise(u * (1 + range), 0.3f * range, 4, 4, 0.5f, 17 + range);
            if (v < height)
                p = Pixel{0.08f - range * 0.05f, 0.02f, 0.12f - range * 0.05f, 1};
        }
        // Ground with a grid in perspective.
        if (v < 0.3f) {
            const float depth = 0.3f / (0.3f - v + 0.01f);
            const float line = std::fabs(std::fmod(depth * 2.0f, 1.0f) - 0.5f);
            const float across = std::fabs(std::fmod((u - 0.5f) * depth * 8.0f + 100.5f, 1.0f) - 0.5f);
            p = Pixel{0.03f, 0.0f, 0.06f, 1};
            if (line > 0.45f || across > 0.47f)
                p = Pixel{0.9f, 0.2f, 0.8f, 1} * std::min(1.0f, 0.4f + v * 2);
        }
        return p;
    });
    clampColours(image);
    return image;
}

// A 512 x 512 planet with an atmosphere on black, for pictures that are scaled and turned.
Image planetPicture()
{
    static const std::vector<RampStop> surface = {
        {0.0f, {0.05f, 0.10f, 0.35f, 1}}, {0.5f, {0.10f, 0.30f, 0.60f, 1}}, {0.55f, {0.70f, 0.65f, 0.40f, 1}},
        {0.7f, {0.20f, 0.45f, 0.15f, 1}}, {1.0f, {0.95f, 0.95f, 0.95f, 1}},
    };
    Image image(512, 512, Pixel{0, 0, 0, 1});
    addStarDots(image, 300, 0.9f, 5);
    forEachPixel(image, [](Pixel p, float u, float v) {
        const float x = (u - 0.5f) / 0.38f, y = (v - 0.5f) / 0.38f, r2 = x * x + y * y;
        if (r2 < 1) {
            const float z = std::sqrt(1 - r2);
            const float light = std::max(0.0f, x * -0.5f + y * 0.4f + z * 0.77f);
            const float n = fractalNoise3(x * 2, y * 2, z * 2, 5, 0.5f, 9);
            return rampColour(surface, n) * (0.1f + 0.9f * light);
        }
        const float rim = std::sqrt(r2) - 1;
        return rim < 0.08f ? p + Pixel{0.3f, 0.5f, 1.0f, 0} * std::pow(1 - rim / 0.08f, 2.0f) : p;
    });
    clampColours(image);
    return image;
}

// ---- vortex warp layers (tileable: the warp repeats them) ---------------------------------

Image fireLayer()
{
    Image image = noiseImage(256, 256, 4, 6, 0.55f, 101);
    colourRamp(image, {{0.2f, {0, 0, 0, 1}}, {0.5f, {0.6f, 0.05f, 0.0f, 1}}, {0.7f, {1.0f, 0.5f, 0.05f, 1}},
                       {0.9f, {1.0f, 0.95f, 0.6f, 1}}});
    return image;
}

Image marbleLayer()
{
    Image image(256, 256);
    forEachPixel(image, [](Pixel, float u, float v) {
        const float n = fractalNoise(u, v, 4, 5, 0.5f, 202);
        const float veins = 0.5f + 0.5f * std::sin((u * 4 + v * 2 + n * 6) * 2 * kPi);
        return Pixel{veins, veins, veins, 1};
    });
    colourRamp(image, {{0.0f, {0.0f, 0.02f, 0.15f, 1}}, {0.6f, {0.1f, 0.3f, 0.8f, 1}}, {1.0f, {0.8f, 0.9f, 1.0f, 1}}});
    return image;
}

Image ridgeLayer()
{
    Image image(256, 256);
    forEachPixel(image, [](Pixel, float u, float v) {
        const float n = 1 - std::fabs(fractalNoise(u, v, 8, 4, 0.5f, 303) * 2 - 1);
        const float ridge = std::pow(n, 6.0f);
        return Pixel{ridge, ridge, ridge, 1};
    });
    blur(image, 1, 2);
    colourRamp(image, {{0.0f, {0.0f, 0.05f, 0.0f, 1}}, {0.5f, {0.1f, 0.6f, 0.2f, 1}}, {1.0f, {0.8f, 1.0f, 0.6f, 1}}});
    return image;
}

Image pulseLayer()
{
    Image image(256, 256);
    forEachPixel(image, [](Pixel, float u, float v) {
        const float cells = std::sin(u * 8 * kPi) * std::sin(v * 8 * kPi);
        const float n = fractalNoise(u, v, 8, 3, 0.5f, 404);
        const float k = std::pow(std::fabs(cells), 3.0f) * (0.5f + n);
        return Pixel{k * 0.9f, k * 0.5f, k, 1};
    });
    clampColours(image);
    return image;
}

}  // namespace

std::vector<Recipe> imageRecipes()
{
    return {
        {"textures/STARS.BMP", FileFormat::Bmp24, starSprites},
        {"textures/glow.tga", FileFormat::Tga32, glowSprite},
        {"textures/spark.tga", FileFormat::Tga32, sparkSprite},
        {"textures/sky_front.tga", FileFormat::Tga24, skyFront},
        {"textures/sky_back.tga", FileFormat::Tga24, skyBack},
        {"textures/sky_top.tga", FileFormat::Tga24, skyTop},
        {"textures/sky_bot.tga", FileFormat::Tga24, skyBottom},
        {"textures/sky_left.tga", FileFormat::Tga24, skyLeft},
        {"textures/sky_right.tga", FileFormat::Tga24, skyRight},
        {"textures/title.tga", FileFormat::Tga24, titlePicture},
        {"textures/planet.tga", FileFormat::Tga24, planetPicture},
        {"textures/wtf1.tga", FileFormat::Tga24, fireLayer},
        {"textures/wtf2.tga", FileFormat::Tga24, marbleLayer},
        {"textures/wtf3.tga", FileFormat::Tga24, ridgeLayer},
        {"textures/wtf4.tga", FileFormat::Tga24, pulseLayer},
    };
}

}  // namespace velmora::texgen
