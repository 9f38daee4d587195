// Output start and stop over our sound library.
#include "audio/sound_service.h"

#include "audio/sound_library.h"

namespace velmora {

void soundStart(void* window) {
    constexpr uint32_t kOutputFlags = 0x20;
    if (!BASS_Init(-1, kOutputRate, kOutputFlags, window))
        BASS_Init(-2, kOutputRate, kOutputFlags, window);  // no device: play against the clock
    BASS_Start();
}

void soundStop() {
    BASS_Stop();
    BASS_Free();
}

}  // namespace velmora
