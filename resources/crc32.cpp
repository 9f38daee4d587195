// CRC-32 with a slicing-by-8 table set, built once at compile time.
#include "resources/crc32.h"

#include <array>

namespace velmora {
namespace {

using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr CrcTables makeTables()
{
    CrcTables tables{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        tables[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i)
        for (size_t t = 1; t < 8; ++t)
            tables[t][i] = (tables[t - 1][i] >> 8) ^ tables[0][tables[t - 1][i] & 0xFF];
    return tables;
}

constexpr CrcTables kTables = makeTables();

}  // namespace

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc)
{
    crc = ~crc;
    while (size >= 8) {
        const uint32_t lo = crc ^ (uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                                   uint32_t(data[3]) << 24);
        crc = kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^ kTables[5][(lo >> 16) & 0xFF] ^
              kTables[4][lo >> 24] ^ kTables[3][data[4]] ^ kTables[2][data[5]] ^ kTables[1][data[6]] ^
              kTables[0][data[7]];
        data += 8;
        size -= 8;
    }
    while (size--)
        crc = kTables[0][(crc ^ *data++) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

}  // namespace velmora
