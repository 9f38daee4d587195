// Builds small TGA and BMP files in memory for tests of the image readers and the effects that
// load pictures.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "tests/support/memory_stream.h"

namespace velmora::testing {

struct TgaHeader {
    uint8_t idLength = 0;
    uint8_t colourMapType = 0;
    uint8_t imageType = 2;
    uint16_t mapFirst = 0;
    uint16_t mapLength = 0;
    uint8_t mapEntryBits = 0;
    int16_t width = 0;
    int16_t height = 0;
    uint8_t bitsPerPixel = 24;
};

inline TgaHeader tgaHeader(int16_t width, int16_t height, uint8_t type = 2, uint8_t bits = 24)
{
    TgaHeader h;
    h.imageType = type;
    h.bitsPerPixel = bits;
    h.width = width;
    h.height = height;
    return h;
}

// The 18 header bytes followed by `body` (ID field, colour map and pixel data as given).
inline std::vector<uint8_t> tgaFile(const TgaHeader& h, const std::vector<uint8_t>& body = {})
{
    const auto w = static_cast<uint16_t>(h.width);
    const auto ht = static_cast<uint16_t>(h.height);
    std::vector<uint8_t> bytes(18 + body.size(), 0);
    bytes[0] = h.idLength;
    bytes[1] = h.colourMapType;
    bytes[2] = h.imageType;
    bytes[3] = static_cast<uint8_t>(h.mapFirst & 0xFF);
    bytes[4] = static_cast<uint8_t>(h.mapFirst >> 8);
    bytes[5] = static_cast<uint8_t>(h.mapLength & 0xFF);
    bytes[6] = static_cast<uint8_t>(h.mapLength >> 8);
    bytes[7] = h.mapEntryBits;
    bytes[12] = static_cast<uint8_t>(w & 0xFF);
    bytes[13] = static_cast<uint8_t>(w >> 8);
    bytes[14] = static_cast<uint8_t>(ht & 0xFF);
    bytes[15] = static_cast<uint8_t>(ht >> 8);
    bytes[16] = h.bitsPerPixel;
    std::copy(body.begin(), body.end(), bytes.begin() + 18);
    return bytes;
}

// An uncompressed 24-bit TGA of one colour (given as red, green, blue; stored blue-green-red).
inline std::vector<uint8_t> solidTga24(int width, int height, uint8_t red, uint8_t green, uint8_t blue)
{
    std::vector<uint8_t> body;
    for (int i = 0; i < width * height; ++i)
        body.insert(body.end(), {blue, green, red});
    return tgaFile(tgaHeader(static_cast<int16_t>(width), static_cast<int16_t>(height)), body);
}

// A 54-byte BMP header (only its size matters to the fixed-size readers) followed by `pixels`.
inline std::vector<uint8_t> bmpFile(const std::vector<uint8_t>& pixels)
{
    std::vector<uint8_t> bytes(54 + pixels.size(), 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    std::copy(pixels.begin(), pixels.end(), bytes.begin() + 54);
    return bytes;
}

}  // namespace velmora::testing
