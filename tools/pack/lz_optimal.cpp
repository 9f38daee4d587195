// Optimal parsing: forward dynamic programming over a window of positions, each reached at the
// least price by a literal or by any length of the matches found before it. The distance
// history of the best path into each position decides what the cheap repeat symbols mean.
#include <algorithm>
#include <limits>

#include "tools/pack/lz_parser.h"

namespace velmora::pack {

using namespace rar;

namespace {

constexpr size_t kWindow = 4096;  // positions decided together
constexpr uint32_t kMaxLength = 257;
constexpr uint32_t kEveryLength = 16;  // beyond this, only the longest and each slot's first length

// Whether a match of `length` (its length offset `offset` in the slot table) is worth a DP arc.
bool tryLength(uint32_t length, uint32_t offset, uint32_t longest)
{
    if (length <= kEveryLength || length == longest)
        return true;
    const int slot = lengthSlot(offset);
    return kLengthBase[slot] == offset;
}

struct Node {
    uint32_t cost = std::numeric_limits<uint32_t>::max();
    uint32_t from = 0;  // position the token starts at, relative to the window
    Token token{TokenKind::Literal, 0, 1, 0};
    DistanceState state;
};

}  // namespace

void LzParser::parseOptimal(size_t begin, size_t end, const Prices& prices, DistanceState& state,
                            std::vector<Token>& out)
{
    preparePrices(begin, end, prices);
    std::vector<Node> nodes(kWindow + kMaxLength + 1);
    std::vector<Match> matches;
    std::vector<Token> path;
    size_t base = begin;
    while (base < end) {
        const size_t limit = std::min(end, base + kWindow);  // no match may run past this
        const size_t span = limit - base;
        for (size_t i = 0; i <= span; ++i)
            nodes[i].cost = std::numeric_limits<uint32_t>::max();
        nodes[0].cost = 0;
        nodes[0].state = state;
        size_t stop = span;  // where the chosen path ends

        for (size_t i = 0; i < span; ++i) {
            const Node& node = nodes[i];
            if (node.cost == std::numeric_limits<uint32_t>::max())
                continue;
            const size_t position = base + i;
            auto arrive = [&](size_t length, uint32_t price, const Token& token) {
                Node& to = nodes[i + length];
                const uint32_t cost = node.cost + price;
                if (cost >= to.cost)
                    return;
                to.cost = cost;
                to.from = uint32_t(i);
                to.token = token;
                to.state = node.state;
                if (token.kind != TokenKind::Literal)
                    to.state.push(token.distance, token.length);
            };
            arrive(1, prices.main[data_[position]], Token{TokenKind::Literal, 0, 1, 0});
            if (limit - position < 2)
                continue;
            insertUpTo(position);

            const DistanceState& h = node.state;
            if (h.lastLength > 0 && h.lastDistance <= position && h.lastLength <= limit - position &&
                matchLength(position, position - h.lastDistance, limit) >= h.lastLength)
                arrive(h.lastLength, prices.main[kSymRepeatLast],
                       Token{TokenKind::RepeatLast, 0, uint16_t(h.lastLength), h.lastDistance});
            for (uint32_t k = 1; k <= 4; ++k) {
                const uint32_t distance = h.old[(h.index - k) & 3];
                if (distance == 0 || distance > position)
                    continue;
                const uint32_t bonus = oldDistanceLengthBonus(distance);
                const uint32_t longest =
                    std::min(matchLength(position, position - distance, limit), 255 + 2 + bonus);
                for (uint32_t length = 2 + bonus; length <= longest; ++length) {
                    if (!tryLength(length, length - 2 - bonus, longest))
                        continue;
                    const int slot = lengthSlot(length - 2 - bonus);
                    arrive(length, prices.main[kSymRepeatLast + k] + prices.repeat[slot] + kLengthBits[slot],
                           Token{TokenKind::OldDistance, uint8_t(k), uint16_t(length), distance});
                }
            }

            const uint32_t two = head2_[uint32_t(data_[position]) << 8 | data_[position + 1]];
            if (two != 0xFFFFFFFF && two < position && position - two <= 256) {
                const uint32_t distance = uint32_t(position - two);
                const int slot = shortSlot(distance - 1);
                arrive(2, prices.main[kSymShortDistance + slot] + kShortBits[slot],
                       Token{TokenKind::Short, 0, 2, distance});
            }

            // A very long match is taken at once (or a repeat as long): the window ends there.
            collectMatches(position, limit, matches);
            if (!matches.empty() && matches.back().length >= uint32_t(options_.niceLength)) {
                const Match m = matches.back();
                const int lslot = lengthSlot(m.length - 3 - matchLengthBonus(m.distance));
                const int dslot = distanceSlot(m.distance - 1);
                arrive(m.length,
                       prices.main[kSymLength + lslot] + kLengthBits[lslot] + prices.distance[dslot] +
                           kDistanceBits[dslot],
                       Token{TokenKind::Match, 0, uint16_t(m.length), m.distance});
                stop = i + m.length;
                break;
            }

            // Every length of each match: lengths up to the previous match's come cheaper from it.
            uint32_t covered = 2;
            for (const Match& m : matches) {
                const uint32_t bonus = matchLengthBonus(m.distance);
                const int dslot = distanceSlot(m.distance - 1);
                const uint32_t distancePrice = prices.distance[dslot] + kDistanceBits[dslot];
                for (uint32_t length = std::max(covered + 1, 3 + bonus); length <= m.length; ++length) {
                    if (!tryLength(length, length - 3 - bonus, m.length))
                        continue;
                    const int lslot = lengthSlot(length - 3 - bonus);
                    arrive(length, prices.main[kSymLength + lslot] + kLengthBits[lslot] + distancePrice,
                           Token{TokenKind::Match, 0, uint16_t(length), m.distance});
                }
                covered = m.length;
            }
        }

        path.clear();
        for (size_t i = stop; i > 0; i = nodes[i].from)
            path.push_back(nodes[i].token);
        out.insert(out.end(), path.rbegin(), path.rend());
        state = nodes[stop].state;
        base += stop;
    }
    insertUpTo(end);
}

}  // namespace velmora::pack
