// The built player with a show attached by velmora-pack bundle: it plays the attached show, --data
// still wins over it, and a damaged or cut-short attachment ends the run with one line and
// status 1 before anything is played.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/run_command.h"
#include "tests/support/temp_data_dir.h"
#include "tools/pack/show_bundler.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

// A blank show whose load lines name `effect`.
std::string blankShow(const std::string& effect)
{
    return "<demo><create></create><add type=\"clear\" name=\"loader\"></add><add type=\"clear\" name=\"" + effect +
           "\"></add><load effect=\"loader\"></load><run></run></demo>";
}

TEST(BundlePlay, AttachedShowPlaysDataWinsDamageEndsTheRun)
{
    const fs::path player = fs::path(VELMORA_BINARY_DIR) / "velmora";
    if (!fs::exists(player))
        GTEST_SKIP() << "player not built in " << VELMORA_BINARY_DIR;
    testing::TempDataDir show;
    show.write("data/script.txt", blankShow("attachedshow"));
    const fs::path bundle = show.root() / "bundle";
    pack::BundleRequest request{show.root(), bundle, player, false};
    std::string summary;
    std::vector<std::string> skipped;
    std::string error;
    ASSERT_TRUE(pack::bundleShow(request, summary, skipped, error)) << error;

    const std::string capture =
        " --headless --fps 10 --duration 0.1 --capture '" + (show.root() / "frames").string() + "'";
    std::string output;
    ASSERT_EQ(testing::runCommand("'" + bundle.string() + "'" + capture, output), 0) << output;
    EXPECT_NE(output.find("[attachedshow][clear]"), std::string::npos) << output;

    // --data names another show: the attachment is not even looked at.
    testing::TempDataDir other;
    other.write("data/script.txt", blankShow("datashow"));
    output.clear();
    ASSERT_EQ(testing::runCommand("'" + bundle.string() + "' --data '" + other.root().string() + "'" + capture, output),
              0)
        << output;
    EXPECT_NE(output.find("[datashow][clear]"), std::string::npos) << output;
    EXPECT_EQ(output.find("attachedshow"), std::string::npos) << output;

    // A byte of the archive changed, then the file cut short: one line each, status 1.
    const uintmax_t size = fs::file_size(bundle);
    {
        std::fstream file(bundle, std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(std::streamoff(size - 40));
        file.put('\xA5');
    }
    for (const char* damage : {"damaged", "cut short"}) {
        if (std::string(damage) == "cut short")
            fs::resize_file(bundle, size - 10);
        output.clear();
        EXPECT_EQ(testing::runCommand("'" + bundle.string() + "'" + capture, output), 1) << damage;
        EXPECT_NE(output.find(damage), std::string::npos) << output;
        EXPECT_EQ(output.find('\n'), output.size() - 1) << damage << ": one line, and nothing played: " << output;
    }
}

}  // namespace
}  // namespace velmora
