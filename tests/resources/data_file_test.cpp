// DataFile: logical names to archive folders, the console lines, and the stream operations,
// over a directory source and over an archive image.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "resources/archive.h"
#include "resources/data_file.h"
#include "resources/data_source.h"
#include "tests/support/temp_data_dir.h"
#include "tools/pack/archive_writer.h"

namespace velmora {
namespace {

using testing::TempDataDir;

// Opens `name`, returning what was printed and the file's text (empty when not found).
std::string open(const char* name, std::string* text = nullptr)
{
    ::testing::internal::CaptureStdout();
    std::string contents;
    {
        DataFile file(name);
        if (file.size() > 0)
            contents.assign(reinterpret_cast<const char*>(file.data()), file.size());
    }
    if (text)
        *text = contents;
    return ::testing::internal::GetCapturedStdout();
}

TEST(DataFileNames, FolderFollowsTheExtensionAndNamesMatchInAnyCase)
{
    const struct {
        const char* stored;  // in the data folder; its text is its name
        const char* name;    // as asked for
        const char* path;    // as printed
    } cases[] = {
        {"data/textures/STARS.BMP", "STARS.BMP", "data/textures/STARS.BMP"},
        {"data/textures/moon.bmp", "Moon.Bmp", "data/textures/Moon.Bmp"},
        {"data/textures/chrome.tga", "chrome.TGA", "data/textures/chrome.TGA"},
        {"data/music/demotune.it", "demotune.it", "data/music/demotune.it"},
        {"data/music/tune.XM", "tune.xm", "data/music/tune.xm"},
        {"data/music/a.s3m", "a.s3m", "data/music/a.s3m"},
        {"data/music/b.mod", "b.MOD", "data/music/b.MOD"},
        {"data/music/c.wav", "c.wav", "data/music/c.wav"},
        {"data/music/d.mp3", "d.mp3", "data/music/d.mp3"},
        {"data/scenes/gold.zen", "gold.zen", "data/scenes/gold.zen"},
        {"data/scenes/e.3DS", "e.3ds", "data/scenes/e.3ds"},
        {"data/teddy.dat", "teddy.dat", "data/teddy.dat"},
        {"data/sub/file.txt", "sub/file.txt", "data/sub/file.txt"},
        {"data/it", "it", "data/it"},  // too short to have an extension
        {"data/.xm", ".xm", "data/.xm"},
    };
    TempDataDir dir;
    for (const auto& c : cases)
        dir.write(c.stored, c.stored);
    for (const auto& c : cases) {
        std::string text;
        EXPECT_EQ(open(c.name, &text), std::string("load[") + c.path + "]\n") << c.name;
        EXPECT_EQ(text, c.stored) << c.name;
    }
}

// Names come from scripts and data files: none may reach outside the show's data, whatever
// the source. Dots inside a name are fine.
TEST(DataFileNames, NamesThatLeaveTheShowOrFindNothingAreRefused)
{
    TempDataDir dir;
    dir.write("outside.txt", "secret");
    dir.write("data/sub/inside.txt", "inside");
    dir.write("data/a..b.txt", "dots");
    for (const char* name : {"../outside.txt", "sub/../../outside.txt", "..\\outside.txt", "sub\\..\\..\\outside.txt",
                             "/etc/hostname", "\\etc\\hostname", ".."}) {
        std::string text;
        EXPECT_EQ(open(name, &text), std::string("load[data/") + name + "]\nCould not decompress\n[" + name +
                                         "] points outside the show's data: refused\n");
        EXPECT_EQ(text, "") << name;
    }
    std::string text;
    EXPECT_EQ(open("sub/inside.txt", &text), "load[data/sub/inside.txt]\n");
    // Missing files and overlong paths fail; an empty file is found without data.
    EXPECT_EQ(open("nothing.txt"), "load[data/nothing.txt]\nCould not decompress\n");
    EXPECT_EQ(open(""), "load[data/]\nCould not decompress\n");
    EXPECT_NE(open(std::string(600, 'a').c_str()).find("Could not decompress\n"), std::string::npos);
    dir.write("data/empty.txt", "");
    EXPECT_EQ(open("empty.txt", &text), "load[data/empty.txt]\n");
    EXPECT_EQ(text, "");
    EXPECT_EQ(open("a..b.txt", &text), "load[data/a..b.txt]\n");
    EXPECT_EQ(text, "dots");
}

TEST(DataFileNames, ArchiveImageSourceFindsEntriesCaseInsensitively)
{
    std::vector<uint8_t> script(300);
    for (size_t i = 0; i < script.size(); ++i)
        script[i] = uint8_t(i * i * 7 + i);  // no long repeats: damage anywhere changes the output
    std::vector<pack::SourceEntry> entries = {
        {"data", true, {}, 0},
        {"data\\textures", true, {}, 0},
        {"data\\textures\\stars.bmp", false, {'b', 'm', 'p'}, 0},
        {"data\\script.txt", false, script, 0},
        {"outside.txt", false, {'o', 'u', 't'}, 0},
    };
    // A solid archive is answered from one pass over it; both kinds must answer alike.
    for (const bool solid : {false, true}) {
        SCOPED_TRACE(solid ? "solid" : "plain");
        const std::vector<uint8_t> archive = solid ? pack::buildSolidArchive(entries) : pack::buildArchive(entries, false);
        useArchiveImage(archive.data(), uint32_t(archive.size()));
        std::string text;
        EXPECT_EQ(open("STARS.BMP", &text), "load[data/textures/STARS.BMP]\n");
        EXPECT_EQ(text, "bmp");
        EXPECT_EQ(open("script.txt", &text), "load[data/script.txt]\n");
        EXPECT_EQ(text, std::string(script.begin(), script.end()));
        EXPECT_EQ(open("stars.tga"), "load[data/textures/stars.tga]\nCould not decompress\n");
        EXPECT_EQ(open("../outside.txt", &text),
                  "load[data/../outside.txt]\nCould not decompress\n[../outside.txt] points outside the show's data: refused\n");
    }
    // Damage in the last (largest) entry of a solid archive fails that entry alone.
    std::vector<uint8_t> archive = pack::buildSolidArchive(entries);
    ArchiveWalk walk(archive.data(), uint32_t(archive.size()));
    ArchiveEntry entry;
    ASSERT_TRUE(walk.open());
    while (walk.next(entry) == ArchiveWalk::Step::Entry && entry.name != "data\\script.txt") {
    }
    ASSERT_EQ(entry.name, "data\\script.txt");
    archive[entry.dataOffset + entry.packSize / 2] ^= 0x55;
    useArchiveImage(archive.data(), uint32_t(archive.size()));
    std::string text;
    EXPECT_EQ(open("stars.bmp", &text), "load[data/textures/stars.bmp]\n");
    EXPECT_EQ(open("script.txt", &text), "load[data/script.txt]\nCould not decompress\n");
    useArchiveImage(nullptr, 0);
    EXPECT_EQ(open("stars.bmp"), "load[data/textures/stars.bmp]\nCould not decompress\n");
}

TEST(DataSource, RejectsPathsThatAreNeitherFolderNorArchiveAndReadsAnArchiveOnce)
{
    TempDataDir dir;
    dir.write("data/a.txt", "kept");
    std::string error;
    EXPECT_FALSE(useDataPath((dir.root() / "missing").c_str(), error));
    EXPECT_FALSE(error.empty());
    dir.write("plain.txt", "not an archive");
    EXPECT_FALSE(useDataPath((dir.root() / "plain.txt").c_str(), error));
    // A folder without data/ is no show; the data folder itself stands for its show folder.
    dir.write("elsewhere/a.txt", "not in data/");
    EXPECT_FALSE(useDataPath((dir.root() / "elsewhere").c_str(), error));
    std::string text;
    open("a.txt", &text);  // the previous source stays
    EXPECT_EQ(text, "kept");
    for (const char* folder : {"data", "data/", "DATA"}) {
        if (std::string(folder) == "DATA")
            std::filesystem::rename(dir.root() / "data", dir.root() / "DATA");
        ASSERT_TRUE(useDataPath((dir.root() / folder).c_str(), error)) << folder << ": " << error;
        text.clear();
        open("a.txt", &text);
        EXPECT_EQ(text, "kept") << folder;
    }
    std::filesystem::rename(dir.root() / "DATA", dir.root() / "data");

    // An archive file is read once: removing it afterwards changes nothing.
    const std::vector<uint8_t> archive = pack::buildArchive({{"data\\x.txt", false, {'x', 'y'}, 0}}, true);
    dir.write("show.rar", archive);
    ASSERT_TRUE(useDataPath((dir.root() / "show.rar").c_str(), error)) << error;
    std::filesystem::remove(dir.root() / "show.rar");
    open("x.txt", &text);
    EXPECT_EQ(text, "xy");
}

class DataFileStream : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::vector<uint8_t> bytes(100);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = uint8_t(i);
        dir.write("data/hundred.dat", bytes);
        ::testing::internal::CaptureStdout();
        file = std::make_unique<DataFile>("hundred.dat");
        ::testing::internal::GetCapturedStdout();
    }
    TempDataDir dir;
    std::unique_ptr<DataFile> file;
};

