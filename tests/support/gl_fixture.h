// A test fixture with a current offscreen GL context in the show's initial state.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>

#include "core/offscreen_context.h"

namespace velmora::testing {

class GLTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;

    // Creates the context (kWidth x kHeight), makes it current, sets up extensions, the initial
    // GL state and the window's projection. Skips the test when OSMesa is unavailable.
    void SetUp() override;
    void TearDown() override;

    // RGBA of the pixel at (x, y), y counted from the bottom as in GL. Finishes drawing first.
    std::array<uint8_t, 4> pixel(int x, int y);

    std::unique_ptr<OffscreenContext> context;
};

}  // namespace velmora::testing
