// Animation curves: tangent types, segment evaluation, hold and repeat outside the keys.
#include <gtest/gtest.h>

#include <cmath>

#include "scene/scene_track.h"

namespace velmora {
namespace {

Track makeTrack(std::initializer_list<TrackKey> keys, uint32_t pre = 0, uint32_t post = 0)
{
    Track track;
    for (const TrackKey& key : keys)
        track.addKey(key);
    track.preBehaviour = pre;
    track.postBehaviour = post;
    track.computeTangents();
    return track;
}

TEST(Track, LinearKeysGiveAStraightSegment)
{
    Track track = makeTrack({{0, 0, 2, 2}, {10, 10, 2, 2}});
    EXPECT_NEAR(track.evaluate(5), 5.0f, 1e-4f);
    EXPECT_NEAR(track.evaluate(2.5f), 2.5f, 1e-4f);
    EXPECT_FLOAT_EQ(track.value, track.evaluate(7.0f));
    EXPECT_FLOAT_EQ(track.lastTime, 7.0f);
    // Type 5 is the same as 2.
    Track five = makeTrack({{0, 0, 5, 5}, {10, 10, 5, 5}});
    EXPECT_NEAR(five.evaluate(5), 5.0f, 1e-4f);
}

TEST(Track, StepKeysHoldUntilTheNextKey)
{
    Track track = makeTrack({{0, 0, 1, 1}, {10, 10, 1, 1}});
    for (float t : {0.0f, 0.001f, 5.0f, 9.999f})
        EXPECT_FLOAT_EQ(track.evaluate(t), 0.0f) << t;
    EXPECT_FLOAT_EQ(track.evaluate(10), 10.0f);
    EXPECT_FLOAT_EQ(track.evaluate(1e6f), 10.0f);
    // Going back into the first segment after the last key rebuilds it.
    EXPECT_FLOAT_EQ(track.evaluate(3), 0.0f);
}

TEST(Track, RepeatBeforeTheRangeWrapsByThePeriod)
{
    Track repeat = makeTrack({{0, 0, 2, 2}, {100, 100, 2, 2}}, 2, 0);
    EXPECT_NEAR(repeat.evaluate(-30), 70.0f, 1e-3f);
    EXPECT_NEAR(repeat.evaluate(-230), 70.0f, 1e-3f);
    EXPECT_NEAR(repeat.evaluate(-2000), 0.0f, 1e-3f);  // a whole number of periods
    Track hold = makeTrack({{0, 0, 2, 2}, {100, 100, 2, 2}}, 7, 0);
    EXPECT_FLOAT_EQ(hold.evaluate(-30), 0.0f);
    EXPECT_FLOAT_EQ(hold.evaluate(-2000), 0.0f);
    EXPECT_FLOAT_EQ(hold.evaluate(250), 100.0f);
}

TEST(Track, RepeatAfterTheRangeCyclesAndAHugeTimeStillAnswers)
{
    Track track = makeTrack({{10, 0, 2, 2}, {20, 10, 2, 2}}, 0, 2);
    EXPECT_NEAR(track.evaluate(25), 5.0f, 1e-3f);
    EXPECT_NEAR(track.evaluate(43), 3.0f, 1e-3f);
    EXPECT_FLOAT_EQ(track.evaluate(30), 10.0f);  // lands exactly on the last key
    const float far = track.evaluate(3.0e38f);
    EXPECT_GE(far, 0.0f);
    EXPECT_LE(far, 10.0f);
    track.evaluate(NAN);  // must not hang or read outside the keys
}

TEST(Track, SingleKeyAndZeroPeriodReturnTheKeyEverywhere)
{
    Track single = makeTrack({{5, 3, 4, 4}}, 2, 2);
    for (float t : {-2000.0f, 0.0f, 5.0f, 6.0f, 1e9f})
        EXPECT_FLOAT_EQ(single.evaluate(t), 3.0f) << t;
    ASSERT_EQ(single.tangents.size(), 1u);
    EXPECT_FLOAT_EQ(single.tangents[0].inDt, 1.0f);
    EXPECT_FLOAT_EQ(single.tangents[0].outDv, 0.0f);
}

TEST(Track, SmoothKeysPeakAtTheMiddleKey)
{
    Track track = makeTrack({{0, 0, 4, 4}, {10, 10, 4, 4}, {20, 0, 4, 4}});
    EXPECT_FLOAT_EQ(track.tangents[1].inDv, 0.0f);
    EXPECT_FLOAT_EQ(track.tangents[1].outDv, 0.0f);
    EXPECT_NEAR(track.evaluate(10), 10.0f, 1e-4f);
    EXPECT_LT(track.evaluate(9), 10.0f);
    EXPECT_LT(track.evaluate(11), 10.0f);
    EXPECT_NEAR(track.evaluate(9), track.evaluate(11), 1e-3f);  // symmetric
    // The end tangents point along their neighbouring interval, normalised.
    EXPECT_NEAR(track.tangents[0].outDt, std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(track.tangents[0].outDv, std::sqrt(0.5f), 1e-6f);
    // Unevenly spaced keys on a straight line: both tangents of the middle key follow the line.
    Track line = makeTrack({{0, 0, 4, 4}, {10, 10, 4, 4}, {30, 30, 4, 4}});
    for (float t : {5.0f, 15.0f, 20.0f, 25.0f})
        EXPECT_NEAR(line.evaluate(t), t, 1e-3f) << t;
}

TEST(Track, FlatTangentsEaseInAndOut)
{
    Track track = makeTrack({{0, 0, 3, 3}, {10, 10, 3, 3}});
    EXPECT_NEAR(track.evaluate(5), 5.0f, 1e-3f);
    EXPECT_LT(track.evaluate(1), 1.0f);  // slow start
    EXPECT_GT(track.evaluate(9), 9.0f);  // slow end
    EXPECT_FLOAT_EQ(track.tangents[0].inDt, 0.0f);   // first key: (0, 0)
    EXPECT_FLOAT_EQ(track.tangents[1].outDt, 0.0f);  // last key: (0, 0)
}

TEST(Track, EvaluatingAtMinus2000GivesTheFirstValueUnlessRepeating)
{
    Track track = makeTrack({{0, 4, 4, 4}, {30, -1, 1, 1}});
    EXPECT_FLOAT_EQ(track.evaluate(-2000), 4.0f);
    Track repeat = makeTrack({{0, 4, 2, 2}, {30, -1, 2, 2}}, 2, 2);
    EXPECT_NEAR(repeat.evaluate(-2000), repeat.evaluate(10), 1e-3f);  // -2000 + 67 * 30 = 10
}

TEST(Track, CachedSegmentFollowsTimeBackAndForth)
{
    Track track = makeTrack({{0, 0, 2, 2}, {10, 10, 2, 2}, {20, 0, 2, 2}, {30, 30, 2, 2}});
    const float forward[] = {1, 12, 25, 29, 3, 21, 15};
    const float expected[] = {1, 8, 15, 27, 3, 3, 5};
    for (int i = 0; i < 7; ++i)
        EXPECT_NEAR(track.evaluate(forward[i]), expected[i], 1e-3f) << forward[i];
}

TEST(Track, KeysAtTheSameTimeDoNotDivideByZero)
{
    Track track = makeTrack({{0, 0, 2, 2}, {5, 1, 2, 2}, {5, 7, 2, 2}, {10, 3, 2, 2}});
    for (float t = 0; t <= 10; t += 0.5f)
        EXPECT_TRUE(std::isfinite(track.evaluate(t))) << t;
}

}  // namespace
}  // namespace velmora
