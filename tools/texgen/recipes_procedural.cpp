// Recipes for the images of the fur teddy (shadow), the growing tree (leaf and bark), the
// environment maps of the dogtail and outline text effects, and the water and ribbon overlays.
#include <algorithm>
#include <cmath>

#include "tools/texgen/operations.h"
#include "tools/texgen/recipes.h"

namespace velmora::texgen {

namespace {

float smoothstep(float edge0, float edge1, float x)
{
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

// 64 x 64: a soft dark blob on a light floor patch that itself fades out towards the border,
// so the quad under the bear shows no hard edge.
Image shadowBlob()
{
    Image image(64, 64);
    forEachPixel(image, [](Pixel, float u, float v) {
        const float dx = (u - 0.5f) * 2, dy = (v - 0.5f) * 2;
        const float r = std::sqrt(dx * dx + dy * dy);
        const float floor = 0.7f * (1 - smoothstep(0.6f, 1.0f, r));
        const float blob = 1 - smoothstep(0.1f, 0.55f, r);
        const float grey = floor * (1 - 0.9f * blob);
        return Pixel{grey, grey, grey, 1};
    });
    return image;
}

// 32 x 32 grey leaf, tip at the top: the tree takes its blue byte as alpha (tested above one
// half), so the shape is bright and everything around it black. A darker midrib runs up the
// middle.
Image leafShape()
{
    Image image(32, 32, Pixel{0, 0, 0, 1});
    forEachPixel(image, [](Pixel, float u, float v) {
        const float halfWidth = 0.46f * std::pow(std::sin(3.14159265f * std::clamp(v * 1.02f, 0.0f, 1.0f)), 0.8f);
        const float x = std::fabs(u - 0.5f);
        if (x > halfWidth || v < 0.04f)
            return Pixel{0, 0, 0, 1};
        const float vein = x < 0.035f ? 0.75f : 0.92f - 0.1f * (x / std::max(halfWidth, 0.01f));
        return Pixel{vein, vein, vein, 1};
    });
    return image;
}

// 32 x 32 bark: dark brown with vertical furrows (the texture's v runs along the branch).
Image barkStrip()
{
    Image image(32, 32);
    static const std::vector<RampStop> bark = {
        {0.0f, {0.18f, 0.11f, 0.06f, 1}},
        {0.5f, {0.42f, 0.29f, 0.17f, 1}},
        {1.0f, {0.62f, 0.48f, 0.32f, 1}},
    };
    forEachPixel(image, [](Pixel, float u, float v) {
        const float furrows = fractalNoise(u * 1.0f, v * 0.25f, 8, 3, 0.5f, 91);
        const float grain = fractalNoise(u, v, 16, 2, 0.5f, 17);
        const float g = std::clamp(furrows * 0.8f + grain * 0.3f - 0.05f, 0.0f, 1.0f);
        return Pixel{g, g, g, 1};
    });
    colourRamp(image, bark);
    return image;
}

// 128 x 128 sphere map of a chrome ball: dark ground below a bright horizon, blue sky above,
// a hot spot up left; the corners outside the ball are dark blue.
Image chromeSphere()
{
    Image image(128, 128);
    static const std::vector<RampStop> sky = {
        {0.00f, {0.05f, 0.03f, 0.02f, 1}},
        {0.42f, {0.30f, 0.22f, 0.16f, 1}},
        {0.50f, {1.00f, 0.95f, 0.85f, 1}},
        {0.58f, {0.55f, 0.70f, 0.95f, 1}},
        {1.00f, {0.15f, 0.25f, 0.60f, 1}},
    };
    forEachPixel(image, [](Pixel, float u, float v) {
        const float x = (u - 0.5f) * 2, y = (v - 0.5f) * 2;
        if (x * x + y * y > 1)  // outside the ball: dark, for effects that use plain coordinates
            return Pixel{0.02f, 0.03f, 0.08f, 1};
        const float r2 = x * x + y * y;
        const float z = std::sqrt(1 - r2);
        // The reflected direction's height decides sky or ground.
        const float height = 2 * y * z;
        Pixel colour = rampColour(sky, height * 0.5f + 0.5f);
        const float spot = std::max(0.0f, 1 - std::sqrt((x + 0.35f) * (x + 0.35f) + (y - 0.4f) * (y - 0.4f)) / 0.25f);
        return colour + Pixel{1, 1, 1, 0} * (spot * spot);
    });
    clampColours(image);
    return image;
}

// 128 x 128 sphere map for additive ribbons: the chrome ball at two fifths of its brightness
// with thin coloured rings, so that the many overlapping folds of the dogtail surface add up to
// shining streaks on a glow, not to white.
Image glintSphere()
{
    Image image = chromeSphere();
    forEachPixel(image, [](Pixel p, float, float) { return p * 0.4f; });
    addRing(image, 0.5f, 0.5f, 0.25f, 0.02f, Pixel{0.5f, 0.7f, 1.0f, 0});
    addRing(image, 0.5f, 0.5f, 0.4f, 0.02f, Pixel{1.0f, 0.6f, 0.3f, 0});
    clampColours(image);
    return image;
}

// 64 x 64 for `splash`: the water takes (2h + 0.1, 2h + 0.1) as its coordinates for a surface
// height h, so calm water reads the colour at u = 0.1 and ripples read the columns either side.
// The colour depends on u alone (whatever way up the image is read): a deep blue for calm water,
// then bands of cyan and pale blue between darker ones, so that high waves show as contours and
// the picture under the water (it is drawn additively) shows through the dark bands.
Image waterRipples()
{
    Image image(64, 64);
    static const std::vector<RampStop> ripple = {
        {0.00f, {0.02f, 0.05f, 0.10f, 1}},
        {0.03f, {0.04f, 0.12f, 0.24f, 1}},
        {0.06f, {0.10f, 0.30f, 0.45f, 1}},
        {0.09f, {0.35f, 0.50f, 0.65f, 1}},
        {0.13f, {0.06f, 0.20f, 0.38f, 1}},
        {0.18f, {0.01f, 0.04f, 0.10f, 1}},
        {0.24f, {0.08f, 0.26f, 0.38f, 1}},
        {0.30f, {0.28f, 0.40f, 0.60f, 1}},
        {0.36f, {0.05f, 0.14f, 0.30f, 1}},
        {0.43f, {0.02f, 0.03f, 0.08f, 1}},
        {0.50f, {0.06f, 0.06f, 0.20f, 1}},
    };
    forEachPixel(image, [](Pixel, float u, float) {
        float d = std::fabs(u - 0.1f);
        d = std::min(d, 1 - d);  // the texture repeats
        return rampColour(ripple, d);
    });
    return image;
}

// 64 x 64 for `wobble`: u runs across the ribbon, v along it (about six repeats over its
// length). Bands of violet, rose and amber along it, a bright middle line and dark edges.
Image ribbonBands()
{
    Image image(64, 64);
    static const std::vector<RampStop> bands = {
        {0.00f, {0.25f, 0.08f, 0.45f, 1}},
        {0.35f, {0.85f, 0.25f, 0.55f, 1}},
        {0.65f, {1.00f, 0.60f, 0.20f, 1}},
        {1.00f, {0.25f, 0.08f, 0.45f, 1}},
    };
    forEachPixel(image, [](Pixel, float u, float v) {
        const float across = std::sin(3.14159265f * u);        // 0 at the edges, 1 in the middle
        const float line = std::pow(across, 24.0f) * 0.5f;     // the bright middle line
        const Pixel colour = rampColour(bands, v) * (0.25f + 0.75f * across);
        return colour + Pixel{line, line, line, 0};
    });
    clampColours(image);
    return image;
}

}  // namespace

std::vector<Recipe> proceduralRecipes()
{
    return {
        {"textures/shadow.bmp", FileFormat::Bmp24, shadowBlob},
        {"textures/leafsmall.bmp", FileFormat::Bmp24, leafShape},
        {"textures/treesmall.bmp", FileFormat::Bmp24, barkStrip},
        {"textures/chrome.tga", FileFormat::Tga24, chromeSphere},
        {"textures/glint.tga", FileFormat::Tga24, glintSphere},
        {"textures/water.tga", FileFormat::Tga24, waterRipples},
        {"textures/ribbon.tga", FileFormat::Tga24, ribbonBands},
    };
}

}  // namespace velmora::texgen
