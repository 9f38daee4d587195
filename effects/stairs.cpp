// The `stairs` effect: "stairs.zen" looped every 360 frames.
#include "effects/stairs.h"

namespace velmora {

Stairs::Stairs() : FixedScenePlayback({"stairs.zen", true, 0.001f, 360, 6, 0}) {}

}  // namespace velmora
