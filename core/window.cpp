// Window life cycle and message dispatch; the platform side lives in sdl_platform.cpp.
#include "core/window.h"

#include "core/message_box.h"
#include "core/sdl_platform.h"

namespace velmora {

namespace {
void stopPlatform(bool& videoStarted, bool& eventsStarted)
{
    if (videoStarted)
        platform::videoStop();
    if (eventsStarted)
        platform::eventsStop();
    videoStarted = false;
    eventsStarted = false;
}
}  // namespace

Window::~Window()
{
    if (handle)
        platform::closeWindow(handle);
    stopPlatform(videoStarted, eventsStarted);
}

bool Window::frame() { return false; }

void Window::resize(int newWidth, int newHeight)
{
    width = newWidth;
    height = newHeight;
}

void Window::paint() {}
void Window::key(int, int) {}
void Window::mouseMove(int, int) {}
void Window::mouseUp(int) {}
void Window::mouseDown(int) {}

void Window::close()
{
    if (exists()) {
        if (handle) {
            platform::closeWindow(handle);
            handle = nullptr;
        }
        active = false;
        if (postQuitOnClose)
            quitPosted = true;
    }
    destroyed = true;
    stopPlatform(videoStarted, eventsStarted);
}

bool Window::processMessages()
{
    if (platform::eventsRunning() && platform::pumpEvents()) {
        // A quit request from outside (window manager, Ctrl-C): close like the close button.
        if (exists())
            close();
        quitPosted = true;
    }
    const bool quit = quitPosted;
    quitPosted = false;
    return !quit;
}

int Window::createWindow(const char* title, int newX, int newY, int newWidth, int newHeight, uint32_t flags,
                         int colourBits)
{
    if (handle) {
        platform::closeWindow(handle);
        handle = nullptr;
    }
    if (flags & kWindowFullscreen)
        flags |= kWindowPopup | kWindowNoSizing;
    x = newX;
    y = newY;
    width = newWidth;
    height = newHeight;

    if (offscreen) {
        if (!eventsStarted)
            eventsStarted = platform::eventsStart();
    } else {
        if (!videoStarted) {
            if (!platform::videoStart()) {
                showMessage("RegisterClassEx() Failed.", "ERROR", MessageIcon::Exclamation);
                return -1;
            }
            videoStarted = true;
        }
        const bool atOrigin = flags & kWindowFullscreen;
        const bool keepPosition = atOrigin || (flags & kWindowKeepPosition);
        handle = platform::openWindow(this, title, atOrigin ? 0 : newX, atOrigin ? 0 : newY, newWidth, newHeight,
                                      keepPosition, flags & kWindowPopup, !(flags & kWindowNoSizing), colourBits);
        if (!handle) {
            showMessage("Window Creation Error.", "ERROR", MessageIcon::Exclamation);
            return -1;
        }
    }
    destroyed = false;
    active = true;
    return 0;
}

}  // namespace velmora
