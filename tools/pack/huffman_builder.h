// Length-limited Huffman code lengths (package-merge) and the canonical codes the RAR 2.0
// decoder expects (by length, then by symbol).
#pragma once

#include <cstdint>

namespace velmora::pack {

// Optimal lengths (1..maxLength) for the symbols with a non-zero count, 0 for the others. A lone
// used symbol gets length 1 and a neighbour also gets length 1, so every code is complete.
void buildCodeLengths(const uint32_t* counts, int n, int maxLength, uint8_t* lengths);

// Canonical code of each symbol (right-aligned in `lengths[i]` bits).
void canonicalCodes(const uint8_t* lengths, int n, uint16_t* codes);

// Sum of counts times lengths, in bits.
uint64_t codedBits(const uint32_t* counts, const uint8_t* lengths, int n);

}  // namespace velmora::pack
