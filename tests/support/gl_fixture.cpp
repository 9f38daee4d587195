// Offscreen GL fixture shared by the rendering tests.
#include "tests/support/gl_fixture.h"

#include <GL/gl.h>

#include "core/gl_state.h"
#include "resources/gl_extensions.h"

namespace velmora::testing {

void GLTest::SetUp()
{
    context = std::make_unique<OffscreenContext>(kWidth, kHeight);
    if (!context->valid() || !context->makeCurrent())
        GTEST_SKIP() << "no OSMesa context available";
    setupExtensions(&OffscreenContext::procAddress);
    applyInitialGLState();
    applyProjection(kWidth, kHeight);
}

void GLTest::TearDown() { context.reset(); }

std::array<uint8_t, 4> GLTest::pixel(int x, int y)
{
    glFinish();
    const auto& buffer = context->pixels();
    const size_t at = (static_cast<size_t>(y) * context->width() + x) * 4;
    return {buffer[at], buffer[at + 1], buffer[at + 2], buffer[at + 3]};
}

}  // namespace velmora::testing
