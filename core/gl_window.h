// A window with an OpenGL context: pixel format, context, fullscreen display mode and the
// show's projection. Offscreen, the context is an OSMesa one over a memory buffer.
#pragma once

#include <memory>

#include "core/display_settings.h"
#include "core/window.h"

namespace velmora {

class OffscreenContext;

class GLWindow : public Window {
public:
    GLWindow();
    ~GLWindow() override;  // releases the GL context

    // Opens the window (or, with `offscreen` set, an offscreen buffer of the settings' size)
    // and a double-buffered compatibility context with 24 depth bits and `bitsPerPixel` colour
    // bits, sets up extensions, projection and the initial GL state. Fullscreen changes the
    // display mode and adds 0x201 to settings.windowFlags. False after a message box at the
    // first failing step; the handles obtained so far are kept.
    bool create(DisplaySettings& settings, const char* title);
    // Releases context and display mode; safe to call when nothing is held.
    void releaseGL();
    // Makes the context current when one exists.
    bool makeCurrent();
    // Shows the back buffer (offscreen: finishes drawing).
    void swapBuffers();
    bool hasContext() const;

    bool frame() override;                       // clears colour and depth, swaps, true
    void resize(int width, int height) override;  // viewport and projection; zero height keeps it
    void close() override;                       // releaseGL, then destroys the window

    bool fullscreen = false;               // true while the display mode is changed
    SDL_Window* deviceContext = nullptr;   // the window GL draws into (Window::handle); not owned
    void* renderContext = nullptr;         // SDL_GLContext, owned; null when none
    std::unique_ptr<OffscreenContext> offscreenContext;  // offscreen output only
};

}  // namespace velmora
