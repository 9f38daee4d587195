// A test fixture with a current offscreen GL context in the show's initial state.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>

#include "core/gl_state.h"
#include "core/offscreen_context.h"
#include "resources/gl_extensions.h"

namespace velmora::testing {

// A current offscreen context of `width` x `height` in the show's initial state: extensions set
// up, the initial GL state and the window's projection. Null when OSMesa is unavailable.
inline std::unique_ptr<OffscreenContext> openShowContext(int width, int height)
{
    auto context = std::make_unique<OffscreenContext>(width, height);
    if (!context->valid() || !context->makeCurrent())
        return nullptr;
    setupExtensions(&OffscreenContext::procAddress);
    applyInitialGLState();
    applyProjection(width, height);
    return context;
}

class GLTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;

    // The show's context at kWidth x kHeight; skips the test when OSMesa is unavailable.
    void SetUp() override
    {
        context = openShowContext(kWidth, kHeight);
        if (!context)
            GTEST_SKIP() << "no OSMesa context available";
    }
    void TearDown() override { context.reset(); }

    // RGBA of the pixel at (x, y), y counted from the bottom as in GL. Finishes drawing first.
    std::array<uint8_t, 4> pixel(int x, int y)
    {
        glFinish();
        const auto& buffer = context->pixels();
        const size_t at = (static_cast<size_t>(y) * context->width() + x) * 4;
        return {buffer[at], buffer[at + 1], buffer[at + 2], buffer[at + 3]};
    }

    std::unique_ptr<OffscreenContext> context;
};

}  // namespace velmora::testing
