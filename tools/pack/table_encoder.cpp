// Table writer: run-length plan chosen by dynamic programming over estimated code costs.
#include "tools/pack/table_encoder.h"

#include <cstring>
#include <vector>

#include "tools/pack/huffman_builder.h"

namespace velmora::pack {
namespace {

struct LengthSymbol {
    uint8_t symbol;  // 0..15 delta, 16 repeat previous, 17/18 zeros
    uint8_t extraBits;
    uint8_t extra;
};

struct Plan {
    bool keep = true;  // deltas against the previous table rather than against zeros
    std::vector<LengthSymbol> symbols;
    uint8_t codeLengths[rar::kBitLengthCodes] = {};
    uint32_t bits = 0;
};

// Cheapest symbol sequence under `cost` (bits per symbol, extra bits added here).
std::vector<LengthSymbol> cheapestSequence(const uint8_t* lengths, const uint8_t* base, int size,
                                           const uint32_t* cost)
{
    constexpr uint32_t kInf = 0xFFFFFFFF;
    std::vector<uint32_t> best(size_t(size) + 1, kInf);
    std::vector<LengthSymbol> choice(size_t(size) + 1);
    std::vector<int> from(size_t(size) + 1, 0);
    best[0] = 0;
    auto relax = [&](int i, int j, uint32_t c, LengthSymbol s) {
        if (best[i] + c < best[j]) {
            best[j] = best[i] + c;
            choice[j] = s;
            from[j] = i;
        }
    };
    for (int i = 0; i < size; ++i) {
        if (best[i] == kInf)
            continue;
        const uint8_t delta = uint8_t((lengths[i] - base[i]) & 0x0F);
        relax(i, i + 1, cost[delta], {delta, 0, 0});
        if (lengths[i] == 0) {
            int run = 0;
            while (i + run < size && lengths[i + run] == 0 && run < 138)
                ++run;
            for (int k = 3; k <= run && k <= 10; ++k)
                relax(i, i + k, cost[17] + 3, {17, 3, uint8_t(k - 3)});
            for (int k = 11; k <= run; ++k)
                relax(i, i + k, cost[18] + 7, {18, 7, uint8_t(k - 11)});
        }
        if (i > 0) {
            const uint8_t previous = lengths[i - 1];
            int run = 0;
            while (i + run < size && lengths[i + run] == previous && run < 6)
                ++run;
            for (int k = 3; k <= run; ++k)
                relax(i, i + k, cost[16] + 2, {16, 2, uint8_t(k - 3)});
        }
    }
    std::vector<LengthSymbol> sequence;
    for (int j = size; j > 0; j = from[j])
        sequence.push_back(choice[j]);
    return {sequence.rbegin(), sequence.rend()};
}

Plan makePlan(const TableLayout& layout, const uint8_t* lengths, const uint8_t* base, bool keep)
{
    Plan plan;
    plan.keep = keep;
    uint32_t cost[rar::kBitLengthCodes];
    for (uint32_t& c : cost)
        c = 4;
    for (int round = 0; round < 3; ++round) {
        std::vector<LengthSymbol> sequence = cheapestSequence(lengths, base, layout.size(), cost);
        uint32_t counts[rar::kBitLengthCodes] = {};
        for (const LengthSymbol& s : sequence)
            ++counts[s.symbol];
        uint8_t codeLengths[rar::kBitLengthCodes];
        buildCodeLengths(counts, rar::kBitLengthCodes, rar::kMaxCodeLength, codeLengths);
        uint32_t bits = 2 + (layout.audio ? 2 : 0) + 4 * rar::kBitLengthCodes;
        for (const LengthSymbol& s : sequence)
            bits += codeLengths[s.symbol] + s.extraBits;
        if (round == 0 || bits < plan.bits) {
            plan.symbols = std::move(sequence);
            std::memcpy(plan.codeLengths, codeLengths, sizeof codeLengths);
            plan.bits = bits;
        }
        for (int i = 0; i < rar::kBitLengthCodes; ++i)
            cost[i] = codeLengths[i] ? codeLengths[i] : 15;
    }
    return plan;
}

Plan bestPlan(const TableLayout& layout, const uint8_t* lengths, const uint8_t* previous)
{
    static const uint8_t zeros[rar::kMaxTableSize] = {};
    Plan keep = makePlan(layout, lengths, previous, true);
    Plan fresh = makePlan(layout, lengths, zeros, false);
    return fresh.bits < keep.bits ? fresh : keep;
}

}  // namespace

uint32_t tableBits(const TableLayout& layout, const uint8_t* lengths, const uint8_t* previous)
{
    return bestPlan(layout, lengths, previous).bits;
}

void writeTables(BitWriter& out, const TableLayout& layout, const uint8_t* lengths, uint8_t* previous)
{
    const Plan plan = bestPlan(layout, lengths, previous);
    out.put(layout.audio ? 1 : 0, 1);
    out.put(plan.keep ? 1 : 0, 1);
    if (layout.audio)
        out.put(uint32_t(layout.channels - 1), 2);
    for (uint8_t l : plan.codeLengths)
        out.put(l, 4);
    uint16_t codes[rar::kBitLengthCodes];
    canonicalCodes(plan.codeLengths, rar::kBitLengthCodes, codes);
    for (const LengthSymbol& s : plan.symbols) {
        out.put(codes[s.symbol], plan.codeLengths[s.symbol]);
        if (s.extraBits)
            out.put(s.extra, s.extraBits);
    }
    if (!plan.keep)
        std::memset(previous, 0, rar::kMaxTableSize);
    std::memcpy(previous, lengths, size_t(layout.size()));
}

}  // namespace velmora::pack
