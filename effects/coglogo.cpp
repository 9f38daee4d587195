// The `coglogo` effect: "cog.zen" looped every 360 frames.
#include "effects/coglogo.h"

namespace velmora {

CogLogo::CogLogo() : FixedScenePlayback({"cog.zen", false, 0.01f, 360, 0, 0}) {}

}  // namespace velmora
