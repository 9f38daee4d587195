// velmora-pack: code lengths, and round trips of packed, stored and solid archives through our
// extractor and through unar, an independent implementation of the format, where it is installed;
// the tool itself on damage, special files, links and an output that is its own archive.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "resources/archive.h"
#include "resources/crc32.h"
#include "resources/rar_decoder.h"
#include "tools/pack/archive_writer.h"
#include "tools/pack/huffman_builder.h"
#include "tools/pack/rar_encoder.h"
#include "tools/pack/table_encoder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

TEST(CodeLengths, LimitedCompleteAndOptimal)
{
    auto lengthsOf = [](const std::vector<uint32_t>& counts) {
        std::vector<uint8_t> lengths(counts.size());
        pack::buildCodeLengths(counts.data(), int(counts.size()), 15, lengths.data());
        return std::vector<int>(lengths.begin(), lengths.end());
    };
    // Fibonacci weights would want codes of 30 bits; the limit holds and the code stays complete.
    std::vector<uint32_t> fibonacci{1, 1};
    while (fibonacci.size() < 32)
        fibonacci.push_back(fibonacci.end()[-1] + fibonacci.end()[-2]);
    double kraft = 0;
    for (int l : lengthsOf(fibonacci)) {
        ASSERT_TRUE(l >= 1 && l <= 15);
        kraft += std::ldexp(1.0, -l);
    }
    EXPECT_DOUBLE_EQ(kraft, 1.0);
    EXPECT_EQ(lengthsOf({1, 1, 2, 4, 0}), (std::vector<int>{3, 3, 2, 1, 0}));
    const std::vector<int> lone = lengthsOf({0, 7, 0});
    EXPECT_TRUE(lone[1] == 1 && lone[0] + lone[2] == 1);  // a partner completes the code
}

// A RIFF WAVE file of `frames` frames of a chord with a little noise.
Bytes makeWav(int channels, int bits, int frames)
{
    const int frameBytes = channels * bits / 8;
    Bytes w{'R', 'I', 'F', 'F'};
    auto put = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            w.push_back(uint8_t(v >> (8 * i)));
    };
    put(36 + uint32_t(frames * frameBytes), 4);
    w.insert(w.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    for (const auto& [value, width] :
         {std::pair{16, 4}, {1, 2}, {channels, 2}, {22050, 4}, {22050 * frameBytes, 4}, {frameBytes, 2}, {bits, 2}})
        put(uint32_t(value), width);
    w.insert(w.end(), {'d', 'a', 't', 'a'});
    put(uint32_t(frames * frameBytes), 4);
    std::mt19937 noise(7);
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c) {
            const double t = f / 22050.0;
            const double v = 0.4 * std::sin(2 * M_PI * 220 * t + c) + 0.2 * std::sin(2 * M_PI * 331 * t) +
                             0.0001 * (int(noise() % 200) - 100);
            put(bits == 16 ? uint32_t(int16_t(v * 32767)) : uint32_t(128 + int(v * 127)), bits / 8);
        }
    return w;
}

const fs::path kSourceText = fs::path(VELMORA_SOURCE_DIR) / "tools/pack/lz_parser.cpp";

Bytes readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// New tables may come in the middle of a multimedia frame (our packer switches at frame
// boundaries, other packers need not): decoding straight into the output, which runs whole
// frames, and decoding through the window, byte by byte, must go on with the same channel.
TEST(PackStream, MultimediaTablesSwitchInTheMiddleOfAFrame)
{
    // Per channel: the switch symbol 256 has the 1-bit code "0", byte b the 9-bit code "1b".
    uint8_t lengths[rar::kMaxTableSize] = {}, previous[rar::kMaxTableSize] = {};
    for (int c = 0; c < 3; ++c) {
        std::fill_n(lengths + c * rar::kAudioCodes, 256, uint8_t(9));
        lengths[c * rar::kAudioCodes + 256] = 1;
    }
    const pack::TableLayout layout{true, 3};
    pack::BitWriter bits;
    pack::writeTables(bits, layout, lengths, previous);
    const uint8_t residuals[] = {5, 250, 17, 3, 99, 140, 1, 77, 200, 64, 31};
    for (size_t i = 0; i < std::size(residuals); ++i) {
        if (i == 4 || i == 8)  // the second channel of the second and third frames
            bits.put(0, 1), pack::writeTables(bits, layout, lengths, previous);
        bits.put(0x100 | residuals[i], 9);
    }
    const Bytes packed = bits.finish();
    Bytes direct(std::size(residuals)), windowed(direct.size());
    uint32_t directSize = 0, windowedSize = 0;
    RarDecoder a, b;
    ASSERT_TRUE(a.unpack(
        packed.data(), uint32_t(packed.size()), uint32_t(direct.size()), false, false, direct.data(), directSize));
    ASSERT_TRUE(b.unpack(
        packed.data(), uint32_t(packed.size()), uint32_t(windowed.size()), false, true, windowed.data(), windowedSize));
    EXPECT_EQ(directSize, direct.size());
    EXPECT_EQ(direct, windowed);
}

