// velmora-pack: code lengths, and round trips of packed archives through our extractor and
// through unar, an independent implementation of the format, where it is installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "resources/archive.h"
#include "resources/crc32.h"
#include "resources/data_file.h"
#include "resources/data_source.h"
#include "tools/pack/archive_writer.h"
#include "tools/pack/huffman_builder.h"
#include "tools/pack/rar_encoder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

TEST(CodeLengths, LimitedCompleteAndOptimal)
{
    // Fibonacci weights would want codes of 30 bits; the limit holds and the code stays complete.
    uint32_t counts[32];
    counts[0] = counts[1] = 1;
    for (int i = 2; i < 32; ++i)
        counts[i] = counts[i - 1] + counts[i - 2];
    uint8_t lengths[32];
    pack::buildCodeLengths(counts, 32, 15, lengths);
    double kraft = 0;
    for (uint8_t l : lengths) {
        ASSERT_GE(l, 1);
        ASSERT_LE(l, 15);
        kraft += std::ldexp(1.0, -l);
    }
    EXPECT_DOUBLE_EQ(kraft, 1.0);

    const uint32_t small[5] = {1, 1, 2, 4, 0};
    uint8_t smallLengths[5];
    pack::buildCodeLengths(small, 5, 15, smallLengths);
    EXPECT_EQ(std::vector<int>(smallLengths, smallLengths + 5), (std::vector<int>{3, 3, 2, 1, 0}));

    const uint32_t lone[3] = {0, 7, 0};
    uint8_t loneLengths[3];
    pack::buildCodeLengths(lone, 3, 15, loneLengths);
    EXPECT_EQ(loneLengths[1], 1);
    EXPECT_EQ(loneLengths[0] + loneLengths[2], 1);  // a partner completes the code
}

// A RIFF WAVE file of `frames` frames of a chord with a little noise.
Bytes makeWav(int channels, int bits, int frames)
{
    const int frameBytes = channels * bits / 8;
    Bytes w;
    auto put = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            w.push_back(uint8_t(v >> (8 * i)));
    };
    w.insert(w.end(), {'R', 'I', 'F', 'F'});
    put(36 + uint32_t(frames * frameBytes), 4);
    w.insert(w.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put(16, 4);
    put(1, 2);
    put(uint32_t(channels), 2);
    put(22050, 4);
    put(uint32_t(22050 * frameBytes), 4);
    put(uint32_t(frameBytes), 2);
    put(uint32_t(bits), 2);
    w.insert(w.end(), {'d', 'a', 't', 'a'});
    put(uint32_t(frames * frameBytes), 4);
    std::mt19937 noise(7);
    for (int f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            const double t = f / 22050.0;
            const double v = 0.4 * std::sin(2 * M_PI * 220 * t + c) + 0.2 * std::sin(2 * M_PI * 331 * t) +
                             0.01 * (int(noise() % 200) - 100) / 100.0;
            if (bits == 16)
                put(uint32_t(int16_t(v * 32767)) & 0xFFFF, 2);
            else
                w.push_back(uint8_t(128 + int(v * 127)));
        }
    }
    return w;
}

