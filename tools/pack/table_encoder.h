// Writes the code-length tables of a RAR 2.0 stream: mode bits, the 19-symbol bit-length code,
// and the lengths as deltas against the previous table with run-length codes.
#pragma once

#include <cstdint>

#include "resources/rar_format.h"
#include "tools/pack/bit_writer.h"

namespace velmora::pack {

// The lengths of one table: 374 for the normal mode, 257 per channel for the multimedia mode.
struct TableLayout {
    bool audio = false;
    int channels = 1;  // multimedia mode only, 1..4
    int size() const { return audio ? rar::kAudioCodes * channels : rar::kNormalTableSize; }
};

// Bits that writeTables would write for `lengths` after the tables `previous` (kMaxTableSize entries).
uint32_t tableBits(const TableLayout& layout, const uint8_t* lengths, const uint8_t* previous);

// Writes the tables and updates `previous` to `lengths` the way the decoder keeps them.
void writeTables(BitWriter& out, const TableLayout& layout, const uint8_t* lengths, uint8_t* previous);

}  // namespace velmora::pack
