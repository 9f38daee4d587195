// Constants of the RAR 2.0 archive format shared by the extractor and the packer.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace velmora::rar {

constexpr uint8_t kMarker[7] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
constexpr uint8_t kAltMarker[7] = {'Z', 'e', 'p', 'h', 'y', 'r', '!'};
constexpr uint32_t kMarkerSize = 7;
constexpr uint32_t kMainHeaderSize = 13;
constexpr uint32_t kFileHeaderSize = 32;  // fixed part of a file header, the name follows
constexpr uint32_t kMaxNameSize = 259;

constexpr uint8_t kMainHead = 0x73;
constexpr uint8_t kFileHead = 0x74;
constexpr uint8_t kSubHead = 0x77;
constexpr uint8_t kEndHead = 0x7B;

constexpr uint16_t kMainSolid = 0x0008;
constexpr uint16_t kLongBlock = 0x8000;
constexpr uint16_t kSolidContinue = 0x0010;
constexpr uint16_t kEncrypted = 0x0004;
constexpr uint16_t kDictMask = 0x00E0;
constexpr uint16_t kDirectory = 0x00E0;
constexpr uint16_t kDict1M = 0x0080;

constexpr uint8_t kMethodStore = 0x30;
constexpr uint8_t kMethodBest = 0x35;
constexpr uint8_t kMinUnpVer = 13;
constexpr uint8_t kMaxUnpVer = 20;

constexpr uint32_t kWindowSize = 0x100000;
constexpr uint32_t kWindowMask = kWindowSize - 1;

// Symbol alphabets of the normal mode and the multimedia mode.
constexpr int kLiteralCodes =
    298;  // 256 literals, 256 repeat, 257..260 old distance, 261..268 short, 269 tables, 270..297 length slots
constexpr int kDistanceCodes = 48;
constexpr int kRepeatCodes = 28;
constexpr int kBitLengthCodes = 19;
constexpr int kAudioCodes = 257;                                                 // 256 residuals and the table switch
constexpr int kNormalTableSize = kLiteralCodes + kDistanceCodes + kRepeatCodes;  // 374
constexpr int kMaxChannels = 4;
constexpr int kMaxTableSize = kAudioCodes * kMaxChannels;  // 1028
constexpr int kMaxCodeLength = 15;

constexpr int kSymRepeatLast = 256;
constexpr int kSymOldDistance = 257;    // 257..260
constexpr int kSymShortDistance = 261;  // 261..268
constexpr int kSymTables = 269;
constexpr int kSymLength = 270;  // 270..297
constexpr int kAudioSymTables = 256;

constexpr std::array<uint8_t, 28> kLengthBase = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10,  12,  14,  16,  20,
                                                 24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
constexpr std::array<uint8_t, 28> kLengthBits = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                                 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
constexpr std::array<uint32_t, 48> kDistanceBase = {
    0,      1,      2,      3,      4,      6,      8,      12,     16,     24,     32,     48,
    64,     96,     128,    192,    256,    384,    512,    768,    1024,   1536,   2048,   3072,
    4096,   6144,   8192,   12288,  16384,  24576,  32768,  49152,  65536,  98304,  131072, 196608,
    262144, 327680, 393216, 458752, 524288, 589824, 655360, 720896, 786432, 851968, 917504, 983040};
constexpr std::array<uint8_t, 48> kDistanceBits = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                                   7,  7,  8,  8,  9,  9,  10, 10, 11, 11, 12, 12, 13, 13, 14, 14,
                                                   15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};
constexpr std::array<uint8_t, 8> kShortBase = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr std::array<uint8_t, 8> kShortBits = {2, 2, 3, 4, 5, 6, 6, 6};

// Length bonus of a new match by its distance, and of a repeated old distance.
constexpr uint32_t matchLengthBonus(uint32_t distance) { return (distance >= 0x2000) + (distance >= 0x40000); }
constexpr uint32_t oldDistanceLengthBonus(uint32_t distance)
{
    return (distance >= 0x101) + (distance >= 0x2000) + (distance >= 0x40000);
}

// Adaptive predictor of the multimedia mode, one per channel; the channel delta is shared.
struct AudioPredictor {
    int lastChar = 0;
    int lastDelta = 0;
    int d1 = 0, d2 = 0, d3 = 0, d4 = 0;
    int k1 = 0, k2 = 0, k3 = 0, k4 = 0, k5 = 0;
    uint32_t byteCount = 0;
    // Each byte since the weights last adapted: the residual times 8, then the terms d1..d4 and
    // the channel delta it was predicted with. Every 32 bytes the weight of the term whose sign
    // would have left the smallest residuals moves one step.
    int16_t recent[6][32] = {};

    // Shifts the history and returns the predicted byte; call once per byte, then update().
    uint8_t predict(int channelDelta)
    {
        ++byteCount;
        d4 = d3;
        d3 = d2;
        d2 = lastDelta - d1;
        d1 = lastDelta;
        const int p = (8 * lastChar + k1 * d1 + k2 * d2 + k3 * d3 + k4 * d4 + k5 * channelDelta) >> 3;
        return uint8_t(p & 0xFF);
    }

    // Learns from the coded residual `symbol` and the byte it produced.
    void update(uint8_t symbol, uint8_t output, int& channelDelta)
    {
        const uint32_t at = (byteCount - 1) & 31;
        recent[0][at] = int16_t(int8_t(symbol) * 8);
        recent[1][at] = int16_t(d1);
        recent[2][at] = int16_t(d2);
        recent[3][at] = int16_t(d3);
        recent[4][at] = int16_t(d4);
        recent[5][at] = int16_t(channelDelta);
        lastDelta = channelDelta = int8_t(uint8_t(output - lastChar));
        lastChar = output;
        if ((byteCount & 0x1F) == 0)
            adapt();
    }

private:
    // The residuals of the last 32 bytes under each term added or subtracted, summed eight
    // bytes at a time: |residual| <= 1024 and |term| <= 255, so a lane's sum of four stays
    // within 16 bits.
    void adapt()
    {
        using Lanes = int16_t __attribute__((vector_size(16)));
        const auto absolute = [](Lanes x) { return (x ^ (x >> 15)) - (x >> 15); };
        Lanes sums[11] = {};
        for (int b = 0; b < 32; b += 8) {
            Lanes v[6];
            for (int t = 0; t < 6; ++t)
                std::memcpy(&v[t], &recent[t][b], sizeof(Lanes));
            sums[0] += absolute(v[0]);
            for (int t = 1; t < 6; ++t) {
                sums[2 * t - 1] += absolute(v[0] - v[t]);
                sums[2 * t] += absolute(v[0] + v[t]);
            }
        }
        // The smallest sum wins, the first of equal ones: its key, sum << 4 | term, is the least.
        uint32_t least = ~0u;
        for (int n = 0; n < 11; ++n) {
            uint32_t sum = 0;
            for (int lane = 0; lane < 8; ++lane)
                sum += uint16_t(sums[n][lane]);
            least = std::min(least, sum << 4 | uint32_t(n));
        }
        const int best = int(least & 0x0F);
        int* weights[5] = {&k1, &k2, &k3, &k4, &k5};
        if (best == 0)
            return;
        int& k = *weights[(best - 1) / 2];
        if (best & 1) {
            if (k >= -16)
                --k;
        } else if (k < 16) {
            ++k;
        }
    }
};

}  // namespace velmora::rar
