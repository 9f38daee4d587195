// The water and glow effects beyond their golden images: the ripple step and the splash child.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "core/random.h"
#include "effects/quiver.h"
#include "effects/splash.h"
#include "effects/waveeffect.h"
#include "effects/wobble.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/script_builder.h"

namespace velmora {
namespace {

// Primitives caught in feedback mode: each with its vertex count and its first vertex's
// window position and colour.
struct FeedbackPrimitive {
    int token;
    int vertices;
    float x, y;
    float colour[4];
};

template <class Draw>
std::vector<FeedbackPrimitive> feedback(Draw draw)
{
    std::vector<GLfloat> buffer(1 << 21);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const int used = glRenderMode(GL_RENDER);
    std::vector<FeedbackPrimitive> out;
    for (int i = 0; i < used;) {
        const int token = static_cast<int>(buffer[i++]);
        int n = 0;
        if (token == GL_POLYGON_TOKEN)
            n = static_cast<int>(buffer[i++]);
        else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN)
            n = 2;
        else if (token == GL_POINT_TOKEN)
            n = 1;
        else {
            ++i;
            continue;
        }
        out.push_back({token, n, buffer[i], buffer[i + 1], {buffer[i + 3], buffer[i + 4], buffer[i + 5], buffer[i + 6]}});
        i += 7 * n;
    }
    return out;
}

// ---- splash ----

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
    splash.load();
    splash.surface->current = 1;
    splash.handleElement(node.get());
    const auto& ring = splash.surface->buffers[0];
    EXPECT_EQ(ring[64 * 128 + 84], -15);  // angle 0: row 64, column 84
    EXPECT_EQ(ring[83 * 128 + 64], -15);  // about 90 degrees: row trunc(83.99...)
    EXPECT_EQ(ring[64 * 128 + 64], 0);    // the centre stays calm
    int cells = 0;
    for (int16_t h : ring) cells += h == -15;
    EXPECT_GT(cells, 100);
    EXPECT_LE(cells, 360);
    for (int16_t h : splash.surface->buffers[1]) EXPECT_EQ(h, 0);
}

using SplashRenderTest = testing::GLTest;

// ---- quiver ----

using QuiverTest = testing::GLTest;

// ---- wobble ----

using WobbleTest = testing::GLTest;

// ---- waveeffect ----

using WaveEffectTest = testing::GLTest;

}  // namespace
}  // namespace velmora
