// `velmora --new` and `velmora --unpack`: folders that play as they are, carry what the guide's
// examples need, and never write over, through or beside what is already there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "resources/archive.h"
#include "resources/data_file.h"
#include "resources/data_source.h"
#include "scene/scene.h"
#include "scene/scene_loader.h"
#include "tests/support/folder_snapshot.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

const fs::path kPlayer = fs::path(VELMORA_BINARY_DIR) / "velmora";

int runPlayer(const std::string& arguments, std::string& output)
{
    return testing::runCommand("'" + kPlayer.string() + "' " + arguments, output);
}

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// The starter plays through with its cuts where its beats and module rows put them: 8 beats at
// 125 bpm, and the module's patterns of 64 rows at 0.12 s a row.
TEST(NewShow, PlaysWithItsCutsOnBeatsAndRows)
{
    if (!fs::exists(kPlayer))
        GTEST_SKIP() << "player not built";
    testing::TempDataDir temp;
    const fs::path show = temp.root() / "show";
    std::string written, played;
    ASSERT_EQ(runPlayer("--new " + quoted(show), written), 0) << written;
    ASSERT_EQ(runPlayer("--data " + quoted(show) + " --headless --fps 10 --capture " + quoted(temp.root() / "frames"),
                        played),
              0)
        << played;
    if (played.find("Loading.") == std::string::npos)
        GTEST_SKIP() << "no offscreen context: " << played;
    EXPECT_EQ(played.find("Could not decompress"), std::string::npos) << played;
    EXPECT_EQ(played.find("XML Error"), std::string::npos) << played;
    for (const char* fired : {"lastEvent: 0 0.000000", "lastEvent: 1 3.840000", "lastEvent: 2 7.680000",
                              "lastEvent: 3 11.520000", "lastEvent: 4 15.360000"})
        EXPECT_NE(played.find(fired), std::string::npos) << fired << " missing:\n" << played;
}

// --unpack writes every file of the built-in show (build/show.rar) under its own path, byte for
// byte, and the folder plays.
TEST(NewShow, UnpackedShowHoldsTheWholeArchiveAndPlays)
{
    if (!fs::exists(kPlayer))
        GTEST_SKIP() << "player not built";
    testing::TempDataDir temp;
    const fs::path show = temp.root() / "builtin";
    std::string written, played;
    ASSERT_EQ(runPlayer("--unpack " + quoted(show), written), 0) << written;

    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(show))
        if (entry.is_regular_file())
            files.insert(entry.path().lexically_relative(show).generic_string());
    EXPECT_TRUE(files.count("data/script.txt") && files.count("data/music/velmora.xm") &&
                files.count("data/textures/STARS.BMP") && files.count("data/scenes/orbit.zen"))
        << files.size() << " files";
    std::ifstream packedShow(fs::path(VELMORA_BINARY_DIR) / "show.rar", std::ios::binary);
    const std::vector<uint8_t> archive(std::istreambuf_iterator<char>(packedShow), {});
    size_t entries = 0;
    ASSERT_TRUE(unpackWholeArchive(archive.data(), uint32_t(archive.size()),
                                   [&](const std::string&, uint8_t* data, uint32_t) {
                                       entries += data != nullptr;
                                       std::free(data);
                                   }));
    EXPECT_EQ(files.size(), entries);
    for (const std::string& file : files) {
        uint8_t* packed = nullptr;
        uint32_t size = 0;
        ASSERT_TRUE(extractArchiveEntry(archive.data(), uint32_t(archive.size()), file.c_str(), &packed, &size)) << file;
        std::ifstream in(show / file, std::ios::binary);
        const std::string bytes(std::istreambuf_iterator<char>(in), {});
        EXPECT_TRUE(bytes.size() == size && std::memcmp(bytes.data(), packed, size) == 0) << file;
        std::free(packed);
    }

    ASSERT_EQ(runPlayer("--data " + quoted(show) + " --headless --fps 4 --duration 3 --capture " +
                            quoted(temp.root() / "frames"),
                        played),
              0)
        << played;
    EXPECT_EQ(played.find("Could not decompress"), std::string::npos) << played;
}

