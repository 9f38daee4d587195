// LZ77 parsing for the RAR 2.0 normal mode: hash-chain match finder over the 1 MB window,
// lazy evaluation and optimal parsing priced by code lengths, aware of the old distances.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "resources/rar_format.h"

namespace velmora::pack {

enum class TokenKind : uint8_t {
    Literal,      // the byte at the token's position
    Match,        // symbols 270..297 with a distance code
    OldDistance,  // symbols 257..260: `old` 1..4 steps back in the distance ring
    Short,        // symbols 261..268: length 2, distance 1..256
    RepeatLast,   // symbol 256: last length and distance again
};

struct Token {
    TokenKind kind;
    uint8_t old;
    uint16_t length;
    uint32_t distance;
};

// The decoder's match history, which decides what the cheap match symbols mean.
struct DistanceState {
    uint32_t old[4] = {};
    uint32_t index = 0;
    uint32_t lastDistance = 0;
    uint32_t lastLength = 0;

    void push(uint32_t distance, uint32_t length)
    {
        old[index] = distance;
        index = (index + 1) & 3;
        lastDistance = distance;
        lastLength = length;
    }
};

// Estimated bits of each symbol, from the code lengths of an earlier pass.
struct Prices {
    uint8_t main[rar::kLiteralCodes];
    uint8_t distance[rar::kDistanceCodes];
    uint8_t repeat[rar::kRepeatCodes];

    static Prices initial();
};

struct ParseOptions {
    int chainDepth = 256;  // hash-chain candidates examined per position
    int niceLength = 128;  // a match this long ends the search
};

int lengthSlot(uint32_t lengthOffset);      // 0..255 -> slot of the 28 length bases
int distanceSlot(uint32_t distanceOffset);  // 0..0xFFFFF -> slot of the 48 distance bases
int shortSlot(uint32_t distanceOffset);     // 0..255 -> slot of the 8 short bases

class LzParser {
public:
    // `data` must outlive the parser. Matches reach back no further than `historyStart`.
    LzParser(const uint8_t* data, size_t size, const ParseOptions& options, size_t historyStart = 0);

    // Parses [begin, end), continuing `state`. Earlier bytes serve as history; positions are
    // parsed in increasing order across calls.
    void parse(size_t begin, size_t end, const Prices& prices, DistanceState& state, std::vector<Token>& out);

    // Like parse, choosing the cheapest path under `prices` over windows of positions
    // (forward dynamic programming over literals and every match length).
    void parseOptimal(size_t begin, size_t end, const Prices& prices, DistanceState& state,
                      std::vector<Token>& out);

private:
    struct Match {
        uint32_t length;
        uint32_t distance;
    };
    // New-distance matches at `position`, longer with each entry, nearest first for a length.
    void collectMatches(size_t position, size_t end, std::vector<Match>& matches);
    void preparePrices(size_t begin, size_t end, const Prices& prices);

    struct Candidate {
        Token token{TokenKind::Literal, 0, 1, 0};
        uint32_t price = 0;  // bits
    };
    void insertUpTo(size_t position);
    Candidate best(size_t position, size_t end, const Prices& prices, const DistanceState& state);
    uint32_t matchLength(size_t position, size_t candidate, size_t limit) const;
    // Price of the bytes [from, to) of the range being parsed as literals, in bits.
    uint64_t literalBits(size_t from, size_t to) const
    {
        return literalSums_[to - literalBase_] - literalSums_[from - literalBase_];
    }

    const uint8_t* data_;
    size_t size_;
    ParseOptions options_;
    std::vector<uint32_t> head_;   // four-byte hash chains: newest position per hash
    std::vector<uint32_t> chain_;  // and the previous one with the same hash, per window slot
    std::vector<uint32_t> head3_;  // last position of each three-byte hash
    std::vector<uint32_t> head2_;  // last position of each byte pair
    size_t inserted_ = 0;  // positions below this are in the hash chains
    size_t literalBase_ = 0;
    std::vector<uint64_t> literalSums_;  // running literal prices over the range being parsed
};

}  // namespace velmora::pack
