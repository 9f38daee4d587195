// Message boxes: a platform box for a person at the screen, standard error for everyone else.
#include "core/message_box.h"

#include <unistd.h>

#include <cstdio>

#include "core/sdl_platform.h"

namespace velmora {

void showMessage(const char* text, const char* caption, MessageIcon icon)
{
    const bool interactive = isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
    if (interactive && platform::videoRunning() &&
        platform::messageBox(text, caption, icon == MessageIcon::Exclamation))
        return;
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

}  // namespace velmora
