// The water of the `splash` effect beyond its golden images: the ripple step and the splash
// child.
#include <gtest/gtest.h>

#include <algorithm>

#include "effects/splash.h"
#include "tests/support/script_builder.h"

namespace velmora {
namespace {

TEST(WaterSurfaceTest, RippleStepSpreadsAndDampsOnlyNegativeHeights)
{
    WaterSurface water(8, 8);
    water.at(0, 4, 4) = 100;
    water.at(1, 3, 4) = 10;  // the older buffer takes part in the step
    water.step();
    ASSERT_EQ(water.current, 1);
    EXPECT_EQ(water.at(1, 4, 3), 50);  // (100 >> 1) - 0
    EXPECT_EQ(water.at(1, 3, 4), 40);  // 50 - 10, positive: no damping
    EXPECT_EQ(water.at(1, 4, 4), 0);
    water.step();
    EXPECT_EQ(water.current, 0);
    EXPECT_EQ(water.at(0, 4, 4), (50 + 50 + 40 + 50) / 2 - 100 + 1);  // -5, damped by one
    WaterSurface negative(8, 8);
    negative.at(0, 4, 4) = -7;
    negative.step();
    EXPECT_EQ(negative.at(1, 4, 3), -4 + 1);  // -7 >> 1 = -4 (arithmetic), then + 1
    // Borders are never written.
    WaterSurface edge(4, 4);
    edge.buffers[0].assign(16, 300);
    edge.buffers[1].assign(16, 7);
    edge.step();
    EXPECT_EQ(edge.at(1, 0, 0), 7);
    EXPECT_EQ(edge.at(1, 3, 1), 7);
    EXPECT_EQ(edge.at(1, 1, 1), 600 - 7);
    edge.buffers[1].assign(16, -32000);  // 600 + 32000 wraps in 16 bits
    edge.current = 0;
    edge.step();
    EXPECT_EQ(edge.at(1, 2, 2), static_cast<int16_t>(32600));
    WaterSurface flat(2, 2);
    flat.step();
    EXPECT_EQ(flat.current, 1);
}

TEST(SplashTest, ChildElementDropsARingIntoBufferZero)
{
    Splash splash;
    auto node = testing::element("water");
    testing::addChild(*node, "splash");
    splash.handleElement(node.get());  // before load: no surface, nothing happens
    splash.update(1);
    EXPECT_EQ(splash.water(), nullptr);
    splash.load();
    splash.update(1);  // buffer 1 is now the current one
    splash.handleElement(node.get());
    const WaterSurface& water = *splash.water();
    EXPECT_EQ(water.at(0, 84, 64), -15);  // angle 0: row 64, column 84
    EXPECT_EQ(water.at(0, 64, 83), -15);  // about 90 degrees: row trunc(83.99...)
    EXPECT_EQ(water.at(0, 64, 64), 0);    // the centre stays calm
    const auto cells = std::count(water.buffers[0].begin(), water.buffers[0].end(), -15);
    EXPECT_GT(cells, 100);
    EXPECT_LE(cells, 360);
    EXPECT_EQ(std::count(water.buffers[1].begin(), water.buffers[1].end(), 0), Splash::kSize * Splash::kSize);
}

}  // namespace
}  // namespace velmora
