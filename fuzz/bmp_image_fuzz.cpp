// libFuzzer target for the fixed-size BMP reader: any bytes as a BMP file, read at a size taken
// from its first bytes and at sizes the show asks for, in every pixel order. The result must
// always hold exactly width x height x components bytes, whatever the file holds.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "resources/bmp_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int sizes[][2] = {{size > 1 ? 1 + data[0] % 200 : 1, size > 1 ? 1 + data[1] % 200 : 1}, {32, 32}, {1, 1}};
    std::vector<uint8_t> pixels;
    for (const auto& wh : sizes)
        for (velmora::BmpPixelOrder order : {velmora::BmpPixelOrder::AsStored, velmora::BmpPixelOrder::Reversed,
                                             velmora::BmpPixelOrder::LeafAlpha}) {
            const velmora::BmpReadResult result = velmora::decodeFixedBmp(data, size, wh[0], wh[1], order, pixels);
            const size_t expected = static_cast<size_t>(wh[0]) * wh[1] * velmora::bmpComponents(order);
            if (pixels.size() != expected)
                __builtin_trap();
            if (result == velmora::BmpReadResult::Complete && size < 54 + static_cast<size_t>(wh[0]) * wh[1] * 3)
                __builtin_trap();  // complete from fewer bytes than the pixels need
        }
    return 0;
}
