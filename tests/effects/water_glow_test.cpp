// The water, glow, ribbon and wave-line effects: splash, quiver, wobble, waveeffect.
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

TEST_F(SplashRenderTest, DrawsTheGridAndSpins)
{
    Splash splash;
    splash.render();  // before load: nothing
    EXPECT_EQ(pixel(320, 240)[0], 0);
    splash.load();
    const float angle = Splash::splashAngle;
    glColor3f(0.5f, 0.5f, 0.5f);
    const auto quads = feedback([&] { splash.render(); });
    EXPECT_EQ(Splash::splashAngle, angle + 1);
    EXPECT_GT(quads.size(), 2000u);  // the near part of the 126 x 126 quads is in view
    glColor3f(0.5f, 0.5f, 0.5f);
    splash.render();
    EXPECT_GT(pixel(320, 200)[0], 100);
}

// ---- quiver ----

TEST(QuiverColours, HlsRoundTripAndKnownValues)
{
    float h, l, s;
    rgbToHls(1, 0, 0, h, l, s);
    EXPECT_FLOAT_EQ(h, 0);
    EXPECT_FLOAT_EQ(l, 0.5f);
    EXPECT_FLOAT_EQ(s, 1);
    rgbToHls(0, 0, 1, h, l, s);
    EXPECT_FLOAT_EQ(h, 4.0f / 6);
    rgbToHls(0.3f, 0.3f, 0.3f, h, l, s);
    EXPECT_EQ(s, 0);
    rgbToHls(2, -1, 0, h, l, s);  // inputs limited to 0..1: pure red
    EXPECT_FLOAT_EQ(l, 0.5f);
    // Hues below 0 (red largest, blue above green) are not wrapped, so the way back limits
    // them to 0: such a colour loses its blue tint.
    rgbToHls(0.6f, 0.1f, 0.4f, h, l, s);
    EXPECT_LT(h, 0);
    float r, g, b;
    hlsToRgb(h, l, s, r, g, b);
    EXPECT_NEAR(r, 0.6f, 1e-5);
    EXPECT_NEAR(b, 0.1f, 1e-5);
    const float colours[][3] = {{0.2f, 0.5f, 0.9f}, {0.9f, 0.7f, 0.1f}, {0.6f, 0.4f, 0.1f},
                                {0.05f, 0.8f, 0.3f}, {0.7f, 0.7f, 0.2f}, {0.25f, 0.25f, 0.25f}};
    for (const auto& c : colours) {
        rgbToHls(c[0], c[1], c[2], h, l, s);
        hlsToRgb(h, l, s, r, g, b);
        EXPECT_NEAR(r, c[0], 1e-5);
        EXPECT_NEAR(g, c[1], 1e-5);
        EXPECT_NEAR(b, c[2], 1e-5);
    }
}

using QuiverTest = testing::GLTest;

TEST_F(QuiverTest, ParticlesDrawNineRandomNumbersEachAndDiscsHave63Triangles)
{
    Quiver quiver;
    auto node = testing::element("q", {{"num", "2"}});
    quiver.handleElement(node.get());
    seedRandom(1);
    quiver.load();
    ASSERT_EQ(quiver.particles.size(), 2u);
    const int next = nextRandom();
    seedRandom(1);
    for (int i = 0; i < 18; ++i) nextRandom();
    EXPECT_EQ(nextRandom(), next);
    seedRandom(1);
    EXPECT_FLOAT_EQ(quiver.particles[0].x, (nextRandom() % 1000) * 0.001f - 0.5f);
    for (const GlowParticle& p : quiver.particles) {
        EXPECT_LE(p.red, 0.1f);  // colours are dimmed to a tenth
        EXPECT_GE(p.phase, -3.2f);
        EXPECT_LE(p.phase, 3.2f);
    }

    node = testing::element("q", {{"num", "1"}});
    quiver.handleElement(node.get());
    quiver.load();
    quiver.particles[0].phase = 1.2f;  // a disc of visible size
    const auto triangles = feedback([&] { quiver.render(); });
    EXPECT_EQ(triangles.size(), 63u);

    node = testing::element("q", {{"num", "0"}, {"speed", "2"}});
    quiver.handleElement(node.get());
    quiver.load();
    const float before = quiver.quiverTime;
    EXPECT_TRUE(feedback([&] { quiver.render(); }).empty());
    quiver.update(3);
    EXPECT_FLOAT_EQ(quiver.quiverTime, before + 6);
}

