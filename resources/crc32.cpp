// CRC-32: carry-less multiplication folding where the processor has it, otherwise a
// slicing-by-8 table set built at compile time.
#include "resources/crc32.h"

#include <immintrin.h>

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

// Table-driven step on the raw register (no complements).
uint32_t crcTables(uint32_t crc, const uint8_t* data, size_t size)
{
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
    return crc;
}

// Folds 16-byte lanes with carry-less products (x^n mod P for the reflected polynomial) until one
// 16-byte remainder is left; it has the same CRC as all the data folded into it, so the tables
// finish it and the tail. Several gigabytes a second against about one for the tables.
__attribute__((target("pclmul"))) inline __m128i fold(__m128i x, __m128i k, __m128i next)
{
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), next);
}

inline __m128i load(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

__attribute__((target("pclmul"))) uint32_t crcFolded(uint32_t crc, const uint8_t* data, size_t size)
{
    const __m128i k1k2 = _mm_set_epi64x(0x1c6e41596, 0x154442bd4);  // four lanes ahead
    const __m128i k3k4 = _mm_set_epi64x(0x0ccaa009e, 0x1751997d0);  // one lane ahead
    __m128i x0 = _mm_xor_si128(load(data), _mm_cvtsi32_si128(int(crc)));
    __m128i x1 = load(data + 16), x2 = load(data + 32), x3 = load(data + 48);
    data += 64;
    size -= 64;
    for (; size >= 64; data += 64, size -= 64) {
        x0 = fold(x0, k1k2, load(data));
        x1 = fold(x1, k1k2, load(data + 16));
        x2 = fold(x2, k1k2, load(data + 32));
        x3 = fold(x3, k1k2, load(data + 48));
    }
    x1 = fold(x0, k3k4, x1);
    x2 = fold(x1, k3k4, x2);
    x3 = fold(x2, k3k4, x3);
    for (; size >= 16; data += 16, size -= 16)
        x3 = fold(x3, k3k4, load(data));
    alignas(16) uint8_t rest[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(rest), x3);
    return crcTables(crcTables(0, rest, 16), data, size);
}

}  // namespace

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc)
{
    static const bool folding = __builtin_cpu_supports("pclmul");
    if (folding && size >= 64)
        return ~crcFolded(~crc, data, size);
    return ~crcTables(~crc, data, size);
}

}  // namespace velmora