TEST(PackStream, MultimediaModeWinsOnPcmAndTextAndRunsShrink)
{
    pack::PackOptions plain;
    plain.tryAudio = false;
    for (const auto& [channels, bits] : {std::pair{2, 16}, std::pair{1, 8}}) {
        const Bytes wav = makeWav(channels, bits, 20000);
        EXPECT_LT(pack::packStream(wav.data(), wav.size()).size(),
                  pack::packStream(wav.data(), wav.size(), plain).size())
            << channels << " channels, " << bits << " bits";
    }
    const Bytes text = readFile(kSourceText);
    EXPECT_LT(pack::packStream(text.data(), text.size()).size(), text.size() * 35 / 100);
    const Bytes run(1 << 20, 'r');
    EXPECT_LT(pack::packStream(run.data(), run.size()).size(), 2000u);
}

// HeadCRC is the low half of the CRC-32 of the header behind the field, as in the real archive
// rar2-unix-owner.rar (plain main and file headers), and so in ours.
uint32_t headerChecksumFailures(const Bytes& archive, int& headers)
{
    auto get = [&](size_t at, int bytes) {
        const uint32_t low = uint32_t(archive[at] | archive[at + 1] << 8);
        return bytes == 2 ? low : low | uint32_t(archive[at + 2] | archive[at + 3] << 8) << 16;
    };
    uint32_t failures = 0;
    headers = 0;
    for (size_t at = 7, size; at + 11 <= archive.size() && (size = get(at + 5, 2)) >= 7 && at + size <= archive.size();
         at += size + ((get(at + 3, 2) & 0x8000) ? get(at + 7, 4) : 0)) {
        if (archive[at + 2] == 0x73 || archive[at + 2] == 0x74) {
            ++headers;
            failures += (crc32(archive.data() + at + 2, size - 2) & 0xFFFF) != get(at, 2);
        }
    }
    return failures;
}

