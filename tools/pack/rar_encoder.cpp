// The RAR 2.0 compressor: runs of one mode (normal or multimedia), block splitting, emission
// cut into the packed data of each entry of a solid stream.
#include "tools/pack/rar_encoder.h"

#include <algorithm>
#include <cstring>
#include <memory>

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

// Items in one mode. Histogram indices follow the decoder's table layout; a multimedia item's
// code names its channel's table.
struct Segment {
    TableLayout layout;
    std::vector<Item> items;
};

// Consecutive segments of one layout share blocks; `cuts` counts the items of the run before
// each end of an entry's packed data inside it.
struct Run {
    Segment segment;
    std::vector<size_t> cuts;
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

int itemChannel(const Item& item) { return item.first / kAudioCodes; }

// The table-switch code that follows item `end - 1` of a segment (end > 0).
uint16_t switchCode(const Segment& segment, size_t end)
{
    if (!segment.layout.audio)
        return kSymTables;
    const int channel = (itemChannel(segment.items[end - 1]) + 1) % segment.layout.channels;
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
    const size_t chunk = segment.layout.audio ? 16384 : 2048;
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

// The packed data of each entry in turn: one bit stream cut at the ends of entries.
class EntryWriter {
public:
    BitWriter bits;
    std::vector<std::vector<uint8_t>> entries;

    // Ends the current entry. `filler` is a code the decoder may read past the last item (it
    // looks one symbol ahead for a table switch that belongs to the next entry): anything but
    // the switch itself.
    void cut(uint16_t fillerCode, uint8_t fillerLength)
    {
        bits.put(fillerCode, fillerLength);
        std::vector<uint8_t> bytes = bits.finish();
        bytes.insert(bytes.end(), kTailPadding, 0);
        entries.push_back(std::move(bytes));
        bits = BitWriter();
    }
};

// Writes the runs: each block is its tables, its items, and a switch code when another follows.
// An entry ends between two items. Readers differ in whether they look past an entry's last item
// for a table switch, so a block that starts at the end of an entry is announced (switch code
// in the old tables, then the new tables) at the start of the next entry's data.
std::vector<std::vector<uint8_t>> emit(const std::vector<Run>& runs)
{
    EntryWriter out;
    uint8_t previous[kMaxTableSize] = {};
    uint8_t lengths[kMaxTableSize] = {};
    uint16_t codes[kMaxTableSize] = {};
    TableLayout layout;
    int channel = 0;  // the decoder's current multimedia channel
    bool started = false;
    auto filler = [&]() {
        for (const TableRange& p : tableRanges(layout)) {
            if (layout.audio && p.offset != channel * kAudioCodes)
                continue;
            for (int s = p.offset; s < p.offset + p.size; ++s)
                if (lengths[s] != 0 && s != (layout.audio ? p.offset + kAudioSymTables : kSymTables)) {
                    out.cut(codes[s], lengths[s]);
                    return;
                }
            break;
        }
        out.cut(0, 0);
    };
    for (size_t r = 0; r < runs.size(); ++r) {
        const Segment& segment = runs[r].segment;
        const std::vector<size_t>& cuts = runs[r].cuts;
        size_t nextCut = 0;
        const std::vector<size_t> starts = splitBlocks(segment);
        for (size_t b = 0; b < starts.size(); ++b) {
            const size_t begin = starts[b];
            const size_t end = b + 1 < starts.size() ? starts[b + 1] : segment.items.size();
            const bool more = b + 1 < starts.size() || r + 1 < runs.size();
            for (; nextCut < cuts.size() && cuts[nextCut] == begin; ++nextCut)
                filler();
            if (started) {
                const uint16_t code = uint16_t(layout.audio ? channel * kAudioCodes + kAudioSymTables : kSymTables);
                out.bits.put(codes[code], lengths[code]);
            }
            Histogram counts(size_t(segment.layout.size()), 0);
            addItems(segment, begin, end, counts);
            if (more)
                ++counts[switchCode(segment, end)];
            layout = segment.layout;
            if (layout.audio && channel >= layout.channels)
                channel = 0;
            buildLengths(layout, counts, lengths);
            writeTables(out.bits, layout, lengths, previous);
            for (const TableRange& p : tableRanges(layout))
                canonicalCodes(lengths + p.offset, p.size, codes + p.offset);
            started = true;
            for (size_t i = begin; i < end; ++i) {
                if (i > begin)
                    for (; nextCut < cuts.size() && cuts[nextCut] == i; ++nextCut)
                        filler();
                const Item& item = segment.items[i];
                out.bits.put(codes[item.first], lengths[item.first]);
                if (item.firstExtraBits)
                    out.bits.put(item.firstExtra, item.firstExtraBits);
                if (item.second != kNoCode)
                    out.bits.put(codes[item.second], lengths[item.second]);
                if (item.secondExtraBits)
                    out.bits.put(item.secondExtra, item.secondExtraBits);
                if (layout.audio)
                    channel = (itemChannel(item) + 1) % layout.channels;
            }
        }
        for (; nextCut < cuts.size(); ++nextCut)
            filler();
    }
    return std::move(out.entries);
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

// What the decoder carries from one item to the next, mirrored while the runs are built.
struct StreamState {
    DistanceState distances;
    AudioPredictor predictors[kMaxChannels];
    int channelDelta = 0;
    int channel = 0;
};

// Builds the runs of a stream, entry by entry, with one pair of parsers over all the data so
// that matches reach back into earlier entries.
class StreamBuilder {
public:
    StreamBuilder(const uint8_t* data, size_t size, const PackOptions& options)
        : data_(data),
          size_(size),
          options_(options),
          quick_(data, size, quickOptions(options.parse)),
          optimal_(data, size, options.parse)
    {}

    void addEntry(size_t begin, size_t end)
    {
        // Sample-like data: the PCM samples of a WAV file, or any file taken as 1 to 4
        // interleaved byte channels (images, raw sounds).
        const PcmRange pcm = findPcmData(data_ + begin, end - begin);
        const bool wave = pcm.frameBytes > 0 && pcm.end > pcm.begin;
        const size_t from = wave ? begin + pcm.begin : begin;
        const size_t to = wave ? begin + pcm.end : end;
        append(normalSegment(quick_, optimal_, begin, from));
        samples(from, to, wave ? pcm.frameBytes : 0);
        append(normalSegment(quick_, optimal_, to, end));
        if (!runs_.empty())
            runs_.back().cuts.push_back(runs_.back().segment.items.size());
    }

    std::vector<Run>& runs() { return runs_; }

private:
    // [begin, end) with each stretch in whichever mode codes it smaller: normal, or multimedia
    // with `channels` channels (0: any of 1 to 4). Every chunk is priced in each mode with the
    // code lengths of the whole range; the cheapest sequence of modes, each change paying for its
    // tables, gives the stretches.
    void samples(size_t begin, size_t end, int channels)
    {
        const StreamState before = state_;
        std::vector<uint32_t> tokenBytes;
        Segment normal = normalSegment(quick_, optimal_, begin, end, &tokenBytes);
        if (!options_.tryAudio || end - begin < kMinSamples) {
            append(std::move(normal));
            return;
        }
        std::vector<Segment> modes;  // normal, then multimedia with each channel count tried
        std::vector<StreamState> after{state_};
        modes.push_back(std::move(normal));
        for (int c = channels ? channels : 1; c <= (channels ? channels : kMaxChannels); ++c) {
            state_ = before;
            modes.push_back(audioSegment(begin, end, c));
            after.push_back(state_);
        }
        const size_t chunks = (end - begin + kModeChunk - 1) / kModeChunk;
        std::vector<std::vector<uint64_t>> cost(modes.size());
        std::vector<uint64_t> tables(modes.size());
        for (size_t m = 0; m < modes.size(); ++m)
            tables[m] = chunkBits(modes[m], m == 0 ? &tokenBytes : nullptr, chunks, cost[m]);

        // Cheapest mode of each chunk, by dynamic programming over the chunks.
        std::vector<std::vector<uint64_t>> total(modes.size(), std::vector<uint64_t>(chunks));
        std::vector<std::vector<uint8_t>> from(modes.size(), std::vector<uint8_t>(chunks));
        for (size_t k = 0; k < chunks; ++k)
            for (size_t m = 0; m < modes.size(); ++m) {
                total[m][k] = cost[m][k] + (k == 0 ? tables[m] : total[m][k - 1]);
                from[m][k] = uint8_t(m);
                for (size_t o = 0; k > 0 && o < modes.size(); ++o)
                    if (total[o][k - 1] + tables[m] + cost[m][k] < total[m][k]) {
                        total[m][k] = total[o][k - 1] + tables[m] + cost[m][k];
                        from[m][k] = uint8_t(o);
                    }
            }
        std::vector<uint8_t> chosen(chunks);
        size_t m = 0;
        for (size_t o = 1; o < modes.size(); ++o)
            if (total[o][chunks - 1] < total[m][chunks - 1])
                m = o;
        for (size_t k = chunks; k-- > 0;) {
            chosen[k] = uint8_t(m);
            m = from[m][k];
        }
        if (std::all_of(chosen.begin(), chosen.end(), [&](uint8_t c) { return c == chosen[0]; })) {
            state_ = after[chosen[0]];
            append(std::move(modes[chosen[0]]));
            return;
        }

        // Stretches of mixed modes: the normal ones parsed again on their own.
        state_ = before;
        std::unique_ptr<LzParser> quick, optimal;
        for (size_t k = 0; k < chunks;) {
            size_t next = k + 1;
            while (next < chunks && chosen[next] == chosen[k])
                ++next;
            const size_t a = begin + k * kModeChunk, b = std::min(end, begin + next * kModeChunk);
            if (chosen[k] == 0) {
                if (!quick) {
                    const size_t history = a > kWindowSize ? a - kWindowSize : 0;
                    quick = std::make_unique<LzParser>(data_, size_, quickOptions(options_.parse), history);
                    optimal = std::make_unique<LzParser>(data_, size_, options_.parse, history);
                }
                append(normalSegment(*quick, *optimal, a, b));
            } else {
                append(audioSegment(a, b, modes[chosen[k]].layout.channels));
            }
            k = next;
        }
    }

    // Bits of each chunk of kModeChunk bytes of `segment` under the code lengths of all of it;
    // returns the bits of those tables. `itemBytes` gives the bytes each item covers (null: 1).
    static uint64_t chunkBits(const Segment& segment, const std::vector<uint32_t>* itemBytes, size_t chunks,
                              std::vector<uint64_t>& bits)
    {
        Histogram counts(size_t(segment.layout.size()), 0);
        addItems(segment, 0, segment.items.size(), counts);
        uint8_t lengths[kMaxTableSize];
        buildLengths(segment.layout, counts, lengths);
        bits.assign(chunks, 0);
        size_t position = 0;
        for (size_t i = 0; i < segment.items.size(); ++i) {
            const Item& item = segment.items[i];
            bits[std::min(chunks - 1, position / kModeChunk)] += lengths[item.first] + item.firstExtraBits +
                                                                 item.secondExtraBits +
                                                                 (item.second != kNoCode ? lengths[item.second] : 0);
            position += itemBytes ? (*itemBytes)[i] : 1;
        }
        static const uint8_t zeros[kMaxTableSize] = {};
        return tableBits(segment.layout, lengths, zeros) + kMaxCodeLength;
    }

    static constexpr size_t kMinSamples = 4096;  // below this, tables outweigh what a mode gains
    static constexpr size_t kModeChunk = 16380;  // the smallest stretch in one mode, whole frames of 1 to 4 bytes

    static ParseOptions quickOptions(ParseOptions options)
    {
        options.chainDepth = std::min(options.chainDepth, 16);  // the first parse only estimates prices
        return options;
    }

    void append(Segment segment)
    {
        if (segment.items.empty())
            return;
        const TableLayout& layout = segment.layout;
        if (runs_.empty() || runs_.back().segment.layout.audio != layout.audio ||
            runs_.back().segment.layout.channels != layout.channels) {
            runs_.push_back(Run{std::move(segment), {}});
            return;
        }
        std::vector<Item>& items = runs_.back().segment.items;
        items.insert(items.end(), segment.items.begin(), segment.items.end());
    }

    // [begin, end) in the normal mode, parsed twice: the second parse priced by the first.
    // `tokenBytes`, when given, receives the bytes each item covers.
    Segment normalSegment(LzParser& quick, LzParser& optimal, size_t begin, size_t end,
                          std::vector<uint32_t>* tokenBytes = nullptr)
    {
        Segment first, second;
        if (begin >= end)
            return second;
        std::vector<Token> tokens;
        DistanceState trial = state_.distances;
        quick.parse(begin, end, Prices::initial(), trial, tokens);
        appendTokens(data_, begin, tokens, first);
        tokens.clear();
        optimal.parseOptimal(begin, end, pricesFrom(first), state_.distances, tokens);
        appendTokens(data_, begin, tokens, second);
        if (tokenBytes)
            for (const Token& t : tokens)
                tokenBytes->push_back(t.length);
        return second;
    }

    Segment audioSegment(size_t begin, size_t end, int channels)
    {
        Segment segment;
        segment.layout = TableLayout{true, channels};
        int& channel = state_.channel;
        if (channel >= channels)
            channel = 0;
        for (size_t i = begin; i < end; ++i) {
            AudioPredictor& p = state_.predictors[channel];
            const uint8_t byte = data_[i];
            const uint8_t symbol = uint8_t(p.predict(state_.channelDelta) - byte);
            p.update(symbol, byte, state_.channelDelta);
            segment.items.push_back(Item{uint16_t(channel * kAudioCodes + symbol), kNoCode, 0, 0, 0, 0});
            channel = (channel + 1) % channels;
        }
        return segment;
    }

    const uint8_t* data_;
    size_t size_;
    PackOptions options_;
    LzParser quick_;
    LzParser optimal_;
    StreamState state_;
    std::vector<Run> runs_;
};

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

std::vector<std::vector<uint8_t>> packSolid(const uint8_t* data, const std::vector<size_t>& sizes,
                                            const PackOptions& options)
{
    size_t total = 0;
    for (size_t s : sizes)
        total += s;
    StreamBuilder builder(data, total, options);
    size_t begin = 0;
    for (size_t s : sizes) {
        builder.addEntry(begin, begin + s);
        begin += s;
        if (options.progress)
            options.progress(s);
    }
    return emit(builder.runs());
}

std::vector<uint8_t> packStream(const uint8_t* data, size_t size, const PackOptions& options)
{
    if (size == 0)
        return {};
    return std::move(packSolid(data, {size}, options).front());
}

}  // namespace velmora::pack
