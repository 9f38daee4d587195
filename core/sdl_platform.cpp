// SDL2 platform layer: the one file of the core that talks to SDL.
#include "core/sdl_platform.h"

#include <SDL2/SDL.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "core/gl_runtime.h"
#include "core/window.h"

namespace velmora::platform {

namespace {
constexpr const char* kOwnerKey = "velmora.window";
int videoReferences = 0;

Window* ownerOf(uint32_t windowId)
{
    SDL_Window* window = SDL_GetWindowFromID(windowId);
    if (!window)
        return nullptr;
    Window* owner = static_cast<Window*>(SDL_GetWindowData(window, kOwnerKey));
    return owner && owner->active ? owner : nullptr;
}

// Key codes as the show sees them: letters upper-case, Escape 27, other ASCII unchanged, the
// author-mode keys as kKey*, other keys 0 (nothing acts on them).
int keyCode(SDL_Keycode key)
{
    if (key >= 0 && key < 128)
        return std::toupper(static_cast<int>(key));
    switch (key) {
    case SDLK_PAGEUP: return kKeyPageUp;
    case SDLK_PAGEDOWN: return kKeyPageDown;
    case SDLK_HOME: return kKeyHome;
    case SDLK_LEFT: return kKeyLeft;
    case SDLK_RIGHT: return kKeyRight;
    case SDLK_F1: return kKeyF1;
    default: return 0;
    }
}

void screenMouse(int& x, int& y) { SDL_GetGlobalMouseState(&x, &y); }

int mouseButton(uint8_t button)
{
    switch (button) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_MIDDLE: return 1;
    case SDL_BUTTON_RIGHT: return 2;
    default: return -1;
    }
}

// 32 bits carry 8 alpha bits, as the offscreen context and the tests' context have, so that
// blending with destination alpha looks the same in a window and offscreen.
void colourBits(int bitsPerPixel, int& red, int& green, int& blue, int& alpha)
{
    if (bitsPerPixel <= 16) {
        red = 5, green = 6, blue = 5, alpha = 0;
    } else {
        red = green = blue = 8;
        alpha = bitsPerPixel >= 32 ? 8 : 0;
    }
}

void requestPixelFormat(int bitsPerPixel)
{
    int red, green, blue, alpha;
    colourBits(bitsPerPixel, red, green, blue, alpha);
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, red);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, green);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, blue);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, alpha);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}
}  // namespace

void leaveOwnConsole()
{
#ifdef _WIN32
    // A console of its own with a visible window: made for this process alone. (wine's console
    // in a terminal has a hidden window: that is the terminal the player was started from.)
    DWORD processes[2];
    HWND console = GetConsoleWindow();
    if (GetConsoleProcessList(processes, 2) == 1 && console && IsWindowVisible(console) &&
        GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_CHAR)
        FreeConsole();
#endif
}

bool videoStart()
{
    if (videoReferences == 0) {
        SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            std::fprintf(stderr, "SDL video: %s\n", SDL_GetError());
            return false;
        }
    }
    ++videoReferences;
    return true;
}

void videoStop()
{
    if (videoReferences > 0 && --videoReferences == 0)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool videoRunning() { return videoReferences > 0; }

bool eventsStart() { return SDL_InitSubSystem(SDL_INIT_EVENTS) == 0; }

void eventsStop() { SDL_QuitSubSystem(SDL_INIT_EVENTS); }

bool eventsRunning() { return SDL_WasInit(SDL_INIT_EVENTS) != 0; }

bool displayAvailable()
{
#ifndef _WIN32
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!x11 || !*x11) && (!wayland || !*wayland))
        return false;
#endif
    // The probe's reference is kept for the rest of the run: an X server resets when its last
    // client leaves and refuses connections meanwhile, so letting go here would race the
    // window that follows.
    static bool probeHeld = false;
    if (probeHeld)
        return true;
    if (!videoStart())
        return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool real = driver && SDL_strcmp(driver, "offscreen") != 0 && SDL_strcmp(driver, "dummy") != 0 &&
                      SDL_GetNumVideoDisplays() > 0;
    if (real)
        probeHeld = true;
    else
        videoStop();
    return real;
}

SDL_Window* openWindow(Window* owner, const char* title, int x, int y, int width, int height,
                       bool keepPosition, bool popup, bool resizable, int bitsPerPixel)
{
    requestPixelFormat(bitsPerPixel);
    uint32_t flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN;
    if (popup)
        flags |= SDL_WINDOW_BORDERLESS;
    if (resizable)
        flags |= SDL_WINDOW_RESIZABLE;
    const int left = keepPosition ? x : SDL_WINDOWPOS_CENTERED;
    const int top = keepPosition ? y : SDL_WINDOWPOS_CENTERED;
    SDL_Window* window = SDL_CreateWindow(title, left, top, width, height, flags);
    if (!window) {
        std::fprintf(stderr, "SDL window: %s\n", SDL_GetError());
        return nullptr;
    }
    SDL_SetWindowData(window, kOwnerKey, owner);
    SDL_DisableScreenSaver();
    SDL_RaiseWindow(window);
    return window;
}