// Round trips of one set of files, packed from a folder in each archive mode: degenerate sizes,
// random bytes, text, WAV audio, files larger than the window, many small files in folders.
class RoundTrip : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        root = fs::temp_directory_path() / ("velmora-pack-" + std::to_string(std::random_device{}()));
        std::mt19937 random(1234);
        Bytes noise(150000);
        for (uint8_t& b : noise)
            b = uint8_t(random());
        const Bytes text = readFile(kSourceText);
        Bytes mixed = makeWav(2, 16, 40000);  // text, then samples: modes change within the file
        mixed.insert(mixed.begin(), text.begin(), text.end());
        for (const auto& [name, bytes] :
             std::vector<std::pair<std::string, Bytes>>{{"empty.txt", {}},
                                                        {"one.bin", {0x42}},
                                                        {"two.bin", {0, 0}},
                                                        {"run.bin", Bytes(300000, 0xAA)},
                                                        {"random.bin", noise},
                                                        {"text/source.txt", text},
                                                        {"music/stereo16.wav", makeWav(2, 16, 30000)},
                                                        {"music/mono8.wav", makeWav(1, 8, 30000)},
                                                        {"mixed.bin", mixed}})
            add(name, bytes);
        // 1.6 MB: pieces of text repeated at distances near and beyond the window size.
        Bytes big;
        while (big.size() < 1600000) {
            const size_t from = random() % text.size();
            const size_t length = std::min<size_t>(text.size() - from, 1 + random() % 4000);
            big.insert(big.end(), text.begin() + long(from), text.begin() + long(from + length));
            big.insert(big.end(), noise.begin() + long(from % 1000), noise.begin() + long(from % 1000 + 50));
        }
        add("big.bin", big);
        // Just over the window of text, so that a solid stream has wrapped its window before big.bin.
        Bytes repeated;
        while (repeated.size() < 1050000)
            repeated.insert(repeated.end(), text.begin(), text.end());
        add("repeated.txt", repeated);
        for (int i = 0; i < 40; ++i)
            add("d" + std::to_string(i % 3) + "/sub" + std::to_string(i % 5) + "/f" + std::to_string(i) + ".txt",
                Bytes(size_t(i + 1), uint8_t('a' + i % 26)));
        std::vector<std::string> skipped;
        std::string error;
        EXPECT_TRUE(pack::collectEntries((root / "in").string(), entries, skipped, error)) << error;
        EXPECT_TRUE(skipped.empty());
    }
    static void TearDownTestSuite() { fs::remove_all(root); }
    static void add(const std::string& relative, const Bytes& bytes)
    {
        const fs::path p = root / "in" / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
        files.emplace_back(relative, bytes);
    }

    // An entry as streamArchiveEntry hands it on, piece by piece; {0xEE} when that fails.
    static Bytes streamed(const Bytes& image, const std::string& name)
    {
        Bytes out;
        const bool ok = streamArchiveEntry(
            image.data(), uint32_t(image.size()), name.c_str(), [&](const uint8_t* data, size_t size) {
                out.insert(out.end(), data, data + size);
                return true;
            });
        return ok ? out : Bytes{0xEE};
    }

    enum class Mode { Packed, Stored, Solid };
    // Packing reports every byte it packs, once (from several threads when not solid).
    static Bytes archive(Mode mode)
    {
        std::atomic<size_t> reported{0};
        pack::PackOptions options;
        options.progress = [&](size_t bytes) { reported += bytes; };
        Bytes image = mode == Mode::Solid ? pack::buildSolidArchive(entries, options)
                                          : pack::buildArchive(entries, mode == Mode::Stored, options);
        size_t total = 0;
        for (const auto& [name, bytes] : files)
            total += bytes.size();
        EXPECT_EQ(reported, mode == Mode::Stored ? 0 : total);
        return image;
    }

    static inline fs::path root;
    static inline std::vector<std::pair<std::string, Bytes>> files;
    static inline std::vector<pack::SourceEntry> entries;
};

TEST_F(RoundTrip, OurExtractorReadsEveryMode)
{
    int headers = 0;
    ASSERT_EQ(
        headerChecksumFailures(readFile(fs::path(VELMORA_SOURCE_DIR) / "tests/data/rar/rar2-unix-owner.rar"), headers),
        0u);
    ASSERT_EQ(headers, 2);
    for (size_t i = 0; i < entries.size(); ++i) {  // directories come before their contents
        const std::string parent = entries[i].name.substr(0, entries[i].name.rfind('\\'));
        EXPECT_TRUE(parent == entries[i].name || std::any_of(entries.begin(),
                                                             entries.begin() + long(i),
                                                             [&](auto& e) { return e.directory && e.name == parent; }))
            << entries[i].name;
    }
    auto wanted = files;
    wanted.emplace_back("D1/Sub2", Bytes{});  // a directory: found, empty
    size_t sizes[3];
    for (const Mode mode : {Mode::Packed, Mode::Stored, Mode::Solid}) {
        const Bytes image = archive(mode);
        sizes[int(mode)] = image.size();
        EXPECT_EQ(headerChecksumFailures(image, headers), 0u);
        EXPECT_EQ(headers, int(entries.size()) + 1);
        for (const auto& [relative, bytes] : wanted) {
            const std::string name = "in/" + relative;
            uint8_t* out = nullptr;
            uint32_t size = 99;
            ASSERT_TRUE(extractArchiveEntry(image.data(), uint32_t(image.size()), name.c_str(), &out, &size))
                << name << " in mode " << int(mode);
            EXPECT_TRUE(size == bytes.size() && (size == 0 ? !out : std::memcmp(out, bytes.data(), size) == 0)) << name;
            std::free(out);
            EXPECT_EQ(streamed(image, name), bytes) << name << " streamed in mode " << int(mode);
        }
        // Streaming in small steps slides the 1 MB of history many times, in the middle of
        // matches that reach nearly that far and of multimedia runs. A damaged entry fails, after
        // its bytes went out.
        ArchiveWalk walk(image.data(), uint32_t(image.size()));
        ArchiveEntry e;
        // The first entry is a directory with the header the player's archive has.
        ASSERT_TRUE(walk.open() && walk.next(e) == ArchiveWalk::Step::Entry);
        EXPECT_TRUE(walk.solid() == (mode == Mode::Solid) && e.name == "in" && e.flags == 0x80E0 && e.unpVer == 20 &&
                    e.method == 0x35);
        while (walk.next(e) == ArchiveWalk::Step::Entry) {
            if (e.name != "in\\big.bin" && e.name != "in\\mixed.bin")
                continue;
            RarDecoder decoder;
            Bytes out;
            uint32_t produced = 0;
            if (mode == Mode::Packed) {
                EXPECT_TRUE(decoder.unpackStreaming(
                    image.data() + e.dataOffset,
                    e.packSize,
                    e.unpSize,
                    false,
                    [&](const uint8_t* data, size_t size) { return out.insert(out.end(), data, data + size), true; },
                    produced,
                    70000));
                EXPECT_EQ(produced, e.unpSize);
                EXPECT_EQ(crc32(out.data(), out.size()), e.fileCrc) << e.name;
            }
            Bytes damaged = image;
            damaged[e.dataOffset + e.packSize / 2] ^= 0x10;
            EXPECT_EQ(streamed(damaged, "in/" + e.name.substr(3)), Bytes{0xEE}) << e.name << " in mode " << int(mode);
        }
        // A sink that refuses stops the unpacking.
        int pieces = 0;
        EXPECT_FALSE(
            streamArchiveEntry(image.data(), uint32_t(image.size()), "in/text/source.txt", [&](const uint8_t*, size_t) {
                return ++pieces, false;
            }));
        EXPECT_EQ(pieces, 1);
    }
    EXPECT_LT(sizes[int(Mode::Solid)], sizes[int(Mode::Packed)]);
}

