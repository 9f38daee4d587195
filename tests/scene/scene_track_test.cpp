// Animation curves: tangent types, segment evaluation, hold and repeat outside the keys.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

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

// Values at chosen times: segments of each key type, hold and repeat outside the keys, and the
// cached segment followed back and forth (the times of a case are evaluated in order).
TEST(Track, EvaluatesSegmentsAndBehavioursOutsideTheKeys)
{
    const struct {
        const char* what;
        std::vector<TrackKey> keys;
        uint32_t pre, post;
        std::vector<std::pair<float, float>> values;  // time, value
    } cases[] = {
        {"linear", {{0, 0, 2, 2}, {10, 10, 2, 2}}, 0, 0, {{5, 5}, {2.5f, 2.5f}}},
        {"type 5 is linear", {{0, 0, 5, 5}, {10, 10, 5, 5}}, 0, 0, {{5, 5}}},
        // Step keys hold until the next key; going back after the last key rebuilds the segment.
        {"step", {{0, 0, 1, 1}, {10, 10, 1, 1}}, 0, 0,
         {{0, 0}, {0.001f, 0}, {5, 0}, {9.999f, 0}, {10, 10}, {1e6f, 10}, {3, 0}}},
        {"repeat before", {{0, 0, 2, 2}, {100, 100, 2, 2}}, 2, 0, {{-30, 70}, {-230, 70}, {-2000, 0}}},
        {"hold", {{0, 0, 2, 2}, {100, 100, 2, 2}}, 7, 0, {{-30, 0}, {-2000, 0}, {250, 100}}},
        {"repeat after", {{10, 0, 2, 2}, {20, 10, 2, 2}}, 0, 2, {{25, 5}, {43, 3}, {30, 10}}},
        {"-2000 without repeat", {{0, 4, 4, 4}, {30, -1, 1, 1}}, 0, 0, {{-2000, 4}}},
        {"-2000 repeating", {{0, 4, 2, 2}, {30, -1, 2, 2}}, 2, 2, {{-2000, 2.333333f}}},  // -2000 + 67 * 30 = 10
        {"single key", {{5, 3, 4, 4}}, 2, 2, {{-2000, 3}, {0, 3}, {5, 3}, {6, 3}, {1e9f, 3}}},
        {"cached segment", {{0, 0, 2, 2}, {10, 10, 2, 2}, {20, 0, 2, 2}, {30, 30, 2, 2}}, 0, 0,
         {{1, 1}, {12, 8}, {25, 15}, {29, 27}, {3, 3}, {21, 3}, {15, 5}}},
        // Unevenly spaced smooth keys on a straight line: both tangents of the middle key follow it.
        {"smooth line", {{0, 0, 4, 4}, {10, 10, 4, 4}, {30, 30, 4, 4}}, 0, 0, {{5, 5}, {15, 15}, {20, 20}, {25, 25}}},
        {"flat middle", {{0, 0, 3, 3}, {10, 10, 3, 3}}, 0, 0, {{5, 5}}},
        {"smooth peak", {{0, 0, 4, 4}, {10, 10, 4, 4}, {20, 0, 4, 4}}, 0, 0, {{10, 10}}},
    };
    for (const auto& c : cases) {
        Track track;
        for (const TrackKey& key : c.keys)
            track.addKey(key);
        track.preBehaviour = c.pre;
        track.postBehaviour = c.post;
        track.computeTangents();
        for (const auto& [time, value] : c.values)
            EXPECT_NEAR(track.evaluate(time), value, 1e-3f) << c.what << " at " << time;
        EXPECT_FLOAT_EQ(track.value, track.evaluate(7.0f)) << c.what;
        EXPECT_FLOAT_EQ(track.lastTime, 7.0f) << c.what;
    }
    Track far = makeTrack({{10, 0, 2, 2}, {20, 10, 2, 2}}, 0, 2);
    const float value = far.evaluate(3.0e38f);
    EXPECT_GE(value, 0.0f);
    EXPECT_LE(value, 10.0f);
    far.evaluate(NAN);  // must not hang or read outside the keys
    Track same = makeTrack({{0, 0, 2, 2}, {5, 1, 2, 2}, {5, 7, 2, 2}, {10, 3, 2, 2}});  // keys at one time
    for (float t = 0; t <= 10; t += 0.5f)
        EXPECT_TRUE(std::isfinite(same.evaluate(t))) << t;
}

TEST(Track, TangentsOfSmoothFlatAndSingleKeys)
{
    // Smooth keys peak at the middle key, symmetrically; the end tangents point along their
    // neighbouring interval, normalised.
    Track smooth = makeTrack({{0, 0, 4, 4}, {10, 10, 4, 4}, {20, 0, 4, 4}});
    EXPECT_FLOAT_EQ(smooth.tangents[1].inDv, 0.0f);
    EXPECT_FLOAT_EQ(smooth.tangents[1].outDv, 0.0f);
    EXPECT_LT(smooth.evaluate(9), 10.0f);
    EXPECT_NEAR(smooth.evaluate(9), smooth.evaluate(11), 1e-3f);
    EXPECT_NEAR(smooth.tangents[0].outDt, std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(smooth.tangents[0].outDv, std::sqrt(0.5f), 1e-6f);
    // Flat tangents ease in and out; the end keys' outer tangents are (0, 0).
    Track flat = makeTrack({{0, 0, 3, 3}, {10, 10, 3, 3}});
    EXPECT_LT(flat.evaluate(1), 1.0f);
    EXPECT_GT(flat.evaluate(9), 9.0f);
    EXPECT_FLOAT_EQ(flat.tangents[0].inDt, 0.0f);
    EXPECT_FLOAT_EQ(flat.tangents[1].outDt, 0.0f);
    Track single = makeTrack({{5, 3, 4, 4}}, 2, 2);
    ASSERT_EQ(single.tangents.size(), 1u);
    EXPECT_FLOAT_EQ(single.tangents[0].inDt, 1.0f);
    EXPECT_FLOAT_EQ(single.tangents[0].outDv, 0.0f);
}

}  // namespace
}  // namespace velmora
