// File encoders of the texture generator: 24-bit BMP with the standard 54-byte header and
// uncompressed true-colour TGA, both bottom row first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/texgen/image.h"

namespace velmora::texgen {

// Channels are clamped to [0, 1] and rounded to bytes.
uint8_t toByte(float channel);

// BITMAPFILEHEADER + BITMAPINFOHEADER (54 bytes), then blue-green-red rows padded to 4 bytes.
std::vector<uint8_t> encodeBmp24(const Image& image);
// Type 2 TGA of 24 (blue, green, red) or 32 bits (plus alpha), origin bottom-left.
std::vector<uint8_t> encodeTga(const Image& image, int bitsPerPixel);

// Writes the bytes, creating missing folders. False (with the reason in `error`) on failure.
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

}  // namespace velmora::texgen
