// Constants of the RAR 2.0 archive format shared by the extractor and the packer.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>

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
constexpr int kLiteralCodes = 298;  // 256 literals, 256 repeat, 257..260 old distance, 261..268 short, 269 tables, 270..297 length slots
constexpr int kDistanceCodes = 48;
constexpr int kRepeatCodes = 28;
constexpr int kBitLengthCodes = 19;
constexpr int kAudioCodes = 257;  // 256 residuals and the table switch
constexpr int kNormalTableSize = kLiteralCodes + kDistanceCodes + kRepeatCodes;  // 374
constexpr int kMaxChannels = 4;
constexpr int kMaxTableSize = kAudioCodes * kMaxChannels;  // 1028
constexpr int kMaxCodeLength = 15;

constexpr int kSymRepeatLast = 256;
constexpr int kSymOldDistance = 257;  // 257..260
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
constexpr std::array<uint8_t, 48> kDistanceBits = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,
                                                   5,  5,  6,  6,  7,  7,  8,  8,  9,  9,  10, 10,
                                                   11, 11, 12, 12, 13, 13, 14, 14, 15, 15, 16, 16,
                                                   16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};
constexpr std::array<uint8_t, 8> kShortBase = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr std::array<uint8_t, 8> kShortBits = {2, 2, 3, 4, 5, 6, 6, 6};

// Length bonus of a new match by its distance, and of a repeated old distance.
constexpr uint32_t matchLengthBonus(uint32_t distance)
{
    return (distance >= 0x2000) + (distance >= 0x40000);
}
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
    uint32_t dif[11] = {};
    uint32_t byteCount = 0;

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
        const int i = int(int8_t(symbol)) * 8;
        const int cd = channelDelta;
        dif[0] += uint32_t(std::abs(i));
        dif[1] += uint32_t(std::abs(i - d1));
        dif[2] += uint32_t(std::abs(i + d1));
        dif[3] += uint32_t(std::abs(i - d2));
        dif[4] += uint32_t(std::abs(i + d2));
        dif[5] += uint32_t(std::abs(i - d3));
        dif[6] += uint32_t(std::abs(i + d3));
        dif[7] += uint32_t(std::abs(i - d4));
        dif[8] += uint32_t(std::abs(i + d4));
        dif[9] += uint32_t(std::abs(i - cd));
        dif[10] += uint32_t(std::abs(i + cd));
        lastDelta = channelDelta = int8_t(uint8_t(output - lastChar));
        lastChar = output;
        if ((byteCount & 0x1F) != 0)
            return;
        int best = 0;
        for (int n = 1; n < 11; ++n)
            if (dif[n] < dif[best])
                best = n;
        for (uint32_t& d : dif)
            d = 0;
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
