// A top-level window and the translation of its platform messages (SDL events) into virtual
// operations. Without a platform window (offscreen output) it keeps the same life cycle.
#pragma once

#include <cstdint>

struct SDL_Window;

namespace velmora {

// Bits of the window flag word given to createWindow.
constexpr uint32_t kWindowKeepPosition = 0x001;  // use the given x, y instead of centring
constexpr uint32_t kWindowPopup = 0x004;         // no title bar or border
constexpr uint32_t kWindowNoSizing = 0x100;      // not resizable
constexpr uint32_t kWindowFullscreen = 0x200;    // popup without sizing, placed at (0, 0)

// Codes of keys without an ASCII code, as key() receives them: the platform's virtual-key code
// plus 0x100, apart from every ASCII code.
constexpr int kKeyPageUp = 0x121;
constexpr int kKeyPageDown = 0x122;
constexpr int kKeyHome = 0x124;
constexpr int kKeyLeft = 0x125;
constexpr int kKeyRight = 0x127;
constexpr int kKeyF1 = 0x170;

class Window {
public:
    Window() = default;
    // Destroys a window that is still open, without posting the quit message.
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    virtual bool frame();                        // base: false
    virtual void resize(int width, int height);  // stores the new client size
    virtual void paint();
    virtual void key(int code, int flag);  // code: upper-case ASCII, 27 Escape, kKey*, 0 other; flag 1 = release
    virtual void mouseMove(int x, int y);  // screen coordinates
    virtual void mouseUp(int button);      // 0 left, 1 middle, 2 right
    virtual void mouseDown(int button);
    // Destroys the window; posts the quit message when postQuitOnClose is set.
    virtual void close();

    // Takes every waiting platform message without waiting and forwards each to the virtual
    // operations of its window (only while that window is active). False when the quit message
    // was among them: one posted by close() or a platform quit request (which closes this window
    // first). The quit message is consumed by the call that reports it.
    virtual bool processMessages();

    // Opens the window with `title` as caption, client area width x height, placed by `flags`
    // (the kWindow* bits), with an OpenGL pixel format of `colourBits` bits. A window that is
    // still open is destroyed first (without the quit message). With `offscreen` set no
    // platform window is made, only the state changes. 0 on success, -1 after a message box.
    int createWindow(const char* title, int x, int y, int width, int height, uint32_t flags,
                     int colourBits = 32);

    // True while a window exists (a platform window, or an offscreen one).
    bool exists() const { return handle != nullptr || (offscreen && !destroyed); }

    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    SDL_Window* handle = nullptr;  // owned; null when there is no platform window
    bool postQuitOnClose = true;
    bool destroyed = true;  // true until a window exists and again after it is destroyed
    bool active = false;    // true while the window exists; messages are forwarded only then
    bool offscreen = false;  // no platform window: the show renders into memory

protected:
    bool quitPosted = false;  // the quit message, waiting for processMessages
    bool videoStarted = false;   // this object holds a reference on the platform's video subsystem
    bool eventsStarted = false;  // offscreen: a reference on the platform's events alone
};

}  // namespace velmora
