// OSMesa context: the only file that talks to OSMesa.
#include "core/offscreen_context.h"

#include <GL/osmesa.h>

#include <new>

namespace velmora {

struct OffscreenContext::Native {
    OSMesaContext context;
};

OffscreenContext::OffscreenContext(int width, int height)
    : width_(width > 0 ? width : 1), height_(height > 0 ? height : 1)
{
    // A buffer the machine cannot give leaves the context invalid instead of ending the program.
    try {
        buffer_.resize(static_cast<size_t>(width_) * height_ * 4);
    } catch (const std::bad_alloc&) {
        return;
    }
    if (OSMesaContext context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr))
        native_ = std::make_unique<Native>(Native{context});
}

OffscreenContext::~OffscreenContext()
{
    if (native_)
        OSMesaDestroyContext(native_->context);
}

bool OffscreenContext::makeCurrent()
{
    return native_ && OSMesaMakeCurrent(native_->context, buffer_.data(), GL_UNSIGNED_BYTE, width_, height_);
}

const std::vector<uint8_t>& OffscreenContext::pixels() const { return buffer_; }

void* OffscreenContext::procAddress(const char* name)
{
    return reinterpret_cast<void*>(OSMesaGetProcAddress(name));
}

}  // namespace velmora