Bytes sourceText()
{
    Bytes text;
    for (const char* file : {"resources/rar_decoder.cpp", "resources/archive.cpp", "tools/pack/lz_parser.cpp"}) {
        std::ifstream in(fs::path(VELMORA_SOURCE_DIR) / file, std::ios::binary);
        text.insert(text.end(), std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return text;
}

TEST(PackStream, MultimediaModeWinsOnPcm)
{
    for (const auto& [channels, bits] : {std::pair{2, 16}, std::pair{1, 8}}) {
        const Bytes wav = makeWav(channels, bits, 20000);
        pack::PackOptions plain;
        plain.tryAudio = false;
        const size_t normal = pack::packStream(wav.data(), wav.size(), plain).size();
        const size_t audio = pack::packStream(wav.data(), wav.size()).size();
        EXPECT_LT(audio, normal) << channels << " channels, " << bits << " bits";
    }
}

TEST(PackStream, CompressesTextAndRuns)
{
    const Bytes text = sourceText();
    ASSERT_GT(text.size(), 10000u);
    EXPECT_LT(pack::packStream(text.data(), text.size()).size(), text.size() * 35 / 100);
    const Bytes run(1 << 20, 'r');
    EXPECT_LT(pack::packStream(run.data(), run.size()).size(), 2000u);
}

// Round trips: files written to a folder, packed from it, read back by both extractors.
class RoundTrip : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("velmora-pack-" + std::to_string(std::random_device{}()));
        fs::create_directories(root / "in");
    }
    void TearDown() override { fs::remove_all(root); }

    void add(const std::string& relative, const Bytes& bytes)
    {
        const fs::path p = root / "in" / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
        files.emplace_back(relative, bytes);
    }

    // Packs root/in as "in\..." and checks every file with our extractor and with unar.
    void check(bool store = false)
    {
        std::vector<pack::SourceEntry> entries;
        std::string error;
        const fs::path previous = fs::current_path();
        fs::current_path(root);
        const bool collected = pack::collectEntries("in", entries, error);
        fs::current_path(previous);
        ASSERT_TRUE(collected) << error;
        const Bytes archive = pack::buildArchive(entries, store);
        for (const auto& [relative, bytes] : files) {
            const std::string name = "in/" + relative;
            uint8_t* out = nullptr;
            uint32_t size = 0;
            ASSERT_TRUE(extractArchiveEntry(archive.data(), uint32_t(archive.size()), name.c_str(), &out, &size))
                << name;
            EXPECT_TRUE(size == bytes.size() && (size == 0 || std::memcmp(out, bytes.data(), size) == 0)) << name;
            std::free(out);
        }
        checkWithUnar(archive);
    }

    void checkWithUnar(const Bytes& archive)
    {
        if (std::system("command -v unar >/dev/null 2>&1") != 0) {
            std::printf("unar is not installed: only our extractor checked\n");
            return;
        }
        const fs::path file = root / "test.rar";
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(archive.data()), long(archive.size()));
        const fs::path out = root / "unar";
        const std::string command = "unar -q -f -o '" + out.string() + "' '" + file.string() + "' >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << "unar rejected the archive";
        const std::string test = "lsar -t '" + file.string() + "' >/dev/null 2>&1";
        EXPECT_EQ(std::system(test.c_str()), 0) << "lsar -t found damage";
        for (const auto& [relative, bytes] : files) {
            std::ifstream in(out / "in" / relative, std::ios::binary);
            ASSERT_TRUE(in) << relative;
            const Bytes got{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            EXPECT_TRUE(got == bytes) << relative << " differs after unar";
        }
    }

    fs::path root;
    std::vector<std::pair<std::string, Bytes>> files;
};

TEST_F(RoundTrip, SmallDegenerateRandomTextAndAudioFiles)
{
    add("empty.txt", {});
    add("one.bin", {0x42});
    add("two.bin", {0, 0});
    add("run.bin", Bytes(300000, 0xAA));
    Bytes pattern;
    for (int i = 0; i < 100000; ++i)
        pattern.push_back(uint8_t("abcab"[i % 5] + (i / 9000)));
    add("pattern.bin", pattern);
    std::mt19937 random(1234);
    Bytes noise(150000);
    for (uint8_t& b : noise)
        b = uint8_t(random());
    add("random.bin", noise);
    add("text/source.txt", sourceText());
    add("music/stereo16.wav", makeWav(2, 16, 30000));
    add("music/mono8.wav", makeWav(1, 8, 30000));
    add("music/quad8.wav", makeWav(4, 8, 5000));
    check();
}

TEST_F(RoundTrip, LargeFileWrapsTheWindow)
{
    // 2.5 MB: blocks of text repeated at distances near and beyond the window size.
    const Bytes text = sourceText();
    std::mt19937 random(99);
    Bytes big;
    while (big.size() < 2500000) {
        const size_t from = random() % text.size();
        const size_t length = std::min<size_t>(text.size() - from, 1 + random() % 4000);
        big.insert(big.end(), text.begin() + long(from), text.begin() + long(from + length));
        for (int i = 0; i < 50; ++i)
            big.push_back(uint8_t(random()));
    }
    add("big.bin", big);
    check();
}

TEST_F(RoundTrip, ManyFilesInNestedFolders)
{
    for (int i = 0; i < 150; ++i) {
        const std::string text = "file " + std::to_string(i) + " " + std::string(size_t(i), char('a' + i % 26));
        add("d" + std::to_string(i % 3) + "/sub" + std::to_string(i % 5) + "/f" + std::to_string(i) + ".txt",
            Bytes(text.begin(), text.end()));
    }
    check();
    check(true);
}

