// The RAR 2.0 compressor (method 0x35): LZ77 tokens or multimedia residuals, coded in blocks
// with canonical Huffman tables that change when the statistics do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "tools/pack/lz_parser.h"

namespace velmora::pack {

struct PackOptions {
    ParseOptions parse;
    bool tryAudio = true;  // code PCM WAV samples in the multimedia mode where that is smaller
    // Told the size of each file (or solid entry) once it is packed; may be called from
    // several threads at once.
    std::function<void(size_t bytes)> progress;
};

// Packs `size` bytes as the stream of one non-solid entry.
std::vector<uint8_t> packStream(const uint8_t* data, size_t size, const PackOptions& options = {});

// Packs entries as one solid stream: `data` holds them back to back, `sizes` their lengths (each
// above 0). Returns the packed data of each entry; every entry after the first continues the
// window, tables and state the previous one leaves, so its matches reach back into it.
std::vector<std::vector<uint8_t>> packSolid(const uint8_t* data, const std::vector<size_t>& sizes,
                                            const PackOptions& options = {});

// The PCM sample data of a RIFF WAVE file with 1 to 4 bytes per frame: byte range and frame size.
struct PcmRange {
    size_t begin = 0;
    size_t end = 0;
    int frameBytes = 0;  // 0: not PCM audio the multimedia mode can take
};
PcmRange findPcmData(const uint8_t* data, size_t size);

}  // namespace velmora::pack
