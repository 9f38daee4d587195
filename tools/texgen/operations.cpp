// Noise, filters, colour ramps, shapes and cube map faces of the texture generator.
#include "tools/texgen/operations.h"

#include <algorithm>
#include <cmath>

namespace velmora::texgen {

namespace {

float smooth(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }

float lerp(float a, float b, float t) { return a + (b - a) * t; }

int wrapIndex(int i, int n) { return ((i % n) + n) % n; }

float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

// Texture coordinates of the centre of pixel (x, y).
float centreU(const Image& image, int x) { return (x + 0.5f) / image.width(); }
float centreV(const Image& image, int y) { return (y + 0.5f) / image.height(); }

void blurRows(const Image& in, Image& out, int radius)
{
    const float scale = 1.0f / (2 * radius + 1);
    for (int y = 0; y < in.height(); ++y)
        for (int x = 0; x < in.width(); ++x) {
            Pixel sum{0, 0, 0, 0};
            for (int k = -radius; k <= radius; ++k)
                sum = sum + in.wrapped(x + k, y);
            out.at(x, y) = sum * scale;
        }
}

void blurColumns(const Image& in, Image& out, int radius)
{
    const float scale = 1.0f / (2 * radius + 1);
    for (int y = 0; y < in.height(); ++y)
        for (int x = 0; x < in.width(); ++x) {
            Pixel sum{0, 0, 0, 0};
            for (int k = -radius; k <= radius; ++k)
                sum = sum + in.wrapped(x, y + k);
            out.at(x, y) = sum * scale;
        }
}

}  // namespace

// ---- noise ---------------------------------------------------------------------------------

float hashUnit(int x, int y, int z, uint32_t seed)
{
    uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<uint32_t>(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<uint32_t>(y) * 0xC2B2AE35u;
    h = (h << 17) | (h >> 15);
    h ^= static_cast<uint32_t>(z) * 0x27D4EB2Fu;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return (h >> 8) * (1.0f / 16777216.0f);
}

float valueNoise(float u, float v, int period, uint32_t seed)
{
    const float x = u * period, y = v * period;
    const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    const float tx = smooth(x - ix), ty = smooth(y - iy);
    auto corner = [&](int cx, int cy) { return hashUnit(wrapIndex(cx, period), wrapIndex(cy, period), 0, seed); };
    return lerp(lerp(corner(ix, iy), corner(ix + 1, iy), tx), lerp(corner(ix, iy + 1), corner(ix + 1, iy + 1), tx),
                ty);
}

float fractalNoise(float u, float v, int period, int octaves, float persistence, uint32_t seed)
{
    float sum = 0, amplitude = 1, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * valueNoise(u, v, period << i, seed + static_cast<uint32_t>(i) * 101u);
        total += amplitude;
        amplitude *= persistence;
    }
    return total > 0 ? sum / total : 0;
}

float valueNoise3(float x, float y, float z, uint32_t seed)
{
    const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y)),
              iz = static_cast<int>(std::floor(z));
    const float tx = smooth(x - ix), ty = smooth(y - iy), tz = smooth(z - iz);
    float layers[2];
    for (int k = 0; k < 2; ++k) {
        auto h = [&](int dx, int dy) { return hashUnit(ix + dx, iy + dy, iz + k, seed); };
        layers[k] = lerp(lerp(h(0, 0), h(1, 0), tx), lerp(h(0, 1), h(1, 1), tx), ty);
    }
    return lerp(layers[0], layers[1], tz);
}

float fractalNoise3(float x, float y, float z, int octaves, float persistence, uint32_t seed)
{
    float sum = 0, amplitude = 1, total = 0, frequency = 1;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * valueNoise3(x * frequency, y * frequency, z * frequency, seed + static_cast<uint32_t>(i));
        total += amplitude;
        amplitude *= persistence;
        frequency *= 2;
    }
    return total > 0 ? sum / total : 0;
}

Image noiseImage(int width, int height, int period, int octaves, float persistence, uint32_t seed)
{
    Image image(width, height);
    forEachPixel(image, [&](Pixel, float u, float v) {
        const float n = fractalNoise(u, v, period, octaves, persistence, seed);
        return Pixel{n, n, n, 1};
    });
    return image;
}

// ---- filters -------------------------------------------------------------------------------

void blur(Image& image, int radius, int passes)
{
    if (radius <= 0)
        return;
    Image scratch(image.width(), image.height());
    for (int i = 0; i < passes; ++i) {
        blurRows(image, scratch, radius);
        blurColumns(scratch, image, radius);
    }
}

