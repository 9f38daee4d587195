// Temporary data folders for tests that load files by logical name.
#include "tests/support/temp_data_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "resources/data_source.h"

namespace velmora::testing {

TempDataDir::TempDataDir()
{
    std::random_device seed;
    root_ = std::filesystem::temp_directory_path() / ("velmora-test-" + std::to_string(seed()));
    std::filesystem::create_directories(root_ / "data");
    std::string error;
    EXPECT_TRUE(useDataPath(root_.c_str(), error)) << error;
}

TempDataDir::~TempDataDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

void TempDataDir::write(const std::string& archivePath, const std::vector<uint8_t>& bytes) const
{
    const auto path = root_ / archivePath;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void TempDataDir::write(const std::string& archivePath, const std::string& text) const
{
    write(archivePath, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace velmora::testing
