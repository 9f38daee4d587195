// Hash-chain match finder and lazy parser.
#include "tools/pack/lz_parser.h"

#include <algorithm>
#include <cstring>

namespace velmora::pack {

using namespace rar;

namespace {

constexpr int kHashBits = 17;
constexpr uint32_t kNone = 0xFFFFFFFF;
// Farthest distance used; a margin below the window keeps every decoder's window safe.
constexpr uint32_t kMaxDistance = kWindowSize - 300;
constexpr uint32_t kMaxLength = 257;  // fits every match symbol, whatever its bonus
constexpr uint32_t kGoodLength = 32;  // a match this long cuts the rest of the chain search
constexpr uint32_t kNoLazyLength = 64;  // a match this long is taken without looking ahead

uint32_t hash3(const uint8_t* p)
{
    return ((uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]) * 2654435761u) >> (32 - kHashBits);
}

uint32_t hash4(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return (v * 2654435761u) >> (32 - kHashBits);
}

}  // namespace

int lengthSlot(uint32_t lengthOffset)
{
    int slot = 0;
    while (slot + 1 < int(kLengthBase.size()) && kLengthBase[slot + 1] <= lengthOffset)
        ++slot;
    return slot;
}

int distanceSlot(uint32_t distanceOffset)
{
    return int(std::upper_bound(kDistanceBase.begin(), kDistanceBase.end(), distanceOffset) - kDistanceBase.begin()) -
           1;
}

int shortSlot(uint32_t distanceOffset)
{
    int slot = 0;
    while (slot + 1 < int(kShortBase.size()) && kShortBase[slot + 1] <= distanceOffset)
        ++slot;
    return slot;
}

Prices Prices::initial()
{
    Prices p{};
    std::fill(std::begin(p.main), std::end(p.main), 12);
    std::fill(p.main, p.main + 256, 8);
    p.main[kSymRepeatLast] = 6;
    std::fill(std::begin(p.distance), std::end(p.distance), 5);
    std::fill(std::begin(p.repeat), std::end(p.repeat), 4);
    for (int s = kSymOldDistance; s < kSymTables; ++s)
        p.main[s] = 6;
    for (int s = kSymLength; s < kLiteralCodes; ++s)
        p.main[s] = 7;
    return p;
}

LzParser::LzParser(const uint8_t* data, size_t size, const ParseOptions& options, size_t historyStart)
    : data_(data), size_(size), options_(options), head_(size_t(1) << kHashBits, kNone),
      chain_(std::min<size_t>(size, kWindowSize), kNone), head3_(size_t(1) << kHashBits, kNone),
      head2_(size_t(1) << 16, kNone), inserted_(historyStart)
{
}

void LzParser::insertUpTo(size_t position)
{
    for (; inserted_ < position; ++inserted_) {
        if (inserted_ + 4 <= size_) {
            const uint32_t h = hash4(data_ + inserted_);
            chain_[inserted_ & kWindowMask] = head_[h];
            head_[h] = uint32_t(inserted_);
        }
        if (inserted_ + 3 <= size_) {
            head3_[hash3(data_ + inserted_)] = uint32_t(inserted_);
            head2_[uint32_t(data_[inserted_]) << 8 | data_[inserted_ + 1]] = uint32_t(inserted_);
        }
    }
}

uint32_t LzParser::matchLength(size_t position, size_t candidate, size_t limit) const
{
    const uint8_t* a = data_ + position;
    const uint8_t* b = data_ + candidate;
    const size_t max = std::min<size_t>(limit - position, kMaxLength);
    size_t n = 0;
    while (n + 8 <= max) {
        uint64_t x, y;
        std::memcpy(&x, a + n, 8);
        std::memcpy(&y, b + n, 8);
        if (x != y)
            return uint32_t(n + size_t(__builtin_ctzll(x ^ y) >> 3));
        n += 8;
    }
    while (n < max && a[n] == b[n])
        ++n;
    return uint32_t(n);
}

