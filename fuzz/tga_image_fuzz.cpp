// libFuzzer target for the TGA reader: any bytes as a TGA file. A success must give a complete
// image of the promised size; a failure must leave the image released.
#include <cstddef>
#include <cstdint>

#include "resources/tga_image.h"
#include "tests/support/memory_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    velmora::testing::MemoryStream stream(data, size);
    velmora::TgaImage image;
    if (image.load(stream) != 0) {
        if (image.pixels || image.idText || image.width != 0 || image.pixelBytes != 0)
            __builtin_trap();  // a failure must release everything
        return 0;
    }
    const uint64_t expected = static_cast<uint64_t>(image.bitsPerPixel / 8) * image.width * image.height;
    if (image.width <= 0 || image.height <= 0 || image.pixelBytes != expected || !image.pixels)
        __builtin_trap();
    volatile uint8_t sum = 0;
    for (uint32_t i = 0; i < image.pixelBytes; ++i)
        sum = sum + image.pixels[i];  // every promised byte is there to read
    return 0;
}
