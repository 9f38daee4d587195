// The RAR 2.0 compressor: segments (normal or multimedia), block splitting, emission.
#include "tools/pack/rar_encoder.h"

#include <algorithm>
#include <cstring>

#include "tools/pack/bit_writer.h"
#include "tools/pack/huffman_builder.h"
#include "tools/pack/table_encoder.h"

namespace velmora::pack {

using namespace rar;

namespace {

constexpr uint16_t kNoCode = 0xFFFF;
constexpr size_t kTailPadding = 4;

// One coded step: one or two Huffman codes, each followed by its extra bits.
struct Item {
    uint16_t first;
    uint16_t second;
    uint8_t firstExtraBits;
    uint8_t secondExtraBits;
    uint32_t firstExtra;
    uint32_t secondExtra;
};

// A run of the stream in one mode. Histogram indices follow the decoder's table layout.
struct Segment {
    TableLayout layout;
    std::vector<Item> items;
};

struct TableRange {
    int offset;
    int size;
};

std::vector<TableRange> tableRanges(const TableLayout& layout)
{
    if (!layout.audio)
        return {{0, kLiteralCodes}, {kLiteralCodes, kDistanceCodes}, {kLiteralCodes + kDistanceCodes, kRepeatCodes}};
    std::vector<TableRange> parts;
    for (int c = 0; c < layout.channels; ++c)
        parts.push_back({c * kAudioCodes, kAudioCodes});
    return parts;
}

using Histogram = std::vector<uint32_t>;

void buildLengths(const TableLayout& layout, const Histogram& counts, uint8_t* lengths)
{
    std::memset(lengths, 0, kMaxTableSize);
    for (const TableRange& p : tableRanges(layout))
        buildCodeLengths(counts.data() + p.offset, p.size, kMaxCodeLength, lengths + p.offset);
}

uint64_t blockBits(const TableLayout& layout, const Histogram& counts, uint8_t* lengths)
{
    buildLengths(layout, counts, lengths);
    return codedBits(counts.data(), lengths, layout.size());
}

// The table-switch code that ends the items [0, end) of a segment.
uint16_t switchCode(const Segment& segment, size_t end)
{
    if (!segment.layout.audio)
        return kSymTables;
    const int channel = int(end % size_t(segment.layout.channels));
    return uint16_t(channel * kAudioCodes + kAudioSymTables);
}

void addItems(const Segment& segment, size_t begin, size_t end, Histogram& counts)
{
    for (size_t i = begin; i < end; ++i) {
        ++counts[segment.items[i].first];
        if (segment.items[i].second != kNoCode)
            ++counts[segment.items[i].second];
    }
}

// Block boundaries: a chunk starts new tables when coding it with its own tables, tables
// included, is cheaper than coding it together with the current block.
std::vector<size_t> splitBlocks(const Segment& segment)
{
    const size_t chunk = segment.layout.audio ? 16384 : 4096;
    const size_t n = segment.items.size();
    std::vector<size_t> starts{0};
    const int size = segment.layout.size();
    Histogram current(size_t(size), 0), next(size_t(size), 0), joint(size_t(size), 0);
    addItems(segment, 0, std::min(chunk, n), current);
    uint8_t currentLengths[kMaxTableSize], nextLengths[kMaxTableSize], jointLengths[kMaxTableSize];
    for (size_t begin = chunk; begin < n; begin += chunk) {
        const size_t end = std::min(begin + chunk, n);
        std::fill(next.begin(), next.end(), 0);
        addItems(segment, begin, end, next);
        for (int i = 0; i < size; ++i)
            joint[size_t(i)] = current[size_t(i)] + next[size_t(i)];
        const uint64_t jointBits = blockBits(segment.layout, joint, jointLengths);
        const uint64_t currentBits = blockBits(segment.layout, current, currentLengths);
        const uint64_t nextBits = blockBits(segment.layout, next, nextLengths) +
                                  tableBits(segment.layout, nextLengths, currentLengths) + kMaxCodeLength;
        if (currentBits + nextBits < jointBits) {
            starts.push_back(begin);
            current = next;
        } else {
            current = joint;
        }
    }
    return starts;
}

void putCode(BitWriter& out, const uint16_t* codes, const uint8_t* lengths, uint16_t symbol)
{
    out.put(codes[symbol], lengths[symbol]);
}

// Writes all segments: each block is its tables, its items, and a switch code when another follows.
std::vector<uint8_t> emit(const std::vector<Segment>& segments)
{
    BitWriter out;
    uint8_t previous[kMaxTableSize] = {};
    uint8_t lengths[kMaxTableSize];
    uint16_t codes[kMaxTableSize];
    for (size_t s = 0; s < segments.size(); ++s) {
        const Segment& segment = segments[s];
        if (segment.items.empty())
            continue;
        bool laterSegment = false;
        for (size_t t = s + 1; t < segments.size(); ++t)
            laterSegment = laterSegment || !segments[t].items.empty();
        const std::vector<size_t> starts = splitBlocks(segment);
        for (size_t b = 0; b < starts.size(); ++b) {
            const size_t begin = starts[b];
            const size_t end = b + 1 < starts.size() ? starts[b + 1] : segment.items.size();
            const bool more = b + 1 < starts.size() || laterSegment;
            Histogram counts(size_t(segment.layout.size()), 0);
            addItems(segment, begin, end, counts);
            if (more)
                ++counts[switchCode(segment, end)];
            buildLengths(segment.layout, counts, lengths);
            writeTables(out, segment.layout, lengths, previous);
            for (const TableRange& p : tableRanges(segment.layout))
                canonicalCodes(lengths + p.offset, p.size, codes + p.offset);
            for (size_t i = begin; i < end; ++i) {
                const Item& item = segment.items[i];
                putCode(out, codes, lengths, item.first);
                if (item.firstExtraBits)
                    out.put(item.firstExtra, item.firstExtraBits);
                if (item.second != kNoCode)
                    putCode(out, codes, lengths, item.second);
                if (item.secondExtraBits)
                    out.put(item.secondExtra, item.secondExtraBits);
            }
            if (more)
                putCode(out, codes, lengths, switchCode(segment, end));
        }
    }
    return out.finish();
}

Item codeToken(const Token& t, uint8_t literal)
{
    Item item{kNoCode, kNoCode, 0, 0, 0, 0};
    switch (t.kind) {
    case TokenKind::Literal:
        item.first = literal;
        break;
    case TokenKind::RepeatLast:
        item.first = kSymRepeatLast;
        break;
    case TokenKind::OldDistance: {
        const uint32_t offset = t.length - 2 - oldDistanceLengthBonus(t.distance);
        const int slot = lengthSlot(offset);
        item.first = uint16_t(kSymRepeatLast + t.old);
        item.second = uint16_t(kLiteralCodes + kDistanceCodes + slot);
        item.secondExtraBits = kLengthBits[slot];
        item.secondExtra = offset - kLengthBase[slot];
        break;
    }
    case TokenKind::Short: {
        const int slot = shortSlot(t.distance - 1);
        item.first = uint16_t(kSymShortDistance + slot);
        item.firstExtraBits = kShortBits[slot];
        item.firstExtra = t.distance - 1 - kShortBase[slot];
        break;
    }
    case TokenKind::Match: {
        const uint32_t offset = t.length - 3 - matchLengthBonus(t.distance);
        const int lslot = lengthSlot(offset);
        const int dslot = distanceSlot(t.distance - 1);
        item.first = uint16_t(kSymLength + lslot);
        item.firstExtraBits = kLengthBits[lslot];
        item.firstExtra = offset - kLengthBase[lslot];
        item.second = uint16_t(kLiteralCodes + dslot);
        item.secondExtraBits = kDistanceBits[dslot];
        item.secondExtra = t.distance - 1 - kDistanceBase[dslot];
        break;
    }
    }
    return item;
}

void appendTokens(const uint8_t* data, size_t begin, const std::vector<Token>& tokens, Segment& segment)
{
    size_t position = begin;
    for (const Token& t : tokens) {
        segment.items.push_back(codeToken(t, data[position]));
        position += t.length;
    }
}

// Code lengths of a first parse turned into prices for the second.
Prices pricesFrom(const Segment& segment)
{
    Histogram counts(kNormalTableSize, 0);
    addItems(segment, 0, segment.items.size(), counts);
    uint8_t lengths[kMaxTableSize];
    buildLengths(segment.layout, counts, lengths);
    Prices p = Prices::initial();
    auto price = [](uint8_t length) { return uint8_t(length ? length : kMaxCodeLength); };
    for (int i = 0; i < kLiteralCodes; ++i)
        p.main[i] = price(lengths[i]);
    for (int i = 0; i < kDistanceCodes; ++i)
        p.distance[i] = price(lengths[kLiteralCodes + i]);
    for (int i = 0; i < kRepeatCodes; ++i)
        p.repeat[i] = price(lengths[kLiteralCodes + kDistanceCodes + i]);
    return p;
}

// Normal-mode segments for [begin, end) with two parses, the second priced by the first.
Segment normalSegment(const uint8_t* data, size_t size, size_t begin, size_t end, const ParseOptions& options,
                      DistanceState& state)
{
    Segment first;
    {
        ParseOptions quick = options;  // the first parse only estimates the prices
        quick.chainDepth = std::min(options.chainDepth, 16);
        LzParser parser(data, size, quick);
        DistanceState trial = state;
        std::vector<Token> tokens;
        parser.parse(begin, end, Prices::initial(), trial, tokens);
        appendTokens(data, begin, tokens, first);
    }
    LzParser parser(data, size, options);
    std::vector<Token> tokens;
    const Prices prices = pricesFrom(first);
    parser.parseOptimal(begin, end, prices, state, tokens);
    Segment segment;
    appendTokens(data, begin, tokens, segment);
    return segment;
}

Segment audioSegment(const uint8_t* data, size_t begin, size_t end, int channels)
{
    Segment segment;
    segment.layout = TableLayout{true, channels};
    AudioPredictor predictors[kMaxChannels];
    int channelDelta = 0;
    for (size_t i = begin; i < end; ++i) {
        const size_t channel = (i - begin) % size_t(channels);
        AudioPredictor& p = predictors[channel];
        const uint8_t byte = data[i];
        const uint8_t symbol = uint8_t(p.predict(channelDelta) - byte);
        p.update(symbol, byte, channelDelta);
        segment.items.push_back(Item{uint16_t(channel * kAudioCodes + symbol), kNoCode, 0, 0, 0, 0});
    }
    return segment;
}

uint32_t get32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

PcmRange findPcmData(const uint8_t* data, size_t size)
{
    PcmRange none;
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
        return none;
    int frameBytes = 0;
    bool pcm = false;
    for (size_t at = 12; at + 8 <= size;) {
        const uint32_t chunkSize = get32(data + at + 4);
        const size_t body = at + 8;
        if (std::memcmp(data + at, "fmt ", 4) == 0 && chunkSize >= 16 && body + 16 <= size) {
            const uint16_t format = uint16_t(data[body] | data[body + 1] << 8);
            pcm = format == 1 || format == 0xFFFE;
            frameBytes = data[body + 12] | data[body + 13] << 8;
        } else if (std::memcmp(data + at, "data", 4) == 0) {
            if (!pcm || frameBytes < 1 || frameBytes > kMaxChannels)
                return none;
            return PcmRange{body, std::min<size_t>(size, body + size_t(chunkSize)), frameBytes};
        }
        at = body + size_t(chunkSize) + (chunkSize & 1);
    }
    return none;
}

std::vector<uint8_t> packStream(const uint8_t* data, size_t size, const PackOptions& options)
{
    if (size == 0)
        return {};
    DistanceState state;
    std::vector<Segment> plain;
    plain.push_back(normalSegment(data, size, 0, size, options.parse, state));
    std::vector<uint8_t> best = emit(plain);

    const PcmRange pcm = options.tryAudio ? findPcmData(data, size) : PcmRange{};
    if (pcm.frameBytes > 0 && pcm.end > pcm.begin) {
        DistanceState audioState;
        std::vector<Segment> mixed;
        mixed.push_back(normalSegment(data, size, 0, pcm.begin, options.parse, audioState));
        mixed.push_back(audioSegment(data, pcm.begin, pcm.end, pcm.frameBytes));
        mixed.push_back(normalSegment(data, size, pcm.end, size, options.parse, audioState));
        std::vector<uint8_t> packed = emit(mixed);
        if (packed.size() < best.size())
            best = std::move(packed);
    }
    // Decoders peek ahead of the last code (and may decode one symbol past the end of the
    // data); zero bytes give them something to read.
    best.insert(best.end(), kTailPadding, 0);
    return best;
}

}  // namespace velmora::pack
