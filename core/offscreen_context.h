// An OpenGL context that renders into memory: the headless player and the tests draw through it
// exactly as through a window. One implementation per platform sits beside this header:
// offscreen_context_osmesa.cpp (Mesa's software rasteriser drawing into the buffer) and
// offscreen_context_windows.cpp (a hidden window's context drawing into a framebuffer object,
// read back on request).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace velmora {

class OffscreenContext {
public:
    // RGBA colour with 24 depth bits at width x height. Check valid() afterwards.
    OffscreenContext(int width, int height);
    ~OffscreenContext();
    OffscreenContext(const OffscreenContext&) = delete;
    OffscreenContext& operator=(const OffscreenContext&) = delete;

    bool valid() const { return native_ != nullptr; }
    bool makeCurrent();
    int width() const { return width_; }
    int height() const { return height_; }

    // The colour buffer as RGBA bytes, row 0 at the bottom (GL's order). Call glFinish first
    // when the pixels must reflect everything drawn so far.
    const std::vector<uint8_t>& pixels() const;

    // Entry-point lookup for setupExtensions().
    static void* procAddress(const char* name);

    // True when offscreen contexts can be made. The release player opens OSMesa here the first
    // time; when it is missing, it says so on stderr (naming the package) and answers false.
    static bool available();

    struct Native;  // the platform's context

private:
    std::unique_ptr<Native> native_;
    int width_;
    int height_;
    mutable std::vector<uint8_t> buffer_;
};

}  // namespace velmora
