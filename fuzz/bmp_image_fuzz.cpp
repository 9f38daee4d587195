// libFuzzer target for the fixed-size BMP reader: any bytes as a BMP file, read at the size its
// header claims (clamped) and at the size the show asks for, in every pixel order. The result
// must always hold exactly width x height x components bytes, whatever the file holds.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "resources/bmp_image.h"

namespace {

int headerInt(const uint8_t* data, size_t size, size_t at)
{
    if (size < at + 4)
        return 0;
    return static_cast<int>(static_cast<uint32_t>(data[at]) | static_cast<uint32_t>(data[at + 1]) << 8 |
                            static_cast<uint32_t>(data[at + 2]) << 16 |
                            static_cast<uint32_t>(data[at + 3]) << 24);
}

int clampSide(int side) { return side < 1 ? 1 : side > 512 ? 512 : side; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int sizes[][2] = {
        {clampSide(headerInt(data, size, 18)), clampSide(headerInt(data, size, 22))},
        {32, 32},
        {1, 1},
    };
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
