// The `headlook` effect: "headlook.zen" looped every 600 frames.
#include "effects/headlook.h"

namespace velmora {

HeadLook::HeadLook() : FixedScenePlayback({"headlook.zen", false, 0.01f, 600, -1, 30}) {}

}  // namespace velmora
