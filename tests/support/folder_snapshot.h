// What a folder holds, to compare before and after a tool wrote (or refused to write) into it.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace velmora::testing {

// Everything below `root`, links not followed, by relative path: a file's bytes, "link to X"
// for a link, "folder" for a folder.
inline std::map<std::string, std::string> folderSnapshot(const std::filesystem::path& root)
{
    namespace fs = std::filesystem;
    std::map<std::string, std::string> seen;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string name = it->path().lexically_relative(root).generic_string();
        if (it->is_symlink()) {
            seen[name] = "link to " + fs::read_symlink(it->path()).string();
        } else if (it->is_directory()) {
            seen[name] = "folder";
        } else {
            std::ifstream in(it->path(), std::ios::binary);
            seen[name] = std::string(std::istreambuf_iterator<char>(in), {});
        }
    }
    return seen;
}

}  // namespace velmora::testing
