// Message boxes for window and GL failures ("ERROR", "SHUTDOWN ERROR").
#pragma once

namespace velmora {

enum class MessageIcon { Exclamation, Information };

// A platform message box when a display is open and the run is interactive (standard input and
// output are terminals); otherwise "caption: text" on standard error. Never waits on a box
// nobody can see.
void showMessage(const char* text, const char* caption, MessageIcon icon);

}  // namespace velmora
