// The offscreen context renders through the same GL entry points as a window.
#include <GL/gl.h>

#include "resources/gl_extensions.h"
#include "tests/support/gl_fixture.h"

namespace velmora {

using OffscreenContextTest = testing::GLTest;

TEST_F(OffscreenContextTest, ClearsAndReadsBackWithMultitexture)
{
    glClearColor(1.0f, 0.0f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const auto p = pixel(10, 10);
    EXPECT_EQ(p[0], 255);
    EXPECT_EQ(p[1], 0);
    EXPECT_NEAR(p[2], 128, 1);
    EXPECT_NE(glActiveTextureARB, nullptr);
    EXPECT_NE(glMultiTexCoord2fARB, nullptr);
}

}  // namespace velmora
