// An OpenGL context that renders into memory (OSMesa, Mesa's software rasteriser): the headless
// player and the tests draw through it exactly as through a window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct osmesa_context;

namespace velmora {

class OffscreenContext {
public:
    // RGBA colour with 24 depth bits at width x height. Check valid() afterwards.
    OffscreenContext(int width, int height);
    ~OffscreenContext();
    OffscreenContext(const OffscreenContext&) = delete;
    OffscreenContext& operator=(const OffscreenContext&) = delete;

    bool valid() const { return context_ != nullptr; }
    bool makeCurrent();
    int width() const { return width_; }
    int height() const { return height_; }

    // The colour buffer as RGBA bytes, row 0 at the bottom (GL's order). Call glFinish first
    // when the pixels must reflect everything drawn so far.
    const std::vector<uint8_t>& pixels() const { return buffer_; }

    // Entry-point lookup for setupExtensions().
    static void* procAddress(const char* name);

    // True when offscreen contexts can be made. The release player opens OSMesa here the first
    // time; when it is missing, it says so on stderr (naming the package) and answers false.
    static bool available();

private:
    ::osmesa_context* context_ = nullptr;
    int width_;
    int height_;
    std::vector<uint8_t> buffer_;
};

}  // namespace velmora
