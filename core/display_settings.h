// The display settings a `demo` element sets and window creation reads.
#pragma once

#include <cstdint>

namespace velmora {

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
