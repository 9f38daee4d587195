// OSMesa context: the only file that talks to OSMesa.
#include "core/offscreen_context.h"

#include <GL/osmesa.h>

#include <new>

namespace velmora {

OffscreenContext::OffscreenContext(int width, int height)
    : width_(width > 0 ? width : 1), height_(height > 0 ? height : 1)
{
    // A buffer the machine cannot give leaves the context invalid instead of ending the program.
    try {
        buffer_.resize(static_cast<size_t>(width_) * height_ * 4);
    } catch (const std::bad_alloc&) {
        return;
    }
    context_ = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
}

OffscreenContext::~OffscreenContext()
{
    if (context_)
        OSMesaDestroyContext(context_);
}

bool OffscreenContext::makeCurrent()
{
    return context_ && OSMesaMakeCurrent(context_, buffer_.data(), GL_UNSIGNED_BYTE, width_, height_);
}

void* OffscreenContext::procAddress(const char* name)
{
    return reinterpret_cast<void*>(OSMesaGetProcAddress(name));
}

}  // namespace velmora
