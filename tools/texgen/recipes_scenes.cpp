// Textures that the generated ".zen" scenes name: fish scales, stone blocks and an alpha-tested
// grate.
#include <algorithm>
#include <cmath>

#include "tools/texgen/operations.h"
#include "tools/texgen/recipes.h"

namespace velmora::texgen {

namespace {

// 128 x 128 overlapping scales: rows of half circles, dark edges, a silver-green sheen.
Image fishScales()
{
    Image image(128, 128);
    forEachPixel(image, [](Pixel, float u, float v) {
        const float rows = 8, columns = 8;
        const float row = std::floor(v * rows);
        const float shift = std::fmod(row, 2.0f) * 0.5f;
        const float cx = (std::floor(u * columns + shift) + 0.5f - shift) / columns;
        const float dx = (u - cx) * columns, dy = (v * rows - row);
        const float d = std::min(1.0f, std::sqrt(dx * dx + dy * dy));
        const float grain = fractalNoise(u, v, 8, 2, 0.5f, 33);
        const float shade = 0.35f + 0.55f * (1 - d * d) + 0.15f * grain;
        const float edge = d > 0.85f ? 0.5f : 1.0f;
        return Pixel{0.55f * shade * edge, 0.75f * shade * edge, 0.70f * shade * edge, 1};
    });
    clampColours(image);
    return image;
}

// 128 x 128 stone blocks in running bond with mortar lines and weathering.
Image stoneBlocks()
{
    Image image(128, 128);
    forEachPixel(image, [](Pixel, float u, float v) {
        const float rows = 4, columns = 2;
        const float row = std::floor(v * rows);
        const float x = u * columns + std::fmod(row, 2.0f) * 0.5f;
        const float fx = x - std::floor(x), fy = v * rows - row;
        const bool mortar = fx < 0.03f || fx > 0.97f || fy < 0.05f || fy > 0.95f;
        const float grain = fractalNoise(u, v, 8, 4, 0.55f, 71);
        const float tone = hashUnit(static_cast<int>(std::floor(x)), static_cast<int>(row), 0, 5);
        const float g = mortar ? 0.25f + 0.1f * grain : 0.45f + 0.2f * tone + 0.3f * grain;
        return Pixel{g * 1.05f, g, g * 0.9f, 1};
    });
    clampColours(image);
    return image;
}

// 64 x 64 iron grate: opaque bars, transparent holes (alpha 0), for the alpha test.
Image grate()
{
    Image image(64, 64);
    forEachPixel(image, [](Pixel, float u, float v) {
        const float fx = u * 4 - std::floor(u * 4), fy = v * 4 - std::floor(v * 4);
        const bool bar = fx < 0.25f || fy < 0.25f;
        const float rust = fractalNoise(u, v, 4, 3, 0.5f, 13);
        return bar ? Pixel{0.35f + 0.3f * rust, 0.25f + 0.15f * rust, 0.2f, 1} : Pixel{0, 0, 0, 0};
    });
    return image;
}

// 128 x 128 sphere map in warm metal tones: dark amber below the horizon, pale gold above, a
// white hot spot; modulated by gold corner colours it gives polished gold.
Image goldSphere()
{
    Image image(128, 128);
    static const std::vector<RampStop> tones = {
        {0.00f, {0.25f, 0.12f, 0.02f, 1}},
        {0.45f, {0.70f, 0.45f, 0.10f, 1}},
        {0.52f, {1.00f, 0.95f, 0.70f, 1}},
        {0.65f, {0.95f, 0.80f, 0.40f, 1}},
        {1.00f, {0.60f, 0.40f, 0.12f, 1}},
    };
    forEachPixel(image, [](Pixel, float u, float v) {
        const float x = (u - 0.5f) * 2, y = (v - 0.5f) * 2;
        const float z = std::sqrt(1 - std::min(1.0f, x * x + y * y));
        Pixel colour = rampColour(tones, y * z + 0.5f);
        const float dx = x + 0.3f, dy = y - 0.45f;
        const float spot = std::max(0.0f, 1 - std::sqrt(dx * dx + dy * dy) / 0.3f);
        return colour + Pixel{1, 1, 1, 0} * (spot * spot);
    });
    clampColours(image);
    return image;
}

}  // namespace

std::vector<Recipe> sceneRecipes()
{
    return {
        {"textures/fishskin.tga", FileFormat::Tga24, fishScales},
        {"textures/stone.tga", FileFormat::Tga24, stoneBlocks},
        {"textures/alphagrate.tga", FileFormat::Tga32, grate},
        {"textures/goldenv.tga", FileFormat::Tga24, goldSphere},
    };
}

}  // namespace velmora::texgen
