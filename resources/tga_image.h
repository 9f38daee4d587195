// Truevision TGA reader: uncompressed and run-length encoded, colour-mapped, true colour and grey
// images of 8, 16, 24 or 32 bits per pixel, decoded into file byte order.
#pragma once

#include <cstdint>
#include <memory>

namespace velmora {

class DataStream;

class TgaImage {
public:
    TgaImage() = default;
    TgaImage(const TgaImage&) = delete;
    TgaImage& operator=(const TgaImage&) = delete;

    // Decodes one image from the stream's current position, using only read(). Returns 0 on
    // success, -1 for an unsupported type, depth or colour map entry size, a header whose size
    // the remaining data cannot hold, or data that ends before the image is complete. On failure
    // the image is left released. Buffers of a previous image are released first.
    int load(DataStream& stream);
    // Frees the buffers, zeroes every field and clears hasPalette.
    void release();

    int imageType = 0;      // 1, 2, 3 (uncompressed) or 9, 10, 11 (run-length encoded)
    int width = 0;          // pixels, > 0 after a successful load
    int height = 0;         // pixels, > 0 after a successful load
    int bitsPerPixel = 0;   // 8, 16, 24 or 32
    uint32_t pixelBytes = 0;  // bitsPerPixel / 8 x width x height
    // pixelBytes bytes, bottom row first as in the file; blue, green, red, alpha for 24/32 bits;
    // colour-mapped images keep their indices here. Null when nothing is loaded.
    std::unique_ptr<uint8_t[]> pixels;
    // The image ID field, zero-terminated; null when the field is empty.
    std::unique_ptr<char[]> idText;
    // 256 entries of red, green, blue, alpha; 16-bit entries keep their 5-bit values unscaled.
    uint8_t palette[256][4] = {};
    bool hasPalette = false;
};

}  // namespace velmora
