// Offscreen context on Windows, which has no OSMesa: a hidden window supplies the GL context and
// a framebuffer object of the asked size takes the drawing (a hidden window's own pixels are not
// guaranteed to be kept). Without framebuffer objects the window's back buffer is used.
#include "core/offscreen_context.h"

#include <windows.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <new>

#include "core/sdl_platform.h"

namespace velmora {

struct OffscreenContext::Native {
    SDL_Window* window = nullptr;
    void* context = nullptr;
    GLuint framebuffer = 0;
    GLuint colour = 0;
    GLuint depth = 0;
    PFNGLDELETEFRAMEBUFFERSEXTPROC deleteFramebuffers = nullptr;
    PFNGLDELETERENDERBUFFERSEXTPROC deleteRenderbuffers = nullptr;
};

namespace {

template <typename Function>
bool lookUp(Function& function, const char* name)
{
    function = reinterpret_cast<Function>(platform::glProcAddress(name));
    return function != nullptr;
}

// Binds a new colour and depth framebuffer of width x height on the current context; false (and
// nothing bound) when the context has no framebuffer objects or refuses this one.
bool attachFramebuffer(OffscreenContext::Native& native, int width, int height)
{
    PFNGLGENFRAMEBUFFERSEXTPROC genFramebuffers;
    PFNGLBINDFRAMEBUFFEREXTPROC bindFramebuffer;
    PFNGLGENRENDERBUFFERSEXTPROC genRenderbuffers;
    PFNGLBINDRENDERBUFFEREXTPROC bindRenderbuffer;
    PFNGLRENDERBUFFERSTORAGEEXTPROC renderbufferStorage;
    PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC framebufferRenderbuffer;
    PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC checkStatus;
    const bool available = lookUp(genFramebuffers, "glGenFramebuffersEXT") &&
                           lookUp(bindFramebuffer, "glBindFramebufferEXT") &&
                           lookUp(genRenderbuffers, "glGenRenderbuffersEXT") &&
                           lookUp(bindRenderbuffer, "glBindRenderbufferEXT") &&
                           lookUp(renderbufferStorage, "glRenderbufferStorageEXT") &&
                           lookUp(framebufferRenderbuffer, "glFramebufferRenderbufferEXT") &&
                           lookUp(checkStatus, "glCheckFramebufferStatusEXT") &&
                           lookUp(native.deleteFramebuffers, "glDeleteFramebuffersEXT") &&
                           lookUp(native.deleteRenderbuffers, "glDeleteRenderbuffersEXT");
    if (!available)
        return false;
    genRenderbuffers(1, &native.colour);
    bindRenderbuffer(GL_RENDERBUFFER_EXT, native.colour);
    renderbufferStorage(GL_RENDERBUFFER_EXT, GL_RGBA8, width, height);
    genRenderbuffers(1, &native.depth);
    bindRenderbuffer(GL_RENDERBUFFER_EXT, native.depth);
    renderbufferStorage(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, width, height);
    genFramebuffers(1, &native.framebuffer);
    bindFramebuffer(GL_FRAMEBUFFER_EXT, native.framebuffer);
    framebufferRenderbuffer(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT, native.colour);
    framebufferRenderbuffer(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, native.depth);
    if (checkStatus(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT)
        return true;
    bindFramebuffer(GL_FRAMEBUFFER_EXT, 0);
    native.deleteFramebuffers(1, &native.framebuffer);
    native.deleteRenderbuffers(1, &native.colour);
    native.deleteRenderbuffers(1, &native.depth);
    native.framebuffer = native.colour = native.depth = 0;
    return false;
}

}  // namespace

OffscreenContext::OffscreenContext(int width, int height)
    : width_(width > 0 ? width : 1), height_(height > 0 ? height : 1)
{
    // A buffer the machine cannot give leaves the context invalid instead of ending the program.
    try {
        buffer_.resize(static_cast<size_t>(width_) * height_ * 4);
    } catch (const std::bad_alloc&) {
        return;
    }
    if (!platform::videoStart())
        return;
    auto native = std::make_unique<Native>();
    native->window = platform::openHiddenWindow(width_, height_);
    if (native->window)
        native->context = platform::createGLContext(native->window);
    if (!native->context || !platform::makeCurrent(native->window, native->context)) {
        if (native->context)
            platform::deleteGLContext(native->context);
        if (native->window)
            platform::closeWindow(native->window);
        platform::videoStop();
        return;
    }
    if (!attachFramebuffer(*native, width_, height_)) {
        glDrawBuffer(GL_BACK);
        glReadBuffer(GL_BACK);
    }
    native_ = std::move(native);
}

OffscreenContext::~OffscreenContext()
{
    if (!native_)
        return;
    if (native_->framebuffer && platform::makeCurrent(native_->window, native_->context)) {
        native_->deleteFramebuffers(1, &native_->framebuffer);
        native_->deleteRenderbuffers(1, &native_->colour);
        native_->deleteRenderbuffers(1, &native_->depth);
    }
    platform::clearCurrent();
    platform::deleteGLContext(native_->context);
    platform::closeWindow(native_->window);
    platform::videoStop();
}

bool OffscreenContext::makeCurrent()
{
    return native_ && platform::makeCurrent(native_->window, native_->context);
}

// opengl32 is part of every Windows: offscreen drawing needs nothing more.
bool OffscreenContext::available() { return true; }

const std::vector<uint8_t>& OffscreenContext::pixels() const
{
    if (native_) {
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, buffer_.data());
    }
    return buffer_;
}

void* OffscreenContext::procAddress(const char* name) { return platform::glProcAddress(name); }

}  // namespace velmora