LzParser::Candidate LzParser::best(size_t position, size_t end, const Prices& prices, const DistanceState& state)
{
    insertUpTo(position);
    Candidate result;
    result.price = prices.main[data_[position]];
    if (end - position < 2)
        return result;
    // Value of a candidate: what its bytes would cost as literals, less its own price.
    int64_t bestGain = 0;
    auto consider = [&](TokenKind kind, uint8_t old, uint32_t length, uint32_t distance, uint32_t price) {
        const int64_t gain = int64_t(literalBits(position, position + length)) - int64_t(price);
        if (gain > bestGain) {
            bestGain = gain;
            result.token = Token{kind, old, uint16_t(length), distance};
            result.price = price;
        }
    };

    // Last match again, and the four old distances.
    if (state.lastLength > 0 && state.lastDistance <= position &&
        matchLength(position, position - state.lastDistance, end) >= state.lastLength)
        consider(TokenKind::RepeatLast, 0, state.lastLength, state.lastDistance, prices.main[kSymRepeatLast]);
    for (uint32_t k = 1; k <= 4; ++k) {
        const uint32_t distance = state.old[(state.index - k) & 3];
        if (distance == 0 || distance > position)
            continue;
        const uint32_t bonus = oldDistanceLengthBonus(distance);
        const uint32_t length = std::min(matchLength(position, position - distance, end), 255 + 2 + bonus);
        if (length < 2 + bonus)
            continue;
        const int slot = lengthSlot(length - 2 - bonus);
        consider(TokenKind::OldDistance, uint8_t(k), length, distance,
                 prices.main[kSymRepeatLast + k] + prices.repeat[slot] + kLengthBits[slot]);
    }

    // Two-byte match at a short distance.
    const uint32_t two = head2_[uint32_t(data_[position]) << 8 | data_[position + 1]];
    if (two != kNone && position - two <= 256) {
        const uint32_t distance = uint32_t(position - two);
        const int slot = shortSlot(distance - 1);
        consider(TokenKind::Short, 0, 2, distance, prices.main[kSymShortDistance + slot] + kShortBits[slot]);
    }

    // Three-byte match: only at distances where length 3 can be coded.
    uint32_t bestLength = 2;
    if (end - position >= 3) {
        const uint32_t three = head3_[hash3(data_ + position)];
        if (three != kNone && position - three < 0x2000) {
            const uint32_t distance = uint32_t(position - three);
            const uint32_t length = matchLength(position, three, end);
            if (length >= 3) {
                bestLength = length;
                const int lslot = lengthSlot(length - 3 - matchLengthBonus(distance));
                const int dslot = distanceSlot(distance - 1);
                consider(TokenKind::Match, 0, length, distance,
                         prices.main[kSymLength + lslot] + kLengthBits[lslot] + prices.distance[dslot] +
                             kDistanceBits[dslot]);
            }
        }
    }

    // Four-byte hash chain, nearest first.
    if (end - position >= 4 && bestLength < uint32_t(options_.niceLength)) {
        uint32_t candidate = head_[hash4(data_ + position)];
        int depth = options_.chainDepth;
        bool shortened = false;
        for (; depth > 0 && candidate != kNone; --depth) {
            const size_t distance = position - candidate;
            if (candidate >= position || distance > kMaxDistance)
                break;
            if (position + bestLength >= end)
                break;
            if (data_[candidate + bestLength] == data_[position + bestLength]) {
                const uint32_t length = matchLength(position, candidate, end);
                const uint32_t bonus = matchLengthBonus(uint32_t(distance));
                if (length > bestLength && length >= 3 + bonus) {
                    bestLength = length;
                    const int lslot = lengthSlot(length - 3 - bonus);
                    const int dslot = distanceSlot(uint32_t(distance - 1));
                    consider(TokenKind::Match, 0, length, uint32_t(distance),
                             prices.main[kSymLength + lslot] + kLengthBits[lslot] + prices.distance[dslot] +
                                 kDistanceBits[dslot]);
                    if (length >= uint32_t(options_.niceLength))
                        break;
                    if (length >= kGoodLength && !shortened) {  // good enough: look less far
                        depth /= 4;
                        shortened = true;
                    }
                }
            }
            candidate = chain_[candidate & kWindowMask];
        }
    }
    return result;
}

void LzParser::preparePrices(size_t begin, size_t end, const Prices& prices)
{
    literalBase_ = begin;
    literalSums_.assign(end - begin + 1, 0);
    for (size_t i = begin; i < end; ++i)
        literalSums_[i - begin + 1] = literalSums_[i - begin] + prices.main[data_[i]];
}

void LzParser::collectMatches(size_t position, size_t end, std::vector<Match>& matches)
{
    matches.clear();
    insertUpTo(position);
    uint32_t bestLength = 2;
    if (end - position >= 3) {
        const uint32_t three = head3_[hash3(data_ + position)];
        if (three != kNone && position - three < 0x2000) {
            const uint32_t length = matchLength(position, three, end);
            if (length >= 3) {
                bestLength = length;
                matches.push_back({length, uint32_t(position - three)});
            }
        }
    }
    if (end - position < 4 || bestLength >= uint32_t(options_.niceLength))
        return;
    uint32_t candidate = head_[hash4(data_ + position)];
    bool shortened = false;
    for (int depth = options_.chainDepth; depth > 0 && candidate != kNone; --depth) {
        const size_t distance = position - candidate;
        if (candidate >= position || distance > kMaxDistance || position + bestLength >= end)
            break;
        if (data_[candidate + bestLength] == data_[position + bestLength]) {
            const uint32_t length = matchLength(position, candidate, end);
            if (length > bestLength && length >= 3 + matchLengthBonus(uint32_t(distance))) {
                bestLength = length;
                matches.push_back({length, uint32_t(distance)});
                if (length >= uint32_t(options_.niceLength))
                    break;
                if (length >= kGoodLength && !shortened) {
                    depth /= 4;
                    shortened = true;
                }
            }
        }
        candidate = chain_[candidate & kWindowMask];
    }
}

void LzParser::parse(size_t begin, size_t end, const Prices& prices, DistanceState& state, std::vector<Token>& out)
{
    preparePrices(begin, end, prices);
    size_t position = begin;
    while (position < end) {
        Candidate current = best(position, end, prices, state);
        // Lazy evaluation: a literal here may let a better match start at the next byte.
        while (current.token.kind != TokenKind::Literal && current.token.length < kNoLazyLength &&
               position + 1 < end) {
            const Candidate next = best(position + 1, end, prices, state);
            if (next.token.kind == TokenKind::Literal || next.token.length <= current.token.length)
                break;
            // Both cover the bytes up to the end of the later match; the earlier one pays
            // for the rest as literals.
            const uint64_t costHere =
                current.price + literalBits(position + current.token.length, position + 1 + next.token.length);
            const uint64_t costThere = prices.main[data_[position]] + next.price;
            if (costThere >= costHere)
                break;
            out.push_back(Token{TokenKind::Literal, 0, 1, 0});
            ++position;
            current = next;
        }
        out.push_back(current.token);
        if (current.token.kind != TokenKind::Literal)
            state.push(current.token.distance, current.token.length);
        position += current.token.length;
    }
    insertUpTo(end);
}

}  // namespace velmora::pack
