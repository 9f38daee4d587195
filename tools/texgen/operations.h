// The texture generator's operations: noise, gradients, blurs, shapes and colour ramps. Every
// operation is deterministic: the same arguments give the same pixels on every machine.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "tools/texgen/image.h"

namespace velmora::texgen {

// ---- noise ---------------------------------------------------------------------------------

// A hash of integer lattice coordinates and a seed, in [0, 1).
float hashUnit(int x, int y, int z, uint32_t seed);
// Value noise at (u, v), u and v in texture units (1 = the image size), on a lattice of
// `period` cells per unit that wraps, so the result tiles. Smooth interpolation; in [0, 1].
float valueNoise(float u, float v, int period, uint32_t seed);
// Octaves of valueNoise, period doubling and amplitude times `persistence` per octave,
// normalised to [0, 1]. Tiles like valueNoise.
float fractalNoise(float u, float v, int period, int octaves, float persistence, uint32_t seed);
// Value noise over space (not tiled), for cube maps; in [0, 1].
float valueNoise3(float x, float y, float z, uint32_t seed);
float fractalNoise3(float x, float y, float z, int octaves, float persistence, uint32_t seed);

// A grey, opaque image of fractal noise.
Image noiseImage(int width, int height, int period, int octaves, float persistence, uint32_t seed);

// ---- filters -------------------------------------------------------------------------------

// Box blur of the given radius in pixels, repeated `passes` times (3 passes approach a
// Gaussian). Wraps around the edges like the textures that use it.
void blur(Image& image, int radius, int passes);
// Every channel clamped to [0, 1].
void clampColours(Image& image);
// Applies `f` to every pixel with its texture coordinates (u, v) in [0, 1).
void forEachPixel(Image& image, const std::function<Pixel(Pixel, float u, float v)>& f);

// ---- colour --------------------------------------------------------------------------------

struct RampStop {
    float at;  // position in [0, 1], stops in increasing order
    Pixel colour;
};
// Maps each pixel's red channel (the grey value) through the ramp, interpolating between stops.
void colourRamp(Image& image, const std::vector<RampStop>& stops);
Pixel rampColour(const std::vector<RampStop>& stops, float value);

// ---- gradients and shapes (all in texture units, (0, 0) the bottom-left corner) -----------

// From `from` at the bottom row to `to` at the top row.
void verticalGradient(Image& image, Pixel from, Pixel to);
// Adds colour × (1 − distance / radius)^power inside the radius around (cx, cy).
void addGlow(Image& image, float cx, float cy, float radius, Pixel colour, float power);
// Adds a ring of the given radius whose brightness falls off over `width` on both sides.
void addRing(Image& image, float cx, float cy, float radius, float width, Pixel colour);
// Adds a cross of horizontal and vertical rays through (cx, cy): brightness falls off along
// the ray over `length` and across it over `thickness`.
void addCross(Image& image, float cx, float cy, float length, float thickness, Pixel colour);
// Paints the rectangle [x0, x1) × [y0, y1) blended over the image by the colour's alpha.
void fillRect(Image& image, float x0, float y0, float x1, float y1, Pixel colour);
// Adds `count` single-pixel stars of random brightness up to `brightness`.
void addStarDots(Image& image, int count, float brightness, uint32_t seed);

// ---- cube maps -----------------------------------------------------------------------------

enum class CubeFace { Front, Back, Top, Bottom, Left, Right };
// The view direction (not normalised) through texture coordinate (s, t) of a face of the skybox
// cube, matching how the skybox effect maps each face's texture onto the cube.
void cubeDirection(CubeFace face, float s, float t, float& x, float& y, float& z);
// A size × size face whose pixels are `sky` of the normalised direction through each pixel.
Image cubeFaceImage(int size, CubeFace face, const std::function<Pixel(float x, float y, float z)>& sky);

}  // namespace velmora::texgen