TEST_F(RoundTrip, DirectoriesComeFirstAndLookUpEmpty)
{
    add("a/b/c.txt", {'c'});
    std::vector<pack::SourceEntry> entries;
    std::string error;
    ASSERT_TRUE(pack::collectEntries((root / "in").string(), entries, error)) << error;
    std::vector<std::string> names;
    for (const auto& entry : entries)
        names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{"in", "in\\a", "in\\a\\b", "in\\a\\b\\c.txt"}));
    const Bytes archive = pack::buildArchive(entries, false);
    useArchiveImage(archive.data(), uint32_t(archive.size()));
    uint8_t* out = nullptr;
    uint32_t size = 99;
    EXPECT_TRUE(loadDataEntry("in/A/b", &out, &size));
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(size, 0u);
    ArchiveWalk walk(archive.data(), uint32_t(archive.size()));
    ASSERT_TRUE(walk.open());
    ArchiveEntry entry;
    ASSERT_EQ(walk.next(entry), ArchiveWalk::Step::Entry);
    EXPECT_EQ(entry.flags, 0x80E0);
    EXPECT_EQ(entry.unpVer, 20);
    EXPECT_EQ(entry.method, 0x35);
    useArchiveImage(nullptr, 0);
}

// HeadCRC is the low half of the CRC-32 of the header behind the field, as in the real archive
// rar2-unix-owner.rar (plain main and file headers), and so in ours.
uint32_t headerChecksumFailures(const Bytes& archive, int& headers)
{
    uint32_t failures = 0;
    headers = 0;
    for (size_t at = 7; at + 11 <= archive.size();) {
        const uint32_t stored = uint32_t(archive[at] | archive[at + 1] << 8);
        const uint16_t flags = uint16_t(archive[at + 3] | archive[at + 4] << 8);
        const uint32_t size = uint32_t(archive[at + 5] | archive[at + 6] << 8);
        const uint32_t data = (flags & 0x8000) ? uint32_t(archive[at + 7] | archive[at + 8] << 8 |
                                                          archive[at + 9] << 16 | uint32_t(archive[at + 10]) << 24)
                                               : 0;
        if (size < 7 || at + size > archive.size())
            break;
        if (archive[at + 2] == 0x73 || archive[at + 2] == 0x74) {
            ++headers;
            failures += (crc32(archive.data() + at + 2, size - 2) & 0xFFFF) != stored;
        }
        at += size + data;
    }
    return failures;
}

TEST(PackedHeaders, ChecksumsFollowTheOriginalArchiver)
{
    const fs::path real = fs::path(VELMORA_SOURCE_DIR) / "tests/data/rar/rar2-unix-owner.rar";
    std::ifstream in(real, std::ios::binary);
    const Bytes original{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    int headers = 0;
    ASSERT_EQ(headerChecksumFailures(original, headers), 0u);
    ASSERT_EQ(headers, 2);

    std::vector<pack::SourceEntry> entries = {{"data", true, {}, 0}, {"data\a.txt", false, {'a', 'b'}, 0x5A21B3C4}};
    EXPECT_EQ(headerChecksumFailures(pack::buildArchive(entries, false), headers), 0u);
    EXPECT_EQ(headers, 3);
    EXPECT_EQ(headerChecksumFailures(pack::buildArchive(entries, true), headers), 0u);
}

// The command-line tool: exit status and messages.
TEST(PackTool, ExtractAndTestReportFailures)
{
    const fs::path tool = fs::path(VELMORA_BINARY_DIR) / "velmora-pack";
    if (!fs::exists(tool))
        GTEST_SKIP() << "velmora-pack is not built";
    const fs::path dir = fs::temp_directory_path() / ("velmora-tool-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir / "data");
    std::ofstream(dir / "data" / "a.txt") << "alpha";
    const std::string cd = "cd '" + dir.string() + "' && '" + tool.string() + "' ";
    EXPECT_EQ(std::system((cd + "create show.rar data").c_str()), 0);
    EXPECT_EQ(std::system((cd + "test show.rar >/dev/null").c_str()), 0);
    EXPECT_EQ(std::system((cd + "extract show.rar DATA/A.TXT -o out.txt").c_str()), 0);
    std::ifstream in(dir / "out.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "alpha");
    EXPECT_EQ(WEXITSTATUS(std::system((cd + "extract show.rar data/b.txt 2>err.txt").c_str())), 1);
    std::ifstream err(dir / "err.txt");
    const std::string message(std::istreambuf_iterator<char>(err), {});
    EXPECT_NE(message.find("not in the archive"), std::string::npos);
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1);

    // A damaged entry fails `test` and `extract`: change the CRC in the header of data\a.txt
    // (marker 7, main header 13, "data" directory header 36 bytes, CRC at 16 in the header).
    std::fstream rar(dir / "show.rar", std::ios::in | std::ios::out | std::ios::binary);
    rar.seekp(7 + 13 + 36 + 16);
    rar.put('\x55');
    rar.close();
    EXPECT_EQ(WEXITSTATUS(std::system((cd + "test show.rar >/dev/null 2>&1").c_str())), 1);
    EXPECT_EQ(WEXITSTATUS(std::system((cd + "extract show.rar data/a.txt >/dev/null 2>&1").c_str())), 1);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace velmora
