// The dogtail effect beyond its golden images: an undecodable texture builds nothing.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "core/random.h"
#include "effects/dogtail.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/image_files.h"
#include "tests/support/script_builder.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

class DogtailTest : public testing::GLTest {
protected:
    std::vector<uint8_t> frame()
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        dogtail.render();
        glFinish();
        return context->pixels();
    }
    static int lit(const std::vector<uint8_t>& pixels)
    {
        int count = 0;
        for (size_t i = 0; i < pixels.size(); i += 4) count += pixels[i] > 0;
        return count;
    }
    testing::TempDataDir data;
    DogTail dogtail;
};

TEST_F(DogtailTest, UndecodableTextureBuildsNothing)
{
    data.write("data/textures/bad.tga", std::vector<uint8_t>{1, 2, 3});
    auto node = testing::element("d", {{"filename", "bad.tga"}});
    dogtail.handleElement(node.get());
    dogtail.load();
    EXPECT_EQ(dogtail.cellCount(), 0);
    EXPECT_EQ(lit(frame()), 0);
}

}  // namespace
}  // namespace velmora
