// OSMesa context: the only file that talks to OSMesa. The release player opens libOSMesa when
// the first offscreen context is made, so that a player in a window never needs it.
#include "core/offscreen_context.h"

#include <GL/osmesa.h>

#include <new>

#include "core/console.h"
#include "core/gl_runtime.h"

#ifdef VELMORA_GL_AT_RUN_TIME
#include <dlfcn.h>
#endif

namespace velmora {

namespace {

struct OSMesaEntryPoints {
    decltype(&OSMesaCreateContextExt) createContextExt = nullptr;
    decltype(&OSMesaDestroyContext) destroyContext = nullptr;
    decltype(&OSMesaMakeCurrent) makeCurrent = nullptr;
    decltype(&OSMesaGetProcAddress) getProcAddress = nullptr;
    void* library = nullptr;  // the release player's handle on libOSMesa, never closed
};

#ifdef VELMORA_GL_AT_RUN_TIME
constexpr const char* kOSMesaLibrary = "libOSMesa.so.8";

OSMesaEntryPoints loadOSMesa()
{
    OSMesaEntryPoints e;
    e.library = dlopen(kOSMesaLibrary, RTLD_NOW | RTLD_LOCAL);
    if (e.library) {
        e.createContextExt = reinterpret_cast<decltype(e.createContextExt)>(dlsym(e.library, "OSMesaCreateContextExt"));
        e.destroyContext = reinterpret_cast<decltype(e.destroyContext)>(dlsym(e.library, "OSMesaDestroyContext"));
        e.makeCurrent = reinterpret_cast<decltype(e.makeCurrent)>(dlsym(e.library, "OSMesaMakeCurrent"));
        e.getProcAddress = reinterpret_cast<decltype(e.getProcAddress)>(dlsym(e.library, "OSMesaGetProcAddress"));
    }
    if (!e.createContextExt || !e.destroyContext || !e.makeCurrent || !e.getProcAddress) {
        printNote(
            "drawing offscreen (--headless, --capture) needs Mesa's OSMesa (%s), which is missing: "
            "install the package libosmesa6",
            kOSMesaLibrary);
        e.createContextExt = nullptr;
    }
    return e;
}
#endif

// Null when OSMesa cannot be had (said once on stderr).
const OSMesaEntryPoints* osmesa()
{
#ifdef VELMORA_GL_AT_RUN_TIME
    static const OSMesaEntryPoints entryPoints = loadOSMesa();
#else
    static const OSMesaEntryPoints entryPoints{
        &OSMesaCreateContextExt, &OSMesaDestroyContext, &OSMesaMakeCurrent, &OSMesaGetProcAddress};
#endif
    return entryPoints.createContextExt ? &entryPoints : nullptr;
}

}  // namespace

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
    const OSMesaEntryPoints* e = osmesa();
    if (!e)
        return;
    if (OSMesaContext context = e->createContextExt(OSMESA_RGBA, 24, 0, 0, nullptr))
        native_ = std::make_unique<Native>(Native{context});
}

OffscreenContext::~OffscreenContext()
{
    if (native_)
        osmesa()->destroyContext(native_->context);
}

bool OffscreenContext::makeCurrent()
{
    if (!native_ || !osmesa()->makeCurrent(native_->context, buffer_.data(), GL_UNSIGNED_BYTE, width_, height_))
        return false;
    useGLFunctionsFrom(&procAddress);
    return true;
}

bool OffscreenContext::available() { return osmesa() != nullptr; }

const std::vector<uint8_t>& OffscreenContext::pixels() const { return buffer_; }

void* OffscreenContext::procAddress(const char* name)
{
    const OSMesaEntryPoints* e = osmesa();
    if (!e)
        return nullptr;
#ifdef VELMORA_GL_AT_RUN_TIME
    // libOSMesa exports the whole GL API; its lookup answers for extensions.
    if (void* exported = dlsym(e->library, name))
        return exported;
#endif
    return reinterpret_cast<void*>(e->getProcAddress(name));
}

}  // namespace velmora
