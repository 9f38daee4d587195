// OpenGL window: context creation and release, fullscreen display mode, projection.
#include "core/gl_window.h"

#include <GL/gl.h>

#include "core/gl_state.h"
#include "core/message_box.h"
#include "core/offscreen_context.h"
#include "core/sdl_platform.h"
#include "resources/gl_extensions.h"

namespace velmora {

namespace {
void error(const char* text) { showMessage(text, "ERROR", MessageIcon::Exclamation); }
}  // namespace

GLWindow::GLWindow() = default;

GLWindow::~GLWindow() { releaseGL(); }

bool GLWindow::hasContext() const
{
    return offscreenContext != nullptr || (deviceContext != nullptr && renderContext != nullptr);
}

bool GLWindow::makeCurrent()
{
    if (offscreenContext)
        return offscreenContext->makeCurrent();
    if (deviceContext && renderContext)
        return platform::makeCurrent(deviceContext, renderContext);
    return false;
}

bool GLWindow::create(DisplaySettings& settings, const char* title)
{
    releaseGL();
    // Offscreen there is no display mode to change; the settings record the request all the same.
    fullscreen = settings.fullscreen && !offscreen;
    if (settings.fullscreen) {
        settings.windowX = 0;
        settings.windowY = 0;
        settings.windowFlags |= kWindowFullscreen | kWindowKeepPosition;
    }
    createWindow(title, settings.windowX, settings.windowY, settings.width, settings.height, settings.windowFlags,
                 settings.bitsPerPixel);

    if (offscreen) {
        if (destroyed) {
            error("Can't Create An OPENGL Device Context.");
            return false;
        }
        offscreenContext = std::make_unique<OffscreenContext>(width, height);
        if (!offscreenContext->valid()) {
            offscreenContext.reset();
            error("Can't Create An OPENGL Rendering Context.");
            return false;
        }
        if (!offscreenContext->makeCurrent()) {
            error("Can't Activate The OPENGL Rendering Context.");
            return false;
        }
    } else {
        if (fullscreen && handle) {
            if (platform::enterFullscreen(handle, settings.width, settings.height, settings.bitsPerPixel)) {
                platform::showCursor(false);
            } else {
                error("FullScreen Failed, using Windowed");
                fullscreen = false;
            }
        }
        deviceContext = handle;
        if (!deviceContext) {
            // Without a window there is nothing to draw into: stop here.
            error("Can't Create An OPENGL Device Context.");
            return false;
        }
        renderContext = platform::createGLContext(deviceContext);
        if (!renderContext) {
            error("Can't Create An OPENGL Rendering Context.");
            return false;
        }
        if (!platform::makeCurrent(deviceContext, renderContext)) {
            error("Can't Activate The OPENGL Rendering Context.");
            return false;
        }
    }

    resize(width, height);
    setupExtensions(offscreen ? &OffscreenContext::procAddress : &platform::glProcAddress);
    applyInitialGLState();
    return true;
}

void GLWindow::releaseGL()
{
    if (hasContext())
        makeCurrent();
    if (fullscreen && deviceContext) {
        platform::leaveFullscreen(deviceContext);
        platform::showCursor(true);
    }
    fullscreen = false;
    if (renderContext) {
        if (!platform::clearCurrent())
            showMessage("wglMakeCurrent() failed", "SHUTDOWN ERROR", MessageIcon::Information);
        platform::deleteGLContext(renderContext);
        renderContext = nullptr;
    }
    offscreenContext.reset();
    deviceContext = nullptr;
}

void GLWindow::swapBuffers()
{
    if (offscreenContext)
        glFinish();
    else if (hasContext())
        platform::swapWindow(deviceContext);
}

bool GLWindow::frame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    swapBuffers();
    return true;
}

void GLWindow::resize(int newWidth, int newHeight)
{
    makeCurrent();
    applyProjection(newWidth, newHeight);
    Window::resize(newWidth, newHeight);
}

void GLWindow::close()
{
    releaseGL();
    Window::close();
}

}  // namespace velmora
