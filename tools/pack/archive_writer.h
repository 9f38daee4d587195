// Writes RAR 2.0 archives: marker, main header, and one file header per entry with its data.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/pack/rar_encoder.h"

namespace velmora::pack {

struct SourceEntry {
    std::string name;  // archive name with backslashes, e.g. "data\textures\stars.bmp"
    bool directory = false;
    std::vector<uint8_t> data;
    uint32_t dosTime = 0;  // MS-DOS date and time
};

// The whole file (below 4 GB) into `data`; false with "cannot read PATH" in `error`.
bool readFile(const std::filesystem::path& path, std::vector<uint8_t>& data, std::string& error);

// Entries for `path` (a file, or a directory with everything below it, each directory before
// its contents, names sorted). Relative paths keep their spelling; an absolute path is named
// from its last component. Links are followed, each under its own name, while they lead inside
// `path`; links that lead outside it, nowhere, or back into a folder that holds them, and special
// files (pipes, sockets, devices), are left out, each with a line "PATH: reason" in `skipped`.
// False with a reason when something cannot be read.
bool collectEntries(const std::string& path, std::vector<SourceEntry>& entries, std::vector<std::string>& skipped,
                    std::string& error);
// The same, the entries named from `name` instead ("data" for a show's data folder anywhere).
bool collectEntries(const std::string& path, const std::string& name, std::vector<SourceEntry>& entries,
                    std::vector<std::string>& skipped, std::string& error);

// The archive bytes: method 0x35 (0x30 when `store`), UnpVer 20, header CRCs filled in.
std::vector<uint8_t> buildArchive(const std::vector<SourceEntry>& entries, bool store,
                                  const PackOptions& options = {});

// A solid archive: directories and empty files (stored) first, then the other files from small
// to large, packed as one stream in which each file continues the one before it.
std::vector<uint8_t> buildSolidArchive(const std::vector<SourceEntry>& entries, const PackOptions& options = {});

}  // namespace velmora::pack