TEST_F(RoundTrip, UnarReadsPackedAndSolidArchives)
{
    if (std::system("command -v unar >/dev/null 2>&1 && command -v lsar >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "unar is not installed";
    for (const Mode mode : {Mode::Packed, Mode::Solid}) {
        const Bytes image = archive(mode);
        const fs::path file = root / "test.rar", out = root / "unar";
        fs::remove_all(out);
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), long(image.size()));
        const std::string quiet = "'" + file.string() + "' >/dev/null 2>&1";
        ASSERT_EQ(std::system(("unar -q -f -o '" + out.string() + "' " + quiet).c_str()), 0) << "mode " << int(mode);
        EXPECT_EQ(std::system(("lsar -t " + quiet).c_str()), 0) << "lsar -t found damage in mode " << int(mode);
        for (const auto& [relative, bytes] : files)
            EXPECT_TRUE(readFile(out / "in" / relative) == bytes)
                << relative << " differs after unar, mode " << int(mode);
    }
}

// The built tool run in a fresh folder holding data/a.txt ("alpha"); removed afterwards.
class PackTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(tool))
            GTEST_SKIP() << "velmora-pack is not built";
        fs::create_directories(dir / "data");
        std::ofstream(dir / "data" / "a.txt") << "alpha";
    }
    void TearDown() override { fs::remove_all(dir); }

    // The tool's exit status with `arguments` (shell words, run in the folder); 124 when it hangs.
    int run(const std::string& arguments) const
    {
        return WEXITSTATUS(
            std::system(("cd '" + dir.string() + "' && timeout 20 '" + tool.string() + "' " + arguments).c_str()));
    }
    std::string text(const std::string& file) const
    {
        const Bytes bytes = readFile(dir / file);
        return std::string(bytes.begin(), bytes.end());
    }

    const fs::path tool = fs::path(VELMORA_BINARY_DIR) / "velmora-pack";
    const fs::path dir = fs::temp_directory_path() / ("velmora-tool-" + std::to_string(std::random_device{}()));
};

TEST_F(PackTool, ExtractAndTestReportFailures)
{
    EXPECT_EQ(run("create --solid show.rar data"), 0);
    EXPECT_EQ(run("test show.rar >/dev/null"), 0);
    EXPECT_EQ(run("extract show.rar DATA/A.TXT -o out.txt"), 0);
    EXPECT_EQ(readFile(dir / "out.txt"), (Bytes{'a', 'l', 'p', 'h', 'a'}));
    EXPECT_EQ(run("extract show.rar data/b.txt -o b.txt 2>err.txt"), 1);
    const Bytes err = readFile(dir / "err.txt");
    const std::string message(err.begin(), err.end());
    EXPECT_NE(message.find("not in the archive"), std::string::npos);
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1);

    // A damaged entry fails `test` and `extract`: change the CRC in the header of data\a.txt
    // (marker 7, main header 13, "data" directory header 36 bytes, CRC at 16 in the header).
    std::fstream rar(dir / "show.rar", std::ios::in | std::ios::out | std::ios::binary);
    rar.seekp(7 + 13 + 36 + 16);
    rar.put('\x55');
    rar.close();
    EXPECT_EQ(run("test show.rar >/dev/null 2>&1"), 1);
    EXPECT_EQ(run("extract show.rar data/a.txt -o out.txt 2>/dev/null"), 1);
    EXPECT_FALSE(fs::exists(dir / "out.txt") || fs::exists(dir / "b.txt"));  // no damaged or empty file is left
}

