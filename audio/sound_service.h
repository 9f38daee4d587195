// Starting and stopping the show's sound output, called by the demo window when it opens and
// closes.
#pragma once

namespace velmora {

// Opens the default output device, or without one the clock-driven output that discards the
// sound, and starts it. `window` is the window's handle or null; it is passed on, not used.
void soundStart(void* window = nullptr);
// Stops the output and frees every sound channel.
void soundStop();

}  // namespace velmora
