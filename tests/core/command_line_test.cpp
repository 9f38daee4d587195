// The player's command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/command_line.h"

namespace velmora {
namespace {

CommandLine parse(std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), "velmora");
    return parseCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

TEST(CommandLine, ScriptNameAndOptions)
{
    const CommandLine plain = parse({});
    EXPECT_EQ(plain.action, CommandLine::Action::Run);
    EXPECT_EQ(plain.script, "script.txt");
    EXPECT_TRUE(plain.dataPath.empty());
    EXPECT_EQ(plain.run.output, RunOptions::Output::Automatic);
    EXPECT_FALSE(plain.run.stats);

    const CommandLine full = parse({"--data", "/tmp/show", "intro.txt", "--headless", "--capture", "out",
                                    "--fps", "30", "--duration", "2.5", "--size", "320x200", "--windowed"});
    ASSERT_EQ(full.action, CommandLine::Action::Run) << full.error;
    EXPECT_EQ(full.script, "intro.txt");
    EXPECT_EQ(full.dataPath, "/tmp/show");
    EXPECT_EQ(full.run.output, RunOptions::Output::Headless);
    EXPECT_EQ(full.run.captureTarget, "out");
    EXPECT_EQ(full.run.captureFps, 30);
    EXPECT_DOUBLE_EQ(full.run.durationSeconds.value_or(0), 2.5);
    EXPECT_EQ(full.run.width.value_or(0), 320);
    EXPECT_EQ(full.run.height.value_or(0), 200);
    EXPECT_EQ(full.run.fullscreen, std::optional<bool>(false));

    EXPECT_EQ(parse({"--fullscreen"}).run.fullscreen, std::optional<bool>(true));
    EXPECT_TRUE(parse({"--stats", "x"}).run.stats);
    EXPECT_NE(std::string(usageText()).find("--stats"), std::string::npos);
    EXPECT_EQ(parse({"x.txt", "--help"}).action, CommandLine::Action::Help);
    EXPECT_EQ(parse({"--version"}).action, CommandLine::Action::Version);

    // A capture steps the show about as a viewer at 60 frames a second sees it, unless told.
    const struct {
        std::vector<const char*> arguments;
        int fps, stepFps;
    } rates[] = {
        {{}, 60, 60},
        {{"--fps", "5"}, 5, 60},
        {{"--fps", "25"}, 25, 75},
        {{"--fps", "7"}, 7, 63},
        {{"--fps", "120"}, 120, 120},
        {{"--fps", "5", "--step-fps", "5"}, 5, 5},
        {{"--step-fps", "240", "--fps", "30"}, 30, 240},
    };
    for (const auto& rate : rates) {
        const CommandLine line = parse(rate.arguments);
        ASSERT_EQ(line.action, CommandLine::Action::Run) << line.error;
        EXPECT_EQ(line.run.captureFps, rate.fps);
        EXPECT_EQ(line.run.captureStepFps(), rate.stepFps) << rate.fps;
    }
    // From one frame to a day of show.
    EXPECT_EQ(parse({"--fps", "5", "--duration", "0.2"}).action, CommandLine::Action::Run);
    EXPECT_EQ(parse({"--fps", "1", "--duration", "86400"}).action, CommandLine::Action::Run);

    const CommandLine author = parse({"--data", "dir", "--start", "12.5", "--loop", "--watch", "--no-vsync"});
    ASSERT_EQ(author.action, CommandLine::Action::Run) << author.error;
    EXPECT_DOUBLE_EQ(author.run.startSeconds, 12.5);
    EXPECT_TRUE(author.run.loop && author.run.watch && !author.run.vsync);
    EXPECT_EQ(author.run.dataFolder, "dir");
    EXPECT_TRUE(plain.run.vsync);
    const CommandLine fresh = parse({"--new", "myshow"});
    EXPECT_EQ(fresh.action, CommandLine::Action::NewShow);
    EXPECT_EQ(fresh.newShowFolder, "myshow");
    const CommandLine unpack = parse({"--unpack", "builtin"});
    EXPECT_EQ(unpack.action, CommandLine::Action::Unpack);
    EXPECT_EQ(unpack.unpackFolder, "builtin");
}

TEST(CommandLine, BadArgumentsAreErrors)
{
    const std::vector<std::vector<const char*>> bad = {
        {"--bogus"}, {"-h"}, {"--data"}, {"--fps", "0"}, {"--fps", "12x"}, {"--duration", "-1"},
        {"--duration", "inf"}, {"--size", "640"}, {"--size", "x480"}, {"--size", "640x0"},
        {"a.txt", "b.txt"}, {"--capture", ""}, {"--start", "-1"}, {"--start", "x"}, {"--watch"},
        {"--loop", "--capture", "out"}, {"--new", ""}, {"--unpack", ""},
        {"--unpack", "out", "--data", "show"},
        // A frame count that would wrap or hold no frame, and steps that do not divide into frames.
        {"--duration", "1e300"}, {"--duration", "2147483649.5"}, {"--duration", "1e-9"},
        {"--fps", "5", "--duration", "0.09"}, {"--fps", "30", "--step-fps", "45"}, {"--step-fps", "0"},
        {"--step-fps", "6001"},
    };
    for (const auto& arguments : bad) {
        const CommandLine line = parse(arguments);
        EXPECT_EQ(line.action, CommandLine::Action::Error) << arguments[0];
        EXPECT_FALSE(line.error.empty());
    }
    // A refused duration names the range that can be captured.
    EXPECT_EQ(parse({"--fps", "4", "--duration", "1e-9"}).error,
              "--duration at 4 frames a second needs 0.25 to 86400 seconds");
    EXPECT_EQ(parse({"--duration", "1e300"}).error, "--duration needs a number of seconds up to 86400");
    const std::string longName(256, 's');
    EXPECT_EQ(parse({longName.c_str()}).action, CommandLine::Action::Error);
    EXPECT_EQ(parse({std::string(255, 's').c_str()}).action, CommandLine::Action::Run);
}

}  // namespace
}  // namespace velmora
