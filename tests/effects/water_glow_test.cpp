// The water and glow effects beyond their golden images: the ripple step and the splash child.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <memory>
#include <string>
#include <vector>

#include "core/random.h"
#include "effects/quiver.h"
#include "effects/splash.h"
#include "effects/waveeffect.h"
#include "effects/wobble.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/image_files.h"
#include "tests/support/script_builder.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

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

// ---- the optional texture of all four ----

using OverlayTextureTest = testing::GLTest;

// A script may name a texture for each overlay; it is loaded with the effect, bound for its
// drawing and freed by unload. Without one the overlay binds nothing, as before: here, with no
// texture bound, it draws in its plain colours.
TEST_F(OverlayTextureTest, EachOverlayDrawsWithTheTextureItsScriptNames)
{
    testing::TempDataDir data;
    data.write("data/textures/red.tga", testing::solidTga24(8, 8, 255, 0, 0));
    struct Case {
        const char* type;
        std::unique_ptr<Effect> (*make)();
        OverlayTexture& (*texture)(Effect&);
    };
    const Case cases[] = {
        {"splash", [] { return std::unique_ptr<Effect>(new Splash); },
         [](Effect& e) -> OverlayTexture& { return static_cast<Splash&>(e).texture; }},
        {"quiver", [] { return std::unique_ptr<Effect>(new Quiver); },
         [](Effect& e) -> OverlayTexture& { return static_cast<Quiver&>(e).texture; }},
        {"wobble", [] { return std::unique_ptr<Effect>(new Wobble); },
         [](Effect& e) -> OverlayTexture& { return static_cast<Wobble&>(e).texture; }},
        {"waveeffect", [] { return std::unique_ptr<Effect>(new WaveEffect); },
         [](Effect& e) -> OverlayTexture& { return static_cast<WaveEffect&>(e).texture; }},
    };
    std::vector<uint8_t> frame(kWidth * kHeight * 4);
    for (const Case& c : cases)
        for (bool named : {false, true}) {
            SCOPED_TRACE(std::string(c.type) + (named ? " with red.tga" : " without a texture"));
            std::unique_ptr<Effect> effect = c.make();
            auto node = named ? testing::element(c.type, {{"texture", "red.tga"}}) : testing::element(c.type);
            effect->handleElement(node.get());
            effect->load();
            EXPECT_EQ(c.texture(*effect).loaded(), named);
            glBindTexture(GL_TEXTURE_2D, 0);
            glClearColor(0, 0, 0, 0);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glColor3f(1, 1, 1);
            glPushAttrib(GL_ALL_ATTRIB_BITS);  // as the timeline brackets every effect
            effect->render();
            glPopAttrib();
            glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
            int red = 0, other = 0;  // pixels lit in red only, pixels lit in green or blue
            for (size_t i = 0; i < frame.size(); i += 4) {
                red += frame[i] > 0 && frame[i + 1] == 0 && frame[i + 2] == 0;
                other += frame[i + 1] > 0 || frame[i + 2] > 0;
            }
            EXPECT_GT(named ? red : other, 50);
            if (named) {
                EXPECT_EQ(other, 0);
            }
            effect->unload();
            EXPECT_FALSE(c.texture(*effect).loaded());
        }
}

}  // namespace
}  // namespace velmora
