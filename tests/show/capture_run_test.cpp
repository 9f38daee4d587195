// Captures through the built player: one that cannot be made or completed says why and ends with
// a failing status, whatever the show did; and the starter show passes scripts/check-show at its
// default rate, judged as a viewer at 60 frames a second sees it.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "tests/support/run_command.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

// A second of a plain picture, then the show's exit.
constexpr char kShow[] = R"(<demo width="64" height="48" fullscreen="0">
<create></create>
<add type="clear" name="bg"></add>
<bg color="ff204060"></bg>
<event time="0"><draworder effect="bg"></draworder></event>
<event time="1"><exit></exit></event>
<load effect="bg"></load>
<run></run>
</demo>
)";

// Stand-ins for ffmpeg: one that quits at once, one that takes everything and then fails.
constexpr char kQuittingFfmpeg[] = "#!/bin/sh\nexit 1\n";
constexpr char kRefusingFfmpeg[] = "#!/bin/sh\ncat <&0 >/dev/null &\ncat <&3 >/dev/null\nwait\nexit 1\n";

struct CaptureCase {
    const char* name;
    const char* target;    // under the test's folder
    const char* ffmpeg;    // the only program on the PATH: null for none, "" for the real PATH
    const char* options;   // more options
    int status;
    const char* says;      // what the player's output must hold
    const char* absent;    // a path under the test's folder that must not be left, or null
};

const CaptureCase kCases[] = {
    {"frames", "frames", "", "", 0, "capture: 5 frames and audio.wav written", nullptr},
    {"video", "show.mp4", "", "", 0, "capture: video written to", nullptr},
    {"video onto an existing file", "kept.mp4", "", "", 1, "already exists: remove it or name another file", nullptr},
    {"into a file", "taken", "", "", 1, "capture: cannot create the folder", nullptr},
    {"folder under a file", "taken/frames", "", "", 1, "capture: cannot create the folder", nullptr},
    {"video without ffmpeg", "show.mp4", nullptr, "", 1, "capture: ffmpeg not found", "show.mp4"},
    {"video named in capitals", "SHOW.MP4", nullptr, "", 1, "capture: ffmpeg not found", "SHOW.MP4"},
    {"ffmpeg quits", "show.mp4", kQuittingFfmpeg, "", 1, "capture: ffmpeg failed", nullptr},
    {"ffmpeg refuses", "show.mp4", kRefusingFfmpeg, "", 1, "capture: ffmpeg failed: ", nullptr},
    {"start past the end", "late", "", "--start 5", 1,
     "velmora: --start 5 s is past the end of the show (its exit at 1.0", "late"},
};

void PrintTo(const CaptureCase& c, std::ostream* os) { *os << c.name; }

class CaptureRunTest : public ::testing::TestWithParam<CaptureCase> {};

TEST_P(CaptureRunTest, FailuresSayWhyAndEndWithAFailingStatus)
{
    const CaptureCase& c = GetParam();
    const fs::path player = fs::path(VELMORA_BINARY_DIR) / "velmora";
    if (!fs::exists(player))
        GTEST_SKIP() << "player not built";
    testing::TempDataDir show;
    show.write("data/script.txt", std::string(kShow));
    const fs::path root = show.root();
    std::ofstream(root / "taken") << "not a folder";
    std::ofstream(root / "kept.mp4") << "someone's video";

    std::string path = "";
    if (!c.ffmpeg) {
        fs::create_directories(root / "bin");
        path = "PATH='" + (root / "bin").string() + "' ";
    } else if (*c.ffmpeg) {
        fs::create_directories(root / "bin");
        std::ofstream(root / "bin" / "ffmpeg") << c.ffmpeg;
        fs::permissions(root / "bin" / "ffmpeg", fs::perms::owner_all);
        path = "PATH='" + (root / "bin").string() + ":/usr/bin:/bin' ";
    }
    std::string output;
    const int status = testing::runCommand(path + "'" + player.string() + "' --data '" + root.string() +
                                               "' --headless --fps 4 --capture '" + (root / c.target).string() +
                                               "' " + c.options,
                                           output);
    if (output.find("Loading.") == std::string::npos && c.status == 0)
        GTEST_SKIP() << "no offscreen GL context:\n" << output;
    if (output.find("capture: ffmpeg not found") != std::string::npos && c.ffmpeg && !*c.ffmpeg)
        GTEST_SKIP() << "no ffmpeg";
    EXPECT_EQ(status, c.status) << c.name << "\n" << output;
    EXPECT_NE(output.find(c.says), std::string::npos) << c.name << "\n" << output;
    if (c.absent) {
        EXPECT_FALSE(fs::exists(root / c.absent)) << c.name << ": " << c.absent;
    }
    // Files that were there before the capture are never written over.
    std::ifstream kept(root / "kept.mp4");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "someone's video") << c.name;
}

INSTANTIATE_TEST_SUITE_P(Targets, CaptureRunTest, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string name = info.param.name;
    for (char& ch : name)
        ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    return name;
});

// The starter's flashes as a viewer sees them: no washed-out frame at check-show's default rate.
TEST(CheckShowTest, TheStarterShowHasNoWashedOutFrames)
{
    const fs::path player = fs::path(VELMORA_BINARY_DIR) / "velmora";
    if (!fs::exists(player))
        GTEST_SKIP() << "player not built";
    testing::TempDataDir temp;
    const fs::path starter = temp.root() / "starter";
    std::string written, report;
    ASSERT_EQ(testing::runCommand("'" + player.string() + "' --new '" + starter.string() + "'", written), 0)
        << written;
    const int code = testing::runCommand("'" + (fs::path(VELMORA_SOURCE_DIR) / "scripts" / "check-show").string() +
                                             "' --build '" + VELMORA_BINARY_DIR + "' --data '" + starter.string() + "'",
                                         report);
    if (code == 2 || report.find("frames at 5 per second") == std::string::npos)
        GTEST_SKIP() << "check-show cannot run here:\n" << report;
    EXPECT_EQ(code, 0) << report;
    // A flash caught on a frame is listed as brief and not counted; nothing else may be washed out.
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("washed out") != std::string::npos) {
            EXPECT_NE(line.find("not counted"), std::string::npos) << report;
        }
    }
}

}  // namespace
}  // namespace velmora
