// Fixed-size BMP textures: raw 24-bit pixels behind the standard 54-byte header, of a size the
// caller knows in advance, turned into a mipmapped GL texture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "resources/gl_objects.h"

namespace velmora {

// How the three file bytes b0, b1, b2 of each pixel are stored for upload.
enum class BmpPixelOrder {
    AsStored,    // 3 bytes b0, b1, b2
    Reversed,    // 3 bytes b2, b1, b0 (blue-green-red becomes red-green-blue)
    LeafAlpha,   // 4 bytes (b0 ? 255 : 0), b2, b1, b0
};

enum class BmpReadResult {
    Complete,  // every pixel came from the file
    Short,     // the file ended early; the missing pixels are zero
    Missing,   // the file was not found; every pixel is zero
};

// Bytes per stored pixel for `order`: 4 for LeafAlpha, 3 otherwise.
int bmpComponents(BmpPixelOrder order);

// Reads width x height pixels of 3 bytes from byte 54 of the data file `name`, bottom row first,
// into `pixels` (resized to width x height x bmpComponents(order)). Never reads past the data.
BmpReadResult readFixedBmp(const char* name, int width, int height, BmpPixelOrder order,
                           std::vector<uint8_t>& pixels);
// The same over bytes already in memory (the whole file, header included).
BmpReadResult decodeFixedBmp(const uint8_t* file, size_t fileSize, int width, int height, BmpPixelOrder order,
                             std::vector<uint8_t>& pixels);

// With a current context: enables GL_TEXTURE_2D, generates and binds a texture with trilinear
// minification, linear magnification and modulate, and builds every mipmap level from `pixels`
// (width x height x components bytes; components 3 means GL_RGB, 4 GL_RGBA; fewer bytes leave
// the texture without levels).
GlTexture buildMipmappedTexture(const std::vector<uint8_t>& pixels, int width, int height, int components);

}  // namespace velmora
