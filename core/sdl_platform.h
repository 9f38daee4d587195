// The platform layer over SDL2: video subsystem, windows and their events, OpenGL contexts,
// display modes, message boxes and the high-resolution counter. The only user of SDL video.
#pragma once

#include <cstdint>

struct SDL_Window;

namespace velmora {

class Window;

namespace platform {

// On Windows the player is a console program, so that started from a console its lines appear
// there in order and the console waits for its exit status. Started by a double click, Windows
// made a console for it alone: this lets that one go, so no console window stays open. Elsewhere
// nothing to do.
void leaveOwnConsole();

// Reference-counted start and stop of SDL video. False (with SDL's reason on stderr) when no
// display can be opened.
bool videoStart();
void videoStop();
bool videoRunning();
// Reference-counted start and stop of SDL events alone (offscreen output): a quit request
// (SIGINT, SIGTERM) then arrives as a message instead of killing the run.
bool eventsStart();
void eventsStop();
// True while SDL events run (they also run with video).
bool eventsRunning();

// True when a real display is reachable (on Linux DISPLAY or WAYLAND_DISPLAY set, and SDL video
// starts on it). A successful probe keeps SDL video running for the rest of the run.
bool displayAvailable();

// A window with an OpenGL pixel format: double-buffered compatibility context, 24 depth bits,
// colour bits from `bitsPerPixel` (32: 8 bits per channel with alpha). Client area width x height; centred unless `keepPosition`.
// `owner` receives its events (not owned; valid until closeWindow). Null on failure.
SDL_Window* openWindow(Window* owner, const char* title, int x, int y, int width, int height,
                       bool keepPosition, bool popup, bool resizable, int bitsPerPixel);
// A window that is never shown, with the pixel format of a 32-bit window, for a context that
// draws offscreen where the platform has no other way (Windows). Null on failure.
SDL_Window* openHiddenWindow(int width, int height);
void closeWindow(SDL_Window* window);

// Forwards every waiting event to the owner of its window (only while that owner is active).
// True when a platform quit request was among them.
bool pumpEvents();

// Fullscreen through a display-mode change to exactly width x height; false when refused.
bool enterFullscreen(SDL_Window* window, int width, int height, int bitsPerPixel);
void leaveFullscreen(SDL_Window* window);
void showCursor(bool visible);

// Fullscreen on the desktop as it is (no display-mode change); false when refused.
bool enterDesktopFullscreen(SDL_Window* window);
// The window's drawable size in pixels.
void drawableSize(SDL_Window* window, int& width, int& height);
void setTitle(SDL_Window* window, const char* title);

void* createGLContext(SDL_Window* window);  // null on failure
// Waits for the display's refresh at each swap (on) or not, for the current context.
void setVsync(bool on);
bool makeCurrent(SDL_Window* window, void* context);
bool clearCurrent();
void deleteGLContext(void* context);
void swapWindow(SDL_Window* window);
void* glProcAddress(const char* name);

// Shows a modal box with an OK button; false when none could be shown.
bool messageBox(const char* text, const char* caption, bool error);

uint64_t performanceCounter();
uint64_t performanceFrequency();

}  // namespace platform
}  // namespace velmora