void clampColours(Image& image)
{
    for (Pixel& p : image.pixels())
        p = {clamp01(p.r), clamp01(p.g), clamp01(p.b), clamp01(p.a)};
}

void forEachPixel(Image& image, const std::function<Pixel(Pixel, float u, float v)>& f)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.at(x, y) = f(image.at(x, y), centreU(image, x), centreV(image, y));
}

// ---- colour --------------------------------------------------------------------------------

Pixel rampColour(const std::vector<RampStop>& stops, float value)
{
    if (stops.empty())
        return {};
    if (value <= stops.front().at)
        return stops.front().colour;
    for (size_t i = 1; i < stops.size(); ++i)
        if (value <= stops[i].at) {
            const float span = stops[i].at - stops[i - 1].at;
            return mix(stops[i - 1].colour, stops[i].colour, span > 0 ? (value - stops[i - 1].at) / span : 1);
        }
    return stops.back().colour;
}

void colourRamp(Image& image, const std::vector<RampStop>& stops)
{
    for (Pixel& p : image.pixels())
        p = rampColour(stops, p.r);
}

// ---- gradients and shapes ------------------------------------------------------------------

void verticalGradient(Image& image, Pixel from, Pixel to)
{
    forEachPixel(image, [&](Pixel, float, float v) { return mix(from, to, v); });
}

void addGlow(Image& image, float cx, float cy, float radius, Pixel colour, float power)
{
    forEachPixel(image, [&](Pixel p, float u, float v) {
        const float d = std::hypot(u - cx, v - cy) / radius;
        return d < 1 ? p + colour * std::pow(1 - d, power) : p;
    });
}

void addRing(Image& image, float cx, float cy, float radius, float width, Pixel colour)
{
    forEachPixel(image, [&](Pixel p, float u, float v) {
        const float d = std::fabs(std::hypot(u - cx, v - cy) - radius) / width;
        return d < 1 ? p + colour * ((1 - d) * (1 - d)) : p;
    });
}

void addCross(Image& image, float cx, float cy, float length, float thickness, Pixel colour)
{
    forEachPixel(image, [&](Pixel p, float u, float v) {
        const float dx = std::fabs(u - cx), dy = std::fabs(v - cy);
        float k = 0;
        if (dx < length && dy < thickness)
            k += (1 - dx / length) * (1 - dy / thickness);
        if (dy < length && dx < thickness)
            k += (1 - dy / length) * (1 - dx / thickness);
        return p + colour * (k * k);
    });
}

void fillRect(Image& image, float x0, float y0, float x1, float y1, Pixel colour)
{
    forEachPixel(image, [&](Pixel p, float u, float v) {
        if (u < x0 || u >= x1 || v < y0 || v >= y1)
            return p;
        Pixel out = mix(p, colour, colour.a);
        out.a = p.a;
        return out;
    });
}

void addStarDots(Image& image, int count, float brightness, uint32_t seed)
{
    for (int i = 0; i < count; ++i) {
        const int x = static_cast<int>(hashUnit(i, 0, 1, seed) * image.width());
        const int y = static_cast<int>(hashUnit(i, 0, 2, seed) * image.height());
        const float b = brightness * hashUnit(i, 0, 3, seed);
        const float tint = hashUnit(i, 0, 4, seed) * 0.3f;
        image.at(x, y) = image.at(x, y) + Pixel{b * (1 - tint), b * (1 - tint * 0.5f), b, 0};
    }
}

// ---- cube maps -----------------------------------------------------------------------------

void cubeDirection(CubeFace face, float s, float t, float& x, float& y, float& z)
{
    const float a = 2 * s - 1, b = 2 * t - 1;
    switch (face) {
    case CubeFace::Front: x = -a, y = b, z = 1; break;
    case CubeFace::Back: x = -a, y = b, z = -1; break;
    case CubeFace::Left: x = -1, y = b, z = a; break;
    case CubeFace::Right: x = 1, y = b, z = -a; break;
    case CubeFace::Top: x = a, y = 1, z = -b; break;
    case CubeFace::Bottom: x = -a, y = -1, z = -b; break;
    }
}

Image cubeFaceImage(int size, CubeFace face, const std::function<Pixel(float x, float y, float z)>& sky)
{
    Image image(size, size);
    forEachPixel(image, [&](Pixel, float s, float t) {
        float x, y, z;
        cubeDirection(face, s, t, x, y, z);
        const float length = std::sqrt(x * x + y * y + z * z);
        return sky(x / length, y / length, z / length);
    });
    return image;
}

}  // namespace velmora::texgen
