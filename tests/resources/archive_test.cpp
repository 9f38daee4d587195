// The RAR 2.0 extractor: real archives made by the original archiver, the name rules, and
// malformed or damaged archives and streams, which must fail cleanly.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "resources/archive.h"
#include "resources/crc32.h"
#include "resources/rar_decoder.h"
#include "resources/rar_format.h"
#include "tools/pack/archive_writer.h"
#include "tools/pack/bit_writer.h"
#include "tools/pack/huffman_builder.h"
#include "tools/pack/table_encoder.h"

namespace velmora {
namespace {

using Bytes = std::vector<uint8_t>;

// Real archives made by the original archiver; tests/data/rar/README.md says where they come from.
Bytes testArchive(const char* name)
{
    std::ifstream in(std::filesystem::path(VELMORA_SOURCE_DIR) / "tests/data/rar" / name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Extracted {
    bool ok;
    std::string data;
    bool nullBuffer;
};

Extracted extract(const Bytes& archive, const char* name)
{
    uint8_t* out = reinterpret_cast<uint8_t*>(1);
    uint32_t size = 12345;
    const bool ok = extractArchiveEntry(archive.data(), uint32_t(archive.size()), name, &out, &size);
    Extracted result{ok, std::string(reinterpret_cast<const char*>(out), out ? size : 0), out == nullptr};
    std::free(out);
    EXPECT_TRUE(ok || (out == nullptr && size == 0)) << "a failure hands out a buffer";
    return result;
}

// A hand-made archive: each entry's header and packed bytes exactly as given.
struct RawEntry {
    std::string name;
    Bytes packed;
    uint32_t unpSize = 0;
    uint32_t crc = 0;
    uint8_t method = rar::kMethodStore;
    uint16_t flags = rar::kLongBlock;
    uint8_t unpVer = 20;
    uint8_t type = rar::kFileHead;
};

// Appends `v` as `bytes` little-endian bytes.
void put(Bytes& b, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}

Bytes rawArchive(const std::vector<RawEntry>& entries, uint16_t mainFlags = 0, const char* marker = nullptr)
{
    const uint8_t* m = marker ? reinterpret_cast<const uint8_t*>(marker) : rar::kMarker;
    Bytes b(m, m + 7);
    for (auto [v, bytes] : {std::pair{0u, 2}, {rar::kMainHead, 1}, {mainFlags, 2}, {13u, 2}, {0u, 2}, {0u, 4}})
        put(b, v, bytes);
    for (const RawEntry& e : entries) {
        const uint32_t fields[][2] = {{0, 2}, {e.type, 1}, {e.flags, 2}, {uint32_t(32 + e.name.size()), 2},
                                      {uint32_t(e.packed.size()), 4}, {e.unpSize, 4}, {0, 1}, {e.crc, 4}, {0, 4},
                                      {e.unpVer, 1}, {e.method, 1}, {uint32_t(e.name.size()), 2}, {0x20, 4}};
        for (const auto& [v, bytes] : fields)
            put(b, v, int(bytes));
        b.insert(b.end(), e.name.begin(), e.name.end());
        b.insert(b.end(), e.packed.begin(), e.packed.end());
    }
    return b;
}

RawEntry rawEntry(const std::string& name, const Bytes& packed, const std::string& expected,
                  uint8_t method = rar::kMethodStore, uint16_t flags = rar::kLongBlock)
{
    const uint32_t crc = crc32(reinterpret_cast<const uint8_t*>(expected.data()), expected.size());
    return {.name = name, .packed = packed, .unpSize = uint32_t(expected.size()), .crc = crc, .method = method,
            .flags = flags};
}

RawEntry stored(const std::string& name, const std::string& text)
{
    return rawEntry(name, Bytes(text.begin(), text.end()), text);
}

// Writes normal-mode tables giving each listed symbol (main 0..297, distances 298.., repeat
// lengths 346..) the given code length, and returns the canonical codes.
struct HandTables {
    uint8_t lengths[rar::kMaxTableSize] = {};
    uint16_t codes[rar::kMaxTableSize] = {};

    void write(pack::BitWriter& out)
    {
        uint8_t previous[rar::kMaxTableSize] = {};
        pack::writeTables(out, pack::TableLayout{}, lengths, previous);
        pack::canonicalCodes(lengths, rar::kLiteralCodes, codes);
        pack::canonicalCodes(lengths + rar::kLiteralCodes, rar::kDistanceCodes, codes + rar::kLiteralCodes);
    }
    void put(pack::BitWriter& out, int symbol) const { out.put(codes[symbol], lengths[symbol]); }
};

Bytes compressedArchive(const Bytes& packed, const std::string& expected)
{
    return rawArchive({rawEntry("x", packed, expected, rar::kMethodBest)});
}

TEST(Crc32, MatchesTheBitwiseDefinition)
{
    EXPECT_EQ(crc32(reinterpret_cast<const uint8_t*>("123456789"), 9), 0xCBF43926u);
    EXPECT_EQ(crc32(nullptr, 0), 0u);
    Bytes data(1000);  // lengths around the folded path's 16- and 64-byte lanes, and split in two
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i * 7919 >> 3);
    for (size_t size : {63, 64, 65, 80, 127, 128, 200, 1000}) {
        uint32_t bitwise = 0xFFFFFFFFu;
        for (size_t bit = 0; bit < size * 8; ++bit)
            bitwise = ((bitwise ^ (data[bit / 8] >> (bit % 8))) & 1) ? 0xEDB88320u ^ (bitwise >> 1) : bitwise >> 1;
        EXPECT_EQ(crc32(data.data(), size), ~bitwise) << size;
        EXPECT_EQ(crc32(data.data() + size / 3, size - size / 3, crc32(data.data(), size / 3)), ~bitwise);
    }
}

// What is found and what fails: archives of the original archiver (a compressed entry before a
// sub-block that ends the walk, comments behind names, encrypted entries, an older method), the
// name rules, directories and empty entries (no buffer), versions, CRCs, sizes, other block
// types, markers, broken headers, and hand-made compressed streams.
TEST(Extraction, WhatIsFoundAndWhatFails)
{
    const Bytes owner = testArchive("rar2-unix-owner.rar"), comment = testArchive("rar202-comment-nopsw.rar"),
                password = testArchive("rar202-comment-psw.rar"), older = testArchive("rar15-comment.rar");
    ASSERT_FALSE(owner.empty() || comment.empty() || password.empty() || older.empty()) << "missing test archive";

    const auto with = [](RawEntry e, auto change) {
        change(e);
        return e;
    };
    const RawEntry dir = with(rawEntry("data\\textures", {}, ""), [](RawEntry& e) {
        e.flags = 0x80E0;
        e.unpVer = 99;  // never looked at for a directory
    });
    const auto version = [&](int v) {
        return with(stored("v" + std::to_string(v), "x"), [v](RawEntry& e) { e.unpVer = uint8_t(v); });
    };
    const Bytes plain = rawArchive(
        {dir, stored("data\\empty.txt", ""), stored("data\\textures\\stars.bmp", "BM"), version(12), version(21),
         version(13), with(stored("crc", "payload"), [](RawEntry& e) { e.crc ^= 1; }),
         with(stored("short", "abc"), [](RawEntry& e) { e.unpSize = 10; }),  // more than is stored
         with(stored("other", ""), [](RawEntry& e) { e.type = 0x7A; }),  // other block types are skipped
         stored(std::string("name.txt\0n\0a\0m\0e", 17), "u"), stored("t\xE9x", "e"),
         stored("data\\script.txt", "<demo/>")});

    Bytes unknown = rawArchive({stored("a.txt", "uu")});  // an unknown marker: the walk starts behind it
    unknown.erase(unknown.begin() + 7, unknown.begin() + 20);
    std::copy_n("XXXXXXX", 7, unknown.begin());
    const Bytes two = rawArchive({stored("a.txt", "aaaa"), stored("b.txt", "bbbb")});
    const auto patched = [&](size_t at, std::initializer_list<uint8_t> bytes) {
        Bytes b = two;
        for (uint8_t v : bytes)
            b[20 + 32 + 5 + 4 + at++] = v;  // in the second header
        return b;
    };
    const Bytes tinyHead = patched(5, {6, 0}), longName = patched(26, {200}), longData = patched(7, {0xFF, 0xFF});
    const Bytes huge = rawArchive({{.name = "huge", .packed = Bytes(16, 0), .unpSize = ~0u, .method = rar::kMethodBest}});
    const Bytes zephyr = rawArchive({stored("a.txt", "zz")}, 0, "Zephyr!");
    const Bytes shortMain(rar::kMarker, rar::kMarker + 7), cutMarker{'R', 'a', 'r'}, empty;

    // 'a', then a match of length slot 0 (3 bytes) at distance 1, or at distance 5: before the data.
    const auto match = [](int distanceSymbol, const std::string& expected) {
        HandTables t;
        t.lengths['a'] = t.lengths[rar::kSymLength] = 1;
        t.lengths[rar::kLiteralCodes + 0] = t.lengths[rar::kLiteralCodes + 4] = 1;
        pack::BitWriter out;
        t.write(out);
        for (int symbol : {int('a'), rar::kSymLength, rar::kLiteralCodes + distanceSymbol})
            t.put(out, symbol);
        out.put(0, distanceSymbol == 4 ? 1 : 0);  // distance 4 + 1 + 0
        return compressedArchive(out.finish(), expected);
    };
    pack::BitWriter oversubscribed;  // nineteen one-bit codes for the bit lengths
    oversubscribed.put(0, 2);
    for (int i = 0; i < rar::kBitLengthCodes; ++i)
        oversubscribed.put(1, 4);
    HandTables ab;
    ab.lengths['a'] = ab.lengths['b'] = 1;
    pack::BitWriter abTables;
    ab.write(abTables);
    Bytes cutTables = abTables.finish();
    cutTables.resize(4);
    // Bit-length code: symbol 1 -> "0", 16 -> "10", 18 -> "11". The table opens with 16 (three
    // copies of the length before the first, taken as 0), zeros up to 'a', lengths of one for
    // 'a' and 'b', zeros to the end. Any non-zero length among the first three would make the
    // literal code oversubscribed.
    pack::BitWriter firstRepeat;
    firstRepeat.put(0, 2);
    for (int i = 0; i < rar::kBitLengthCodes; ++i)
        firstRepeat.put(i == 1 ? 1 : (i == 16 || i == 18) ? 2 : 0, 4);
    firstRepeat.put(0b10'00'11, 6);    // 16, repeated 3 + 0 times; then 18:
    firstRepeat.put('a' - 3 - 11, 7);  // zeros up to 'a'
    firstRepeat.put(0, 2);             // 'a' and 'b': length 0 + 1
    for (int left = rar::kNormalTableSize - ('b' + 1); left > 0; left -= 138)
        firstRepeat.put(0b11 << 7 | uint32_t(std::min(left, 138) - 11), 9);
    firstRepeat.put(0b10, 2);  // 'b', 'a'

    const struct {
        const Bytes archive;
        const char* name;
        bool ok;
        const char* data;  // null: success without a buffer
    } cases[] = {
        {owner, "file.txt", true, "foo\n"},
        {owner, "FILE.TXT", true, "foo\n"},
        {owner, "other.txt", false, ""},  // behind the sub-block
        {comment, "FILE1.TXT", true, "file1\r\n"},
        {comment, "file2.txt", true, "file2\r\n"},
        {password, "FILE1.TXT", false, ""},
        {password, "FILE2.TXT", false, ""},
        {older, "FILE1.TXT", false, ""},
        {older, "FILE2.TXT", true, "baaaar\r\n"},
        {plain, "data/textures", true, nullptr},
        {plain, "data/empty.txt", true, nullptr},
        {plain, "data/TEXTURES/Stars.BMP", true, "BM"},
        {plain, "data_textures_stars.bmp", true, "BM"},
        {plain, "data/textures/stars.bm", false, ""},
        {plain, "data/textures/stars.bmp ", false, ""},
        {plain, "T\xC9X", false, ""},  // ASCII letters only
        {plain, "data/script.txt", true, "<demo/>"},
        {plain, "v12", false, ""},
        {plain, "v21", false, ""},
        {plain, "v13", true, "x"},
        {plain, "crc", false, ""},
        {plain, "short", false, ""},
        {plain, "name.txt", true, "u"},  // a Unicode name matches its ASCII part
        {unknown, "a.txt", true, "uu"},
        {zephyr, "a.txt", true, "zz"},
        {tinyHead, "a.txt", true, "aaaa"},
        {tinyHead, "b.txt", false, ""},
        {longName, "b.txt", false, ""},
        {longData, "b.txt", false, ""},
        {huge, "huge", false, ""},  // a size that cannot come from so few packed bytes
        {shortMain, "a.txt", false, ""},
        {cutMarker, "a.txt", false, ""},
        {empty, "a.txt", false, ""},
        {match(0, "aaaa"), "x", true, "aaaa"},
        {match(0, "aaa"), "x", true, "aaa"},  // a match past the entry's size is cut there
        {match(4, "aaaa"), "x", false, ""},
        {compressedArchive(oversubscribed.finish(), "a"), "x", false, ""},
        {compressedArchive(cutTables, "ab"), "x", false, ""},
        {compressedArchive({}, "ab"), "x", false, ""},
        {compressedArchive(firstRepeat.finish(), "ba"), "x", true, "ba"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases << " " << c.name);
        const Extracted e = extract(c.archive, c.name);
        EXPECT_EQ(e.ok, c.ok);
        EXPECT_EQ(e.nullBuffer, c.data == nullptr || !c.ok);
        if (c.ok && c.data) {
            EXPECT_EQ(e.data, c.data);
        }
    }
}

TEST(Extraction, TruncationAndBitFlipsFailCleanly)
{
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "line " + std::to_string(i * 7919 % 1000) + " of the test text\n";
    const std::vector<pack::SourceEntry> entries = {{"data", true, {}, 0},
                                                    {"data\\a.txt", false, Bytes(text.begin(), text.end()), 0},
                                                    {"data\\b.bin", false, Bytes(3000, 'Z'), 0}};
    const Bytes archive = pack::buildArchive(entries, false);
    ASSERT_EQ(extract(archive, "data/a.txt").data, text);
    // A success may only give the right data.
    const auto check = [&](const Bytes& damaged, const std::string& where) {
        for (const auto& [name, data] : {std::pair{"data/a.txt", text}, {"data/b.bin", std::string(3000, 'Z')}}) {
            const Extracted e = extract(damaged, name);
            EXPECT_TRUE(!e.ok || e.data == data) << name << " " << where;
        }
        extract(damaged, "data");
    };
    // Cut at every header boundary and inside every header and data block.
    for (size_t cut = 0; cut < archive.size(); cut += (cut < 120 ? 1 : 97))
        check(Bytes(archive.begin(), archive.begin() + long(cut)), "cut at " + std::to_string(cut));
    // Flip each bit of the headers and a spread of bits of the packed data.
    for (size_t bit = 0; bit < archive.size() * 8; bit += (bit < 800 ? 1 : 13)) {
        Bytes damaged = archive;
        damaged[bit / 8] ^= uint8_t(1u << (bit % 8));
        check(damaged, "bit " + std::to_string(bit));
    }
}

TEST(Decoder, HuffmanDecoderFollowsCanonicalCodes)
{
    uint8_t lengths[rar::kLiteralCodes] = {};
    uint32_t counts[rar::kLiteralCodes];
    for (int i = 0; i < rar::kLiteralCodes; ++i)
        counts[i] = uint32_t(1 + (i * 37) % 101) * uint32_t(1 + (i % 7 == 0) * 1000);
    pack::buildCodeLengths(counts, rar::kLiteralCodes, rar::kMaxCodeLength, lengths);
    uint16_t codes[rar::kLiteralCodes];
    pack::canonicalCodes(lengths, rar::kLiteralCodes, codes);
    HuffmanDecoder decoder;
    ASSERT_TRUE(decoder.build(lengths, rar::kLiteralCodes));
    pack::BitWriter out;
    for (int round = 0; round < 2; ++round)
        for (int s = rar::kLiteralCodes - 1; s >= 0; --s)
            out.put(codes[s], lengths[s]);
    const Bytes bits = out.finish();
    BitInput in;
    in.reset(bits.data(), uint32_t(bits.size()));
    for (int round = 0; round < 2; ++round)
        for (int s = rar::kLiteralCodes - 1; s >= 0; --s)
            ASSERT_EQ(decoder.decode(in), s);

    // A lone code of one bit decodes; codes beyond the table give symbol 0.
    uint8_t single[4] = {0, 0, 1, 0};
    ASSERT_TRUE(decoder.build(single, 4));
    const uint8_t ones[4] = {0x7F, 0xFF, 0xFF, 0xFF};
    in.reset(ones, 4);
    EXPECT_EQ(decoder.decode(in), 2);
    EXPECT_EQ(decoder.decode(in), 0);
    uint8_t tooMany[3] = {1, 1, 1};
    EXPECT_FALSE(decoder.build(tooMany, 3));
}

// The second entry continues with the first one's tables and window: a match reaches back into it.
TEST(Decoder, SolidContinuationNeedsEarlierTables)
{
    HandTables t;
    t.lengths['a'] = t.lengths['b'] = 2;
    t.lengths[rar::kSymLength] = t.lengths[rar::kLiteralCodes + 1] = 1;  // length slot 0, distance 2
    pack::BitWriter first, second;
    t.write(first);
    for (int symbol : {'a', 'b'})
        t.put(first, symbol);
    for (int symbol : {rar::kSymLength, rar::kLiteralCodes + 1, int('b')})
        t.put(second, symbol);
    const RawEntry one = rawEntry("one", first.finish(), "ab", rar::kMethodBest);
    const RawEntry two =
        rawEntry("two", second.finish(), "abab", rar::kMethodBest, uint16_t(rar::kLongBlock | rar::kSolidContinue));
    const Bytes solid = rawArchive({one, two}, rar::kMainSolid);
    EXPECT_EQ(extract(solid, "two").data, "abab");
    EXPECT_EQ(extract(solid, "one").data, "ab");
    // Without the solid flag the second entry has no tables to continue with.
    const Bytes plain = rawArchive({one, two});
    EXPECT_FALSE(extract(plain, "two").ok);
    EXPECT_EQ(extract(plain, "one").data, "ab");
}

}  // namespace
}  // namespace velmora
