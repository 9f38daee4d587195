// Module positions to seconds: a song whose tempo and speed change and which jumps over part of
// a pattern.
#include "audio/module_times.h"

#include <gtest/gtest.h>

#include "tools/soundtrack/xm_writer.h"

namespace velmora {
namespace {

using namespace soundtrack;

// Orders 0, 1, 2, 0 (speed 6, 125 BPM: 0.12 s a row). Pattern 1 (32 rows) sets 250 BPM at row 0
// (0.06 s) and speed 3 at row 16 (0.03 s); pattern 2 (16 rows) jumps to order 3 at row 4.
std::vector<uint8_t> tempoChangingSong() {
    Song song;
    song.channels = 2;
    Instrument click;
    click.sample = {1000, -1000};
    song.instruments.push_back(click);
    for (int rows : {64, 32, 16}) {
        Pattern p;
        p.rows = rows;
        p.cells.resize(size_t(rows) * song.channels);
        song.patterns.push_back(p);
    }
    song.orders = {0, 1, 2, 0};
    song.at(1, 0, 0) = {0, 0, 0, 0xF, 250};
    song.at(1, 16, 0) = {0, 0, 0, 0xF, 3};
    song.at(2, 4, 1) = {0, 0, 0, 0xB, 3};
    return writeXm(song);
}

TEST(ModuleTimes, PositionsFollowTheSongsTempoSpeedAndJumps) {
    const std::vector<uint8_t> bytes = tempoChangingSong();
    auto times = ModuleTimes::open(bytes.data(), uint32_t(bytes.size()));
    ASSERT_TRUE(times);
    constexpr double kNever = -1;
    struct Case {
        int order, row;
        double seconds;
    };
    const Case cases[] = {
        {0, 0, 0},     {0, 32, 3.84},  {0, 63, 7.56},           // 0.12 s a row
        {1, 0, 7.68},  {1, 16, 8.64},                            // 250 BPM: 0.06 s
        {1, 31, 9.09}, {2, 0, 9.12},   {2, 4, 9.24},            // speed 3: 0.03 s
        {3, 0, 9.27},  {3, 10, 9.57},                            // after the jump, same tempo
        {2, 5, kNever}, {2, 15, kNever},                         // jumped over
        {4, 0, kNever}, {-1, 0, kNever}, {1, 32, kNever}, {0, -1, kNever},  // no such position
    };
    for (const Case& c : cases) {
        const auto seconds = times->secondsAt(c.order, c.row);
        if (c.seconds == kNever)
            EXPECT_FALSE(seconds) << c.order << "/" << c.row << ": " << seconds.value_or(0);
        else
            EXPECT_NEAR(seconds.value_or(-100), c.seconds, 1e-6) << c.order << "/" << c.row;
    }
    // Asking twice, in any order, gives the same answer.
    EXPECT_NEAR(times->secondsAt(1, 16).value_or(-100), 8.64, 1e-6);

    const uint8_t noise[64] = {1, 2, 3};
    EXPECT_FALSE(ModuleTimes::open(noise, sizeof noise));
    EXPECT_FALSE(ModuleTimes::open(nullptr, 0));
}

}  // namespace
}  // namespace velmora
