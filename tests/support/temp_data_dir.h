// A temporary data folder laid out like the archive (DIR/data/textures/..., DIR/data/music/...),
// made the current data source for the life of the object.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace velmora::testing {

class TempDataDir {
public:
    TempDataDir();   // creates the folder and selects it as the data source
    ~TempDataDir();  // removes it

    // Writes a file at `archivePath`, e.g. "data/textures/STARS.BMP".
    void write(const std::string& archivePath, const std::vector<uint8_t>& bytes) const;
    void write(const std::string& archivePath, const std::string& text) const;

    const std::filesystem::path& root() const { return root_; }

private:
    std::filesystem::path root_;
};

}  // namespace velmora::testing