// A pipe would block the reading for good; links are followed only while they stay inside the
// folder packed. Each thing left out gets one line, in every mode.
TEST_F(PackTool, CreateLeavesOutPipesAndLinksThatLeaveTheFolder)
{
    std::ofstream(dir / "secret.txt") << "secret";
    fs::create_directories(dir / "data" / "sub");
    std::ofstream(dir / "data" / "sub" / "b.txt") << "beta";
    ASSERT_EQ(mkfifo((dir / "data" / "pipe").c_str(), 0600), 0);
    fs::create_symlink("a.txt", dir / "data" / "same.txt");  // inside: packed as a file
    fs::create_symlink("sub", dir / "data" / "again");       // inside: packed as a folder
    fs::create_symlink("../secret.txt", dir / "data" / "secret.txt");
    fs::create_symlink(dir / "secret.txt", dir / "data" / "absolute.txt");
    fs::create_symlink("/", dir / "data" / "sub" / "top");
    fs::create_symlink("..", dir / "data" / "sub" / "up");  // a loop
    fs::create_symlink("missing.txt", dir / "data" / "nowhere.txt");
    const std::vector<std::string> expected = {
        "velmora-pack: skipped data/absolute.txt: a link that leads outside data",
        "velmora-pack: skipped data/again/top: a link that leads outside data",
        "velmora-pack: skipped data/again/up: a link back into a folder that holds it",
        "velmora-pack: skipped data/nowhere.txt: a link that leads nowhere",
        "velmora-pack: skipped data/pipe: not a regular file or folder",
        "velmora-pack: skipped data/secret.txt: a link that leads outside data",
        "velmora-pack: skipped data/sub/top: a link that leads outside data",
        "velmora-pack: skipped data/sub/up: a link back into a folder that holds it",
    };
    for (const char* mode : {"", "--store", "--solid"}) {
        ASSERT_EQ(run(std::string("create ") + mode + " show.rar data 2>err.txt"), 0) << mode;
        std::vector<std::string> lines;
        std::istringstream err(text("err.txt"));
        for (std::string line; std::getline(err, line);)
            lines.push_back(line);
        EXPECT_EQ(lines, expected) << mode;
        EXPECT_EQ(run("extract show.rar data/same.txt -o out.txt"), 0);
        EXPECT_EQ(text("out.txt"), "alpha");
        EXPECT_EQ(run("extract show.rar data/again/b.txt -o out.txt"), 0);
        EXPECT_EQ(text("out.txt"), "beta");
        for (const char* left : {"data/secret.txt", "data/absolute.txt", "data/pipe", "data/sub/up"})
            EXPECT_EQ(run(std::string("extract show.rar ") + left + " 2>/dev/null"), 1) << left << ' ' << mode;
    }
}

// Under any of its names, the archive being read is not written over: the entry would replace it.
TEST_F(PackTool, ExtractRefusesToWriteOntoTheArchive)
{
    ASSERT_EQ(run("create show.rar data"), 0);
    const Bytes archive = readFile(dir / "show.rar");
    fs::create_symlink("show.rar", dir / "alias.rar");
    fs::create_hard_link(dir / "show.rar", dir / "hard.rar");
    for (const std::string output : {"-o show.rar", "-o ./show.rar", "-o alias.rar", "-o hard.rar", ">> show.rar"}) {
        EXPECT_EQ(run("extract show.rar data/a.txt " + output + " 2>err.txt"), 1) << output;
        EXPECT_EQ(text("err.txt"), "velmora-pack: refusing to write onto the archive being read\n") << output;
        EXPECT_EQ(readFile(dir / "show.rar"), archive) << output;
    }
    EXPECT_EQ(run("extract alias.rar data/a.txt -o show.rar 2>/dev/null"), 1);
    EXPECT_EQ(readFile(dir / "show.rar"), archive);
}

}  // namespace
}  // namespace velmora
