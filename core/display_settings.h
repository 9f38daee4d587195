// The display settings a `demo` element sets and window creation reads.
#pragma once

#include <cstdint>

namespace velmora {

// Each side of a window or picture, from the script or the command line, is 1 to this many
// pixels; the offscreen buffer and captured frames follow from it (1 GiB at most).
constexpr int32_t kMaxWindowSide = 16384;

struct DisplaySettings {
    int32_t width = 640;
    int32_t height = 480;
    int32_t windowX = 0;
    int32_t windowY = 0;
    int32_t bitsPerPixel = 32;
    bool fullscreen = false;
    uint32_t windowFlags = 0;  // 0x201 added when fullscreen is requested
};

}  // namespace velmora
