// The extruded outline text beyond its golden images: a missing texture builds and draws nothing.
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