SDL_Window* openHiddenWindow(int width, int height)
{
    requestPixelFormat(32);
    SDL_Window* window = SDL_CreateWindow("velmora", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                                          SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window)
        std::fprintf(stderr, "SDL window: %s\n", SDL_GetError());
    return window;
}

void closeWindow(SDL_Window* window)
{
    SDL_SetWindowData(window, kOwnerKey, nullptr);
    SDL_DestroyWindow(window);
}

bool pumpEvents()
{
    bool quit = false;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        Window* owner = nullptr;
        int mx = 0, my = 0;
        switch (event.type) {
        case SDL_QUIT:
            quit = true;
            break;
        case SDL_WINDOWEVENT:
            if (!(owner = ownerOf(event.window.windowID)))
                break;
            if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                owner->resize(event.window.data1, event.window.data2);
            else if (event.window.event == SDL_WINDOWEVENT_EXPOSED)
                owner->paint();
            else if (event.window.event == SDL_WINDOWEVENT_CLOSE)
                owner->close();
            break;
        case SDL_KEYUP:
            if ((owner = ownerOf(event.key.windowID)))
                owner->key(keyCode(event.key.keysym.sym), 1);
            break;
        case SDL_MOUSEMOTION:
            if ((owner = ownerOf(event.motion.windowID))) {
                screenMouse(mx, my);
                owner->mouseMove(mx, my);
            }
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if ((owner = ownerOf(event.button.windowID)) && mouseButton(event.button.button) >= 0) {
                screenMouse(mx, my);
                owner->mouseMove(mx, my);
                // The move may have closed the window: look the owner up again.
                if ((owner = ownerOf(event.button.windowID))) {
                    if (event.type == SDL_MOUSEBUTTONDOWN)
                        owner->mouseDown(mouseButton(event.button.button));
                    else
                        owner->mouseUp(mouseButton(event.button.button));
                }
            }
            break;
        default:
            break;
        }
    }
    return quit;
}

bool enterFullscreen(SDL_Window* window, int width, int height, int bitsPerPixel)
{
    SDL_DisplayMode wanted = {};
    wanted.format = bitsPerPixel <= 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
    wanted.w = width;
    wanted.h = height;
    SDL_DisplayMode closest;
    const int display = SDL_GetWindowDisplayIndex(window);
    if (display < 0 || !SDL_GetClosestDisplayMode(display, &wanted, &closest))
        return false;
    if (closest.w != width || closest.h != height)
        return false;  // the display has no mode of this size
    if (SDL_SetWindowDisplayMode(window, &closest) != 0)
        return false;
    return SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0;
}

void leaveFullscreen(SDL_Window* window) { SDL_SetWindowFullscreen(window, 0); }

void showCursor(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

void* createGLContext(SDL_Window* window)
{
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context)
        std::fprintf(stderr, "SDL GL context: %s\n", SDL_GetError());
    return context;
}

void setVsync(bool on)
{
    if (SDL_GL_SetSwapInterval(on ? 1 : 0) != 0 && on)
        std::fprintf(stderr, "no vertical sync: %s\n", SDL_GetError());
}

bool enterDesktopFullscreen(SDL_Window* window)
{
    return SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
}

void drawableSize(SDL_Window* window, int& width, int& height) { SDL_GL_GetDrawableSize(window, &width, &height); }

void setTitle(SDL_Window* window, const char* title) { SDL_SetWindowTitle(window, title); }

bool makeCurrent(SDL_Window* window, void* context)
{
    if (SDL_GL_MakeCurrent(window, context) != 0)
        return false;
    useGLFunctionsFrom(&glProcAddress);
    return true;
}

bool clearCurrent() { return SDL_GL_MakeCurrent(nullptr, nullptr) == 0; }

void deleteGLContext(void* context) { SDL_GL_DeleteContext(context); }

void swapWindow(SDL_Window* window) { SDL_GL_SwapWindow(window); }

void* glProcAddress(const char* name) { return SDL_GL_GetProcAddress(name); }

bool messageBox(const char* text, const char* caption, bool error)
{
    const uint32_t flags = error ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    return SDL_ShowSimpleMessageBox(flags, caption, text, nullptr) == 0;
}

uint64_t performanceCounter() { return SDL_GetPerformanceCounter(); }

uint64_t performanceFrequency() { return SDL_GetPerformanceFrequency(); }

}  // namespace velmora::platform
