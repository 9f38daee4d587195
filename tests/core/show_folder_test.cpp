// Writing a fresh show folder: all new files inside the folder, or nothing at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "core/show_folder.h"
#include "tests/support/folder_snapshot.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

void writeText(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

TEST(ShowFolder, WritesOnlyNewFilesInsideTheFolder)
{
    struct Case {
        const char* name;
        std::function<void(const fs::path& show, const fs::path& outside)> prepare;
        std::vector<std::string> paths;  // written with their own path as their text
        const char* refusal;             // part of the error line; null when all is written
    };
    const std::vector<std::string> starter = {"data/script.txt", "data/textures/glow.tga", "data/music/velmora.xm"};
    const Case cases[] = {
        {"an empty folder", [](const fs::path& show, const fs::path&) { fs::create_directory(show); }, starter,
         nullptr},
        {"a folder still to make", [](const fs::path&, const fs::path&) {}, starter, nullptr},
        {"a folder with other files", [](const fs::path& show, const fs::path&) { writeText(show / "notes.txt", "x"); },
         starter, nullptr},
        {"the user's own module, no script",
         [](const fs::path& show, const fs::path&) { writeText(show / "data/music/velmora.xm", "mine"); }, starter,
         "data/music/velmora.xm exists already"},
        {"a dangling link at the script",
         [](const fs::path& show, const fs::path& outside) {
             fs::create_directories(show / "data");
             fs::create_symlink(outside / "made-through-link.txt", show / "data/script.txt");
         },
         starter, "data/script.txt is a symbolic link"},
        {"a link at the picture to a file outside",
         [](const fs::path& show, const fs::path& outside) {
             writeText(outside / "precious.tga", "precious");
             fs::create_directories(show / "data/textures");
             fs::create_symlink(outside / "precious.tga", show / "data/textures/glow.tga");
         },
         starter, "data/textures/glow.tga is a symbolic link"},
        {"the data folder a link to a folder outside",
         [](const fs::path& show, const fs::path& outside) {
             fs::create_directory(show);
             fs::create_directory_symlink(outside, show / "data");
         },
         starter, "lies below the symbolic link data"},
        {"a file where a folder goes",
         [](const fs::path& show, const fs::path&) { writeText(show / "data/textures", "x"); }, starter,
         "lies below data/textures, which is no folder"},
        {"the folder a file", [](const fs::path& show, const fs::path&) { writeText(show, "x"); }, starter,
         "is no folder"},
        {"a path that climbs out", [](const fs::path&, const fs::path&) {}, {"data/../../escaped.txt"},
         "would lie outside the folder"},
        // The checks pass, the third file cannot be made once the second is written: what was
        // written goes again, the folder included.
        {"a failure part-way", [](const fs::path&, const fs::path&) {},
         {"data/script.txt", "data/clash", "data/clash/inside.txt"}, "nothing was left behind"},
    };
    for (const Case& c : cases) {
        const testing::TempDataDir temp;
        const fs::path root = temp.root();
        fs::create_directories(root / "outside");
        const fs::path show = root / "show";
        c.prepare(show, root / "outside");
        const auto before = testing::folderSnapshot(root);

        std::vector<ShowFolderFile> files;
        for (const std::string& path : c.paths)
            files.push_back({path, std::vector<uint8_t>(path.begin(), path.end())});
        std::string error;
        const bool written = writeShowFolder(show.string(), files, error);

        const auto after = testing::folderSnapshot(root);
        if (c.refusal) {
            EXPECT_FALSE(written) << c.name;
            EXPECT_NE(error.find(c.refusal), std::string::npos) << c.name << ": " << error;
            EXPECT_EQ(after, before) << c.name << ": something was changed";
        } else {
            EXPECT_TRUE(written) << c.name << ": " << error;
            for (const std::string& path : c.paths)
                EXPECT_EQ(after.count("show/" + path) ? after.at("show/" + path) : "", path) << c.name;
            for (const auto& [path, content] : before)
                EXPECT_EQ(after.at(path), content) << c.name << ": " << path << " changed";
        }
    }
}

}  // namespace
}  // namespace velmora