// ---- wobble ----

using WobbleTest = testing::GLTest;

TEST_F(WobbleTest, RibbonChangesPerFrameUnlessSpeedIsZero)
{
    auto frame = [&](Wobble& wobble) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        wobble.render();
        glFinish();
        return context->pixels();
    };
    Wobble still;
    auto node = testing::element("w", {{"speed", "0"}});
    still.handleElement(node.get());
    const auto first = frame(still);
    EXPECT_EQ(frame(still), first);
    EXPECT_GT(still.quadsDrawn, 600);
    int lit = 0;
    for (size_t i = 0; i < first.size(); i += 4) lit += first[i] > 0;
    EXPECT_GT(lit, 1000);
    EXPECT_EQ(still.pc, still.pb);

    Wobble moving;
    const auto a = frame(moving);
    EXPECT_NE(frame(moving), a);
    EXPECT_EQ(moving.pc, 0);  // pc restarts from pb every frame
    EXPECT_NEAR(moving.pa, 2 * moving.quadsDrawn * 0.01f + 0.02f, 0.05f);  // pa keeps drifting
}

// ---- waveeffect ----

TEST(WaveEffectMath, CubicInterpolationMeetsItsPoints)
{
    EXPECT_FLOAT_EQ(cubicInterpolate(3, 1, 2, 7, 0), 1);
    EXPECT_FLOAT_EQ(cubicInterpolate(3, 1, 2, 7, 1), 2);
    EXPECT_FLOAT_EQ(cubicInterpolate(0, 1, 2, 3, 0.5f), 1.5f);  // straight line stays straight
}

using WaveEffectTest = testing::GLTest;

TEST_F(WaveEffectTest, FourLinesEachWithBaselineInTheirOrder)
{
    WaveEffect wave;
    wave.render();  // before load: nothing
    wave.load();
    auto node = testing::element("w", {{"speed", "2"}});
    wave.handleElement(node.get());
    wave.update(1);
    EXPECT_FLOAT_EQ(wave.waveTime, 0.2f);
    const auto lines = feedback([&] { wave.render(); });
    ASSERT_EQ(lines.size(), 4u * 256);
    const float colours[4][3] = {{0.2074074f, 0.26666668f, 0.2962963f},
                                 {0.35555556f, 0.35555556f, 0.42222223f},
                                 {0.6f, 0.46666667f, 0.6f},
                                 {1.0f, 0.6f, 0.8f}};
    for (int k = 0; k < 4; ++k) {
        const FeedbackPrimitive& baseline = lines[k * 256];
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(baseline.colour[c], colours[k][c], 1e-6);
        EXPECT_NEAR(baseline.x, 0, 0.01);  // from the left edge along the middle row
        EXPECT_NEAR(baseline.y, kHeight / 2.0f, 0.01);
        EXPECT_NEAR(lines[k * 256 + 1].x, 0, 0.01);  // then the curve from the left edge
        EXPECT_NEAR(lines[k * 256 + 255].colour[0], colours[k][0], 1e-6);
    }
    // The newest line (time T) is drawn last: its curve is the one built for waveTime cut to 0.16.
    wave.buildLine(0.16f);
    EXPECT_NEAR(lines[3 * 256 + 1].y, kHeight / 2.0f * (1 + wave.line[0]), 0.01);
}

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
            if (named)
                EXPECT_EQ(other, 0);
            effect->unload();
            EXPECT_FALSE(c.texture(*effect).loaded());
        }
}

}  // namespace
}  // namespace velmora
