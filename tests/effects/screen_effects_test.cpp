// The screen effects clear, flash and fade beyond their golden images: the trail, the flash
// envelope over time, the flash modes, and the matrices they leave.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <memory>

#include "effects/clear.h"
#include "effects/fade.h"
#include "effects/flash.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/script_builder.h"

namespace velmora {
namespace {

using testing::addChild;
using testing::element;

class ScreenEffectsTest : public testing::GLTest {
protected:
    void fill(float r, float g, float b)
    {
        glClearColor(r, g, b, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    // Renders `effect` the way the timeline does: attribute state saved around update and render.
    void draw(Effect& effect, float delta = 1.0f)
    {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        effect.update(delta);
        effect.render();
        glPopAttrib();
    }

    float depthAt(int x, int y)
    {
        float depth = -1;
        glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        return depth;
    }

    void setDepth(double value)
    {
        glClearDepth(value);
        glClear(GL_DEPTH_BUFFER_BIT);
        glClearDepth(1.0);
    }

    // Advances a mode-0 flash by `delta` and reads its level off black through a half-grey
    // colour, so that levels up to almost 2 show.
    float levelAfter(Flash& flash, float delta)
    {
        flash.handleElement(element("flash", {{"color", "ff808080"}, {"mode", "0"}}).get());
        fill(0, 0, 0);
        draw(flash, delta);
        return pixel(320, 240)[0] / 128.0f;
    }
    static constexpr float kLevelStep = 2.5f / 255;

    // Configures `flash`, starts it and lets it rise to a held peak of 1.
    void startAtFullLevel(Flash& flash, testing::AttributeList attributes)
    {
        auto settings = element("flash", attributes);
        auto extra = element("flash", {{"attack", "1"}, {"sustain", "1000"}});
        addChild(*extra, "go");
        flash.handleElement(settings.get());
        flash.handleElement(extra.get());
        flash.update(1 / 0.3f);  // one step of 1: the rise is not clipped
    }

    void expectColour(int x, int y, int r, int g, int b, int tolerance = 2)
    {
        const auto p = pixel(x, y);
        EXPECT_NEAR(p[0], r, tolerance) << "at " << x << "," << y;
        EXPECT_NEAR(p[1], g, tolerance) << "at " << x << "," << y;
        EXPECT_NEAR(p[2], b, tolerance) << "at " << x << "," << y;
    }
};

TEST_F(ScreenEffectsTest, TrailDarkensByItsValueEachFrameAndAlwaysClearsDepth)
{
    Clear clear;
    // Colour and flags do not matter for a trail.
    clear.handleElement(element("clear", {{"trailval", "0.1"}, {"color", "ffffffff"}, {"zbuf", "0"}}).get());
    fill(200.0f / 255, 100.0f / 255, 50.0f / 255);
    double expected[3] = {200, 100, 50};
    for (int frame = 0; frame < 3; ++frame) {
        setDepth(0.5);
        draw(clear);
        for (double& channel : expected)
            channel *= 0.9;
        for (int corner : {0, 1})  // the whole picture is covered
            expectColour(639 * corner, 479 * corner, int(std::lround(expected[0])),
                         int(std::lround(expected[1])), int(std::lround(expected[2])));
        EXPECT_FLOAT_EQ(depthAt(320, 240), 1.0f);
    }
}

TEST_F(ScreenEffectsTest, FlashEnvelopeRisesPastOneHoldsFallsAndRearms)
{
    Flash flash;
    auto settings = element("flash", {{"attack", "1"}, {"sustain", "1"}, {"decay", "1"}});
    addChild(*settings, "go");
    flash.handleElement(settings.get());
    for (int round = 0; round < 2; ++round) {
        EXPECT_NEAR(levelAfter(flash, 0), 0, kLevelStep) << "starts from level 0";
        // speed 1, delta 1 (100 frames a second): 0.3 per call. The rise that reaches 1 is not
        // clipped and also spends its step on holding; the call that ends the hold starts the fall.
        const float expected[] = {0.3f, 0.6f, 0.9f, 1.2f, 1.2f, 1.2f, 0.9f, 0.6f, 0.3f};
        for (size_t i = 0; i < std::size(expected); ++i)
            EXPECT_NEAR(levelAfter(flash, 1), expected[i], kLevelStep) << "call " << i + 1;
        // 0.3 less 0.3, give or take the float rounding: at most one more call to idle.
        levelAfter(flash, 1);
        EXPECT_NEAR(levelAfter(flash, 1), 0, kLevelStep);
        EXPECT_NEAR(levelAfter(flash, 10), 0, kLevelStep) << "idle: nothing moves";
        // Rearmed: the next go runs the same envelope.
        auto go = element("flash");
        addChild(*go, "go");
        flash.handleElement(go.get());
    }
}

TEST_F(ScreenEffectsTest, FlashEnvelopeFollowsSpeedAndZeroDecayHolds)
{
    Flash flash;
    auto settings = element("flash", {{"attack", "0.5"}, {"decay", "0"}, {"sustain", "0"}, {"speed", "2"}});
    addChild(*settings, "go");
    flash.handleElement(settings.get());
    EXPECT_NEAR(levelAfter(flash, 0.5f), 0.15f, kLevelStep);  // step 2 * 0.5 * 0.3 = 0.3, times attack 0.5
    for (int i = 0; i < 200; ++i)
        flash.update(1);
    EXPECT_NEAR(levelAfter(flash, 0), 1.05f, kLevelStep);  // seven rises of 0.15, then held at that peak
}

TEST_F(ScreenEffectsTest, FlashModesAddMultiplyAndInvert)
{
    // Mode 0 adds colour x level.
    Flash flash;
    startAtFullLevel(flash, {{"color", "ff402080"}, {"mode", "0"}});
    fill(100.0f / 255, 100.0f / 255, 100.0f / 255);
    draw(flash, 0);
    expectColour(320, 240, 100 + 64, 100 + 32, 100 + 128);

    // Mode 1 multiplies: never started, it draws black.
    Flash multiply;
    multiply.handleElement(element("flash", {{"mode", "1"}}).get());
    fill(0.8f, 0.6f, 0.4f);
    draw(multiply, 0);
    expectColour(0, 0, 0, 0, 0, 0);
    expectColour(639, 479, 0, 0, 0, 0);
    Flash half;
    startAtFullLevel(half, {{"color", "ff808080"}, {"mode", "1"}});
    fill(0.8f, 0.6f, 0.4f);
    draw(half, 0);
    expectColour(320, 240, 102, 77, 51);

    // Mode 2 (and 3) with white at level 1 inverts.
    for (const char* mode : {"2", "3"}) {
        Flash invert;
        startAtFullLevel(invert, {{"mode", mode}});
        fill(100.0f / 255, 20.0f / 255, 1.0f);
        draw(invert, 0);
        expectColour(320, 240, 155, 235, 0);
    }

    // Another mode keeps the blend function in force.
    Flash other;
    startAtFullLevel(other, {{"mode", "7"}});
    fill(0.2f, 0.4f, 0.6f);
    glBlendFunc(GL_ZERO, GL_ONE);
    draw(other, 0);
    expectColour(320, 240, 51, 102, 153);
}

TEST_F(ScreenEffectsTest, FlashAndFadeLeaveTheMatricesAsTheyFoundThem)
{
    GLfloat before[16], after[16];
    glMatrixMode(GL_PROJECTION);
    glGetFloatv(GL_PROJECTION_MATRIX, before);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, 2, 3);

    Flash flash;
    flash.render();
    Fade fade;
    fade.render();

    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(after[i], before[i]);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    EXPECT_FLOAT_EQ(after[12], 1);
    EXPECT_FLOAT_EQ(after[13], 2);
    EXPECT_FLOAT_EQ(after[14], 3);
}

}  // namespace
}  // namespace velmora