// Both commands go through the same checks (tested case by case in show_folder_test): a link
// in the way, dangling or not, is refused with one line and status 1, and nothing changes.
TEST(NewShow, RefusesALinkInTheWay)
{
    if (!fs::exists(kPlayer))
        GTEST_SKIP() << "player not built";
    const std::pair<const char*, const char*> cases[] = {{"--new", "data/script.txt"},
                                                         {"--unpack", "data/textures/STARS.BMP"}};
    for (const auto& [command, link] : cases) {
        testing::TempDataDir temp;
        const fs::path show = temp.root() / "show";
        fs::create_directories((show / link).parent_path());
        fs::create_symlink(temp.root() / "made-through-link", show / link);
        const auto before = testing::folderSnapshot(temp.root());
        std::string output;
        EXPECT_EQ(runPlayer(std::string(command) + " " + quoted(show), output), 1) << command << ": " << output;
        EXPECT_NE(output.find(std::string(link) + " is a symbolic link"), std::string::npos) << command << ": " << output;
        EXPECT_EQ(testing::folderSnapshot(temp.root()), before) << command;
    }
}

// The data files the guide's examples need: every name they quote in the script fragments of
// its sections 1 to 4 (included scripts aside), and for each effect type they add, the files
// the guide's table of types says that type reads.
std::set<std::string> filesTheGuidesExamplesNeed()
{
    std::ifstream in(fs::path(VELMORA_SOURCE_DIR) / "docs/scripting.md");
    const std::regex quotedFile(R"re("([A-Za-z0-9_./-]+\.(tga|bmp|zen|xm|it|s3m|mod|wav|mp3|ogg|dat|ttf|otf))")re",
                                std::regex::icase);
    const std::regex added(R"re(<add type="([a-z0-9]+)")re");
    const std::regex typeRow(R"re(^\| \[`([a-z0-9]+)`\]\(#[a-z0-9]+\) \|.*\| ([^|]*) \|$)re");
    std::set<std::string> needed, types;
    std::map<std::string, std::string> typeData;  // type -> its "Data it reads" cell
    bool inCode = false;
    for (std::string line; std::getline(in, line) && line.rfind("## 5.", 0) != 0;) {
        if (line.rfind("```", 0) == 0) {
            inCode = !inCode;
            continue;
        }
        std::smatch match;
        if (!inCode) {
            if (std::regex_match(line, match, typeRow))
                typeData[match[1]] = match[2];
            continue;
        }
        for (auto it = std::sregex_iterator(line.begin(), line.end(), quotedFile); it != std::sregex_iterator(); ++it)
            needed.insert((*it)[1]);
        for (auto it = std::sregex_iterator(line.begin(), line.end(), added); it != std::sregex_iterator(); ++it)
            types.insert((*it)[1]);
    }
    EXPECT_GE(types.size(), 20u) << "the guide's examples were not found";
    for (const std::string& type : types) {
        EXPECT_TRUE(typeData.count(type)) << type << " is not in the table of types";
        const std::string& cell = typeData[type];
        for (auto it = std::sregex_iterator(cell.begin(), cell.end(), quotedFile); it != std::sregex_iterator(); ++it)
            needed.insert((*it)[1]);
    }
    return needed;
}

class NewShowData : public testing::GLTest {};

// Every file the guide's examples need is in the starter, and so is every texture that the
// scenes among them name.
TEST_F(NewShowData, CarriesWhatTheGuidesExamplesNeed)
{
    if (!fs::exists(kPlayer))
        GTEST_SKIP() << "player not built";
    testing::TempDataDir temp;
    const fs::path show = temp.root() / "show";
    std::string written;
    ASSERT_EQ(runPlayer("--new " + quoted(show), written), 0) << written;
    std::string error;
    ASSERT_TRUE(useDataPath(show.c_str(), error)) << error;

    const std::set<std::string> needed = filesTheGuidesExamplesNeed();
    EXPECT_TRUE(needed.count("STARS.BMP") && needed.count("chrome.tga")) << needed.size() << " names";
    for (const std::string& name : needed) {
        DataFile file(name.c_str());
        EXPECT_GT(file.size(), 0u) << name << " is needed by an example of docs/scripting.md";
        if (name.size() < 4 || name.substr(name.size() - 4) != ".zen" || file.size() == 0)
            continue;
        Scene scene;
        SceneLoader loader;
        ASSERT_EQ(loader.Load(SceneLoader::kFromMemory, file.data(), file.size(), &scene), 0u) << name;
        for (const auto& texture : scene.textures) {
            DataFile image(texture->texture.fileName().c_str());
            EXPECT_GT(image.size(), 0u) << texture->texture.fileName() << ", a texture of " << name;
        }
    }
}

}  // namespace
}  // namespace velmora
