// The RAR 2.0 extractor: real archives made by the original archiver, the name rules, and
// malformed or damaged archives, which must fail cleanly.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
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
std::filesystem::path testData()
{
    return std::filesystem::path(VELMORA_SOURCE_DIR) / "tests/data";
}

Bytes readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
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
    if (!ok) {
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(size, 0u);
    }
    return result;
}

// A hand-made archive: each entry's header and packed bytes exactly as given.
struct RawEntry {
    std::string name;
    Bytes packed;
    uint32_t unpSize;
    uint32_t crc;
    uint8_t method = rar::kMethodStore;
    uint16_t flags = rar::kLongBlock;
    uint8_t unpVer = 20;
    std::string comment;  // header bytes behind the name
    uint8_t type = rar::kFileHead;
};

void put16(Bytes& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void put32(Bytes& b, uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

Bytes rawArchive(const std::vector<RawEntry>& entries, uint16_t mainFlags = 0, const char* marker = nullptr)
{
    Bytes b;
    if (marker)
        b.assign(marker, marker + 7);
    else
        b.assign(rar::kMarker, rar::kMarker + 7);
    put16(b, 0);
    b.push_back(rar::kMainHead);
    put16(b, mainFlags);
    put16(b, 13);
    put16(b, 0);
    put32(b, 0);
    for (const RawEntry& e : entries) {
        put16(b, 0);
        b.push_back(e.type);
        put16(b, e.flags);
        put16(b, uint32_t(32 + e.name.size() + e.comment.size()));
        put32(b, uint32_t(e.packed.size()));
        put32(b, e.unpSize);
        b.push_back(0);
        put32(b, e.crc);
        put32(b, 0);
        b.push_back(e.unpVer);
        b.push_back(e.method);
        put16(b, uint32_t(e.name.size()));
        put32(b, 0x20);
        b.insert(b.end(), e.name.begin(), e.name.end());
        b.insert(b.end(), e.comment.begin(), e.comment.end());
        b.insert(b.end(), e.packed.begin(), e.packed.end());
    }
    return b;
}

RawEntry rawEntry(const std::string& name, const Bytes& packed, uint32_t unpSize, uint32_t crc,
                  uint8_t method = rar::kMethodStore, uint16_t flags = rar::kLongBlock)
{
    RawEntry e;
    e.name = name;
    e.packed = packed;
    e.unpSize = unpSize;
    e.crc = crc;
    e.method = method;
    e.flags = flags;
    return e;
}

RawEntry stored(const std::string& name, const std::string& text)
{
    const Bytes data(text.begin(), text.end());
    return rawEntry(name, data, uint32_t(data.size()), crc32(data.data(), data.size()));
}

TEST(Crc32, KnownValues)
{
    const std::string check = "123456789";
    EXPECT_EQ(crc32(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0xCBF43926u);
    EXPECT_EQ(crc32(nullptr, 0), 0u);
    // Continuing over a split gives the CRC of the whole.
    const uint32_t first = crc32(reinterpret_cast<const uint8_t*>(check.data()), 4);
    EXPECT_EQ(crc32(reinterpret_cast<const uint8_t*>(check.data()) + 4, 5, first), 0xCBF43926u);
}

TEST(ArchiveNames, CaseSlashesAndUnderscoresMatch)
{
    EXPECT_TRUE(archiveNamesMatch("data/TEXTURES/Stars.BMP", "data\\textures\\stars.bmp"));
    EXPECT_TRUE(archiveNamesMatch("data_textures_stars.bmp", "data\\textures\\stars.bmp"));
    EXPECT_FALSE(archiveNamesMatch("data/textures/stars.bm", "data\\textures\\stars.bmp"));
    EXPECT_FALSE(archiveNamesMatch("data/textures/stars.bmp ", "data\\textures\\stars.bmp"));
    EXPECT_FALSE(archiveNamesMatch("data/t\xC9xtures", "data/t\xE9xtures"));  // ASCII letters only
}

// Archives made by the original archiver: a compressed entry before a sub-block that ends the
// walk, headers with comments behind the name, encrypted entries, an older method.
TEST(RealArchives, ExtractWhatTheFormatAllows)
{
    const struct {
        const char* file;
        const char* name;
        bool ok;
        const char* data;
    } cases[] = {
        {"rar2-unix-owner.rar", "file.txt", true, "foo\n"},
        {"rar2-unix-owner.rar", "FILE.TXT", true, "foo\n"},
        {"rar2-unix-owner.rar", "other.txt", false, ""},  // behind the sub-block
        {"rar202-comment-nopsw.rar", "FILE1.TXT", true, "file1\r\n"},
        {"rar202-comment-nopsw.rar", "file2.txt", true, "file2\r\n"},
        {"rar202-comment-psw.rar", "FILE1.TXT", false, ""},
        {"rar202-comment-psw.rar", "FILE2.TXT", false, ""},
        {"rar15-comment.rar", "FILE1.TXT", false, ""},
        {"rar15-comment.rar", "FILE2.TXT", true, "baaaar\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.name);
        const Bytes archive = readFile(testData() / "rar" / c.file);
        ASSERT_FALSE(archive.empty()) << "missing test archive";
        const Extracted e = extract(archive, c.name);
        EXPECT_EQ(e.ok, c.ok);
        EXPECT_EQ(e.data, c.data);
    }
}

TEST(ArchiveWalk, DirectoriesEmptyEntriesAndTheLastEntry)
{
    RawEntry dir = rawEntry("data\\textures", {}, 0, 0);
    dir.flags = 0x80E0;
    dir.unpVer = 99;  // never looked at for a directory
    const Bytes archive = rawArchive({dir, stored("data\\empty.txt", ""), stored("data\\textures\\stars.bmp", "BM"),
                                      stored("data\\script.txt", "<demo/>")});
    const Extracted d = extract(archive, "data/textures");
    EXPECT_TRUE(d.ok);
    EXPECT_TRUE(d.nullBuffer);
    const Extracted e = extract(archive, "data/empty.txt");
    EXPECT_TRUE(e.ok);
    EXPECT_TRUE(e.nullBuffer);
    EXPECT_EQ(extract(archive, "data/TEXTURES/Stars.BMP").data, "BM");
    EXPECT_EQ(extract(archive, "data_textures_stars.bmp").data, "BM");
    EXPECT_EQ(extract(archive, "data/script.txt").data, "<demo/>");
    EXPECT_FALSE(extract(archive, "data/missing.txt").ok);
}

TEST(ArchiveWalk, MarkersAndMainHeader)
{
    const Bytes zephyr = rawArchive({stored("a.txt", "zz")}, 0, "Zephyr!");
    EXPECT_EQ(extract(zephyr, "a.txt").data, "zz");

    // An unknown marker is not rejected: the walk starts right behind it.
    Bytes unknown = rawArchive({stored("a.txt", "uu")});
    unknown.erase(unknown.begin() + 7, unknown.begin() + 20);
    std::copy_n("XXXXXXX", 7, unknown.begin());
    EXPECT_EQ(extract(unknown, "a.txt").data, "uu");

    const Bytes shortMain(rar::kMarker, rar::kMarker + 7);
    EXPECT_FALSE(extract(shortMain, "a.txt").ok);
    EXPECT_FALSE(extract(Bytes{'R', 'a', 'r'}, "a.txt").ok);
    EXPECT_FALSE(extract(Bytes{}, "a.txt").ok);
}

TEST(ArchiveWalk, VersionsAndChecksums)
{
    RawEntry old = stored("v12.txt", "x");
    old.unpVer = 12;
    RawEntry newer = stored("v21.txt", "x");
    newer.unpVer = 21;
    RawEntry oldest = stored("v13.txt", "x");
    oldest.unpVer = 13;
    RawEntry badCrc = stored("crc.txt", "payload");
    badCrc.crc ^= 1;
    RawEntry shortData = stored("short.txt", "abc");
    shortData.unpSize = 10;  // more than is stored
    RawEntry otherBlock = stored("ignored", "");
    otherBlock.type = 0x7A;
    const Bytes archive = rawArchive({old, newer, oldest, badCrc, shortData, otherBlock, stored("last.txt", "end")});
    EXPECT_FALSE(extract(archive, "v12.txt").ok);
    EXPECT_FALSE(extract(archive, "v21.txt").ok);
    EXPECT_TRUE(extract(archive, "v13.txt").ok);
    EXPECT_FALSE(extract(archive, "crc.txt").ok);
    EXPECT_FALSE(extract(archive, "short.txt").ok);
    EXPECT_EQ(extract(archive, "last.txt").data, "end");  // other block types are skipped
}

TEST(ArchiveWalk, BrokenHeadersFail)
{
    Bytes archive = rawArchive({stored("a.txt", "aaaa"), stored("b.txt", "bbbb")});
    const size_t second = 20 + 32 + 5 + 4;
    // HeadSize below 7.
    Bytes tiny = archive;
    tiny[second + 5] = 6;
    tiny[second + 6] = 0;
    EXPECT_FALSE(extract(tiny, "b.txt").ok);
    EXPECT_EQ(extract(tiny, "a.txt").data, "aaaa");
    // A name longer than its header.
    Bytes longName = archive;
    longName[second + 26] = 200;
    EXPECT_FALSE(extract(longName, "b.txt").ok);
    // Packed data running past the end of the image.
    Bytes longData = archive;
    longData[second + 7] = 0xFF;
    longData[second + 8] = 0xFF;
    EXPECT_FALSE(extract(longData, "b.txt").ok);
    // A size that cannot come from so few packed bytes.
    RawEntry huge = rawEntry("huge.bin", Bytes(16, 0), 0xFFFFFFFFu, 0, rar::kMethodBest);
    EXPECT_FALSE(extract(rawArchive({huge}), "huge.bin").ok);
}

TEST(ArchiveWalk, UnicodeNamesMatchTheirAsciiPart)
{
    RawEntry e = stored(std::string("name.txt\0n\0a\0m\0e", 17), "u");
    EXPECT_EQ(extract(rawArchive({e}), "name.txt").data, "u");
}

TEST(ArchiveWalk, TruncationAndBitFlipsFailCleanly)
{
    std::vector<pack::SourceEntry> entries = {{"data", true, {}, 0}, {"data\\a.txt", false, {}, 0}};
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "line " + std::to_string(i * 7919 % 1000) + " of the test text\n";
    entries[1].data.assign(text.begin(), text.end());
    entries.push_back({"data\\b.bin", false, Bytes(3000, 0x5A), 0});
    const Bytes archive = pack::buildArchive(entries, false);
    ASSERT_EQ(extract(archive, "data/a.txt").data, text);

    // Cut at every header boundary and inside every header and data block.
    for (size_t cut = 0; cut < archive.size(); cut += (cut < 120 ? 1 : 97)) {
        const Bytes shortened(archive.begin(), archive.begin() + long(cut));
        for (const char* name : {"data/a.txt", "data/b.bin", "data"}) {
            const Extracted e = extract(shortened, name);
            if (e.ok && std::string(name) == "data/a.txt") {
                EXPECT_EQ(e.data, text) << "cut at " << cut;
            }
        }
    }
    // Flip each bit of the headers and a spread of bits of the packed data.
    for (size_t bit = 0; bit < archive.size() * 8; bit += (bit < 800 ? 1 : 13)) {
        Bytes damaged = archive;
        damaged[bit / 8] ^= uint8_t(1u << (bit % 8));
        const Extracted a = extract(damaged, "data/a.txt");
        if (a.ok) {
            EXPECT_EQ(a.data, text) << "bit " << bit;
        }
        const Extracted b = extract(damaged, "data/b.bin");
        if (b.ok) {
            EXPECT_EQ(b.data, std::string(3000, 'Z')) << "bit " << bit;
        }
    }
}

// ---- Hand-made compressed streams ----------------------------------------------------------

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
    const RawEntry e = rawEntry("x", packed, uint32_t(expected.size()),
                                crc32(reinterpret_cast<const uint8_t*>(expected.data()), expected.size()),
                                rar::kMethodBest);
    return rawArchive({e});
}

TEST(Decoder, MatchesAndTheirLimits)
{
    // 'a', then a match of 3 at distance 1 (or at distance 5, before the start of the data).
    for (int distanceSymbol : {0, 4}) {
        HandTables t;
        t.lengths['a'] = 1;
        t.lengths[rar::kSymLength] = 1;
        t.lengths[rar::kLiteralCodes + 0] = 1;
        t.lengths[rar::kLiteralCodes + 4] = 1;
        pack::BitWriter out;
        t.write(out);
        t.put(out, 'a');
        t.put(out, rar::kSymLength);  // length slot 0: 3 bytes, no extra bits
        out.put(distanceSymbol == 0 ? t.codes[rar::kLiteralCodes] : t.codes[rar::kLiteralCodes + 4], 1);
        if (distanceSymbol == 4)
            out.put(0, 1);  // distance 4 + 1 + 0
        const Extracted e = extract(compressedArchive(out.finish(), "aaaa"), "x");
        EXPECT_EQ(e.ok, distanceSymbol == 0);
        if (e.ok) {
            EXPECT_EQ(e.data, "aaaa");
        }
    }
}

TEST(Decoder, OversubscribedAndTruncatedTablesFail)
{
    pack::BitWriter out;
    out.put(0, 2);
    for (int i = 0; i < rar::kBitLengthCodes; ++i)
        out.put(1, 4);  // nineteen one-bit codes
    EXPECT_FALSE(extract(compressedArchive(out.finish(), "a"), "x").ok);

    HandTables t;
    t.lengths['a'] = 1;
    t.lengths['b'] = 1;
    pack::BitWriter full;
    t.write(full);
    Bytes cut = full.finish();
    cut.resize(4);
    EXPECT_FALSE(extract(compressedArchive(cut, "ab"), "x").ok);
    EXPECT_FALSE(extract(compressedArchive({}, "ab"), "x").ok);
}

TEST(Decoder, RepeatSymbolAsFirstLengthRepeatsZero)
{
    // Bit-length code: symbol 1 -> "0", 16 -> "10", 18 -> "11". The table opens with 16 (three
    // copies of the length before the first, taken as 0), zeros up to 'a', lengths of one for
    // 'a' and 'b', zeros to the end. Any non-zero length among the first three would make the
    // literal code oversubscribed.
    pack::BitWriter out;
    out.put(0, 2);
    for (int i = 0; i < rar::kBitLengthCodes; ++i)
        out.put(i == 1 ? 1 : (i == 16 || i == 18) ? 2 : 0, 4);
    out.put(0b10, 2);
    out.put(0, 2);  // 16: three lengths
    out.put(0b11, 2);
    out.put('a' - 3 - 11, 7);  // 18: zeros up to 'a'
    out.put(0, 1);
    out.put(0, 1);  // 'a' and 'b': length 0 + 1
    for (int left = rar::kNormalTableSize - ('b' + 1); left > 0;) {
        const int run = std::min(left, 138);
        out.put(0b11, 2);
        out.put(uint32_t(run - 11), 7);
        left -= run;
    }
    out.put(1, 1);  // 'b'
    out.put(0, 1);  // 'a'
    EXPECT_EQ(extract(compressedArchive(out.finish(), "ba"), "x").data, "ba");
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

TEST(Decoder, SolidContinuationNeedsEarlierTables)
{
    HandTables t;
    t.lengths['a'] = 1;
    t.lengths['b'] = 1;
    pack::BitWriter first;
    t.write(first);
    t.put(first, 'a');
    t.put(first, 'b');
    pack::BitWriter second;  // continues with the first entry's tables
    t.put(second, 'b');
    t.put(second, 'a');
    t.put(second, 'a');
    const RawEntry one =
        rawEntry("one", first.finish(), 2, crc32(reinterpret_cast<const uint8_t*>("ab"), 2), rar::kMethodBest);
    const RawEntry two = rawEntry("two", second.finish(), 3, crc32(reinterpret_cast<const uint8_t*>("baa"), 3),
                                  rar::kMethodBest, uint16_t(rar::kLongBlock | rar::kSolidContinue));
    const Bytes solid = rawArchive({one, two}, rar::kMainSolid);
    EXPECT_EQ(extract(solid, "two").data, "baa");
    EXPECT_EQ(extract(solid, "one").data, "ab");
    // Without the solid flag the second entry has no tables to continue with.
    const Bytes plain = rawArchive({one, two});
    EXPECT_FALSE(extract(plain, "two").ok);
    EXPECT_EQ(extract(plain, "one").data, "ab");
}

}  // namespace
}  // namespace velmora
