// The extruded outline text: script handling, line motion, glyph building and drawing.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "effects/fontcool.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/image_files.h"
#include "tests/support/script_builder.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

using testing::addChild;
using testing::element;

TEST(FontcoolScript, OwnAttributesAndTextChildren)
{
    FontCool text;
    auto node = element("credits", {{"texture", "env.tga"}, {"BaseFont", "DejaVu Sans"}, {"extrude", "0.2"},
                                    {"quality", "0.05"}, {"italics", "1"}, {"numTexts", "3"}, {"active", "0"},
                                    {"speed", "9"}, {"pos", "1,2,3"}});
    addChild(*node, "text", {{"num", "2"}, {"string", "Hello"}, {"active", "1"}, {"tra", "1,2,3"}, {"trav", "-0.5,0.25"}});
    addChild(*node, "text", {{"num", "16"}, {"string", "lost"}, {"speed", "0.5"}});
    addChild(*node, "text", {{"num", "-1"}, {"string", "lost"}});
    addChild(*node, "text", {{"num", "2"}, {"string", "World"}});
    text.handleElement(node.get());
    EXPECT_STREQ(text.texture, "env.tga");
    EXPECT_STREQ(text.basefont, "DejaVu Sans");
    EXPECT_FLOAT_EQ(text.extrude, 0.2f);
    EXPECT_FLOAT_EQ(text.quality, 0.05f);
    EXPECT_EQ(text.italics, 1);
    EXPECT_EQ(text.numtexts, 3u);
    EXPECT_TRUE(text.active);          // the element's own `active` is ignored...
    EXPECT_FLOAT_EQ(text.speed, 0.5f);  // ...but a text child's common parameters apply
    const TextLine& line = text.lines[2];
    EXPECT_STREQ(line.string, "World");  // the later child wins for what it gives
    EXPECT_EQ(line.active, 1);
    EXPECT_FLOAT_EQ(line.tra[2], 3);
    EXPECT_FLOAT_EQ(line.trav[0], -0.5f);
    EXPECT_FLOAT_EQ(line.trav[2], 0);  // missing component
    for (int i = 0; i < FontCool::kMaxLines; ++i)
        if (i != 2)
            EXPECT_STREQ(text.lines[i].string, "");

    auto off = element("credits");
    addChild(*off, "text", {{"num", "0"}, {"active", "0"}});
    text.handleElement(off.get());
    EXPECT_FALSE(text.active);  // switches off the whole effect
}

TEST(FontcoolScript, LinesMoveByTravAndScaledTime)
{
    FontCool text;
    auto node = element("t", {{"numtexts", "2"}});
    addChild(*node, "text", {{"num", "0"}, {"trav", "-0.0136,0.5,0"}, {"speed", "2"}});
    addChild(*node, "text", {{"num", "1"}, {"active", "0"}, {"trav", "1,0,0"}});
    addChild(*node, "text", {{"num", "2"}, {"trav", "1,0,0"}, {"active", "1"}});
    text.handleElement(node.get());
    text.update(100);  // one second at the speed 2 of the first child
    EXPECT_NEAR(text.lines[0].tra[0], -0.0136f * 200, 1e-4);
    EXPECT_NEAR(text.lines[0].tra[1], 100, 1e-4);
    EXPECT_NEAR(text.lines[1].tra[0], 200, 1e-4);  // inactive lines move too
    EXPECT_EQ(text.lines[2].tra[0], 0);             // beyond numtexts: still

    auto many = element("t", {{"numtexts", "400"}});
    text.handleElement(many.get());
    text.update(1);  // only the sixteen lines exist
    EXPECT_NEAR(text.lines[15].tra[0], 0, 1e-6);
    EXPECT_NEAR(text.lines[2].tra[0], 2, 1e-6);
}

class FontcoolRenderTest : public testing::GLTest {
protected:
    // Columns that hold a lit pixel, leftmost and rightmost; -1 when none.
    std::pair<int, int> litColumns()
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        text.render();
        glFinish();
        const auto& pixels = context->pixels();
        int left = -1, right = -1;
        for (int x = 0; x < kWidth; ++x)
            for (int y = 0; y < kHeight; ++y) {
                const size_t i = (static_cast<size_t>(y) * kWidth + x) * 4;
                if (pixels[i] + pixels[i + 1] + pixels[i + 2] > 0) {
                    if (left < 0)
                        left = x;
                    right = x;
                    break;
                }
            }
        return {left, right};
    }
    testing::TempDataDir data;
    FontCool text;
};

TEST_F(FontcoolRenderTest, GlyphMetricsAndSlidingLines)
{
    data.write("data/textures/env.tga", testing::solidTga24(4, 4, 255, 255, 255));
    auto node = element("t", {{"texture", "env.tga"}, {"numtexts", "1"}, {"extrude", "0.1"}});
    addChild(*node, "text", {{"num", "0"}, {"string", "HI"}, {"active", "1"}, {"tra", "-1,-0.3,-5"}, {"trav", "0.01,0,0"}});
    text.handleElement(node.get());
    text.load();
    if (text.glyphListBase == 0)
        GTEST_SKIP() << "no outline font installed";
    ASSERT_TRUE(text.glyphMetrics);
    for (unsigned char c : {'A', 'H', 'M', 'g', 'W'}) {
        const GlyphMetrics& m = text.glyphMetrics[c];
        EXPECT_GT(m.blackBoxX, 0.1f) << c;
        EXPECT_GT(m.blackBoxY, 0.1f) << c;
        EXPECT_LT(m.blackBoxY, 1.2f) << c;  // em height 1
        EXPECT_GT(m.cellIncX, m.blackBoxX * 0.9f) << c;
    }
    EXPECT_GT(text.glyphMetrics[' '].cellIncX, 0.1f);
    EXPECT_EQ(text.glyphMetrics[' '].blackBoxY, 0);
    EXPECT_LT(text.glyphMetrics['g'].originY - text.glyphMetrics['g'].blackBoxY, 0);  // descender

    const auto [left, right] = litColumns();
    ASSERT_GE(left, 0);
    // "HI" starts at x = -1 at depth 5: left of the centre, and spans more than one glyph.
    EXPECT_LT(left, kWidth / 2);
    EXPECT_GT(right - left, 30);
    text.update(50);  // tra.x += 0.5
    const auto [movedLeft, movedRight] = litColumns();
    EXPECT_GT(movedLeft, left + 10);
    EXPECT_GT(movedRight, right + 10);
    EXPECT_NEAR((movedLeft - left) - (movedRight - right), 0, 3);

    auto none = element("t", {{"numtexts", "0"}});
    text.handleElement(none.get());
    EXPECT_EQ(litColumns().first, -1);
}

TEST_F(FontcoolRenderTest, MissingTextureBuildsNoGlyphsAndDrawsNothing)
{
    auto node = element("t", {{"texture", "nothing.tga"}, {"numtexts", "1"}});
    addChild(*node, "text", {{"num", "0"}, {"string", "HI"}, {"active", "1"}, {"tra", "-1,-0.3,-5"}});
    text.handleElement(node.get());
    text.load();
    EXPECT_EQ(text.glyphListBase, 0u);
    EXPECT_FALSE(text.glyphMetrics);
    EXPECT_EQ(litColumns().first, -1);
}

}  // namespace
}  // namespace velmora