TEST_F(DataFileStream, SeekFromEachOriginAndReadAndWriteClampToTheEnd)
{
    DataFile& file = *this->file;
    ASSERT_EQ(file.size(), 100u);
    EXPECT_EQ(file.tell(), 0u);
    EXPECT_FALSE(file.eof());
    file.seek(4, 2);
    EXPECT_EQ(file.tell(), 96u);
    EXPECT_FALSE(file.eof());
    file.seek(10, 1);
    EXPECT_EQ(file.tell(), 106u);
    EXPECT_TRUE(file.eof());
    file.seek(7, 0);
    EXPECT_EQ(file.tell(), 7u);
    file.seek(3, 9);  // unknown origin: unchanged
    EXPECT_EQ(file.tell(), 7u);

    // Reads and writes clamp to the end.
    uint8_t buffer[16];
    std::memset(buffer, 0xEE, sizeof buffer);
    file.seek(10, 0);
    EXPECT_EQ(file.read(buffer, 4), 0);
    EXPECT_EQ(buffer[0], 10);
    EXPECT_EQ(buffer[3], 13);
    EXPECT_EQ(file.tell(), 14u);

    file.seek(6, 2);
    file.read(buffer, 16);  // only 6 bytes are left
    EXPECT_EQ(buffer[5], 99);
    EXPECT_EQ(buffer[6], 0xEE);
    EXPECT_EQ(file.tell(), 100u);
    EXPECT_TRUE(file.eof());

    const uint8_t patch[4] = {0xA1, 0xA2, 0xA3, 0xA4};
    file.seek(2, 2);
    file.write(patch, 4);
    EXPECT_EQ(file.tell(), 100u);
    EXPECT_EQ(file.data()[98], 0xA1);
    EXPECT_EQ(file.data()[99], 0xA2);

    file.seek(200, 0);  // beyond the end: nothing is copied either way
    std::memset(buffer, 0xEE, sizeof buffer);
    file.read(buffer, 4);
    file.write(patch, 4);
    EXPECT_EQ(buffer[0], 0xEE);
    EXPECT_EQ(file.tell(), 200u);
}

}  // namespace
}  // namespace velmora
