// Writing a fresh show folder (`--new`, `--unpack`): every file is new, nothing is written
// through a symbolic link or outside the folder, and a folder is never left half-made.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

struct ShowFolderFile {
    std::string path;            // below the folder, "/"-separated: "data/textures/glow.tga"
    std::vector<uint8_t> bytes;  // the whole file
};

// Writes `files` below `folder` (created, with its parents, when missing). Refuses, writing
// nothing, when a file exists already at one of the paths (a dangling link counts), when a
// folder on the way is a symbolic link or no folder, or when a path is absolute or climbs out
// with "..". When writing fails part-way, removes what this call created. False with one line
// in `error` naming the file and saying what was left behind.
bool writeShowFolder(const std::string& folder, const std::vector<ShowFolderFile>& files, std::string& error);

}  // namespace velmora
