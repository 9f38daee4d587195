// The `coglogo` effect: interlocking cogs turning, seen from the scene's first camera.
#pragma once

#include "effects/scene_playback.h"

namespace velmora {

class CogLogo : public FixedScenePlayback {
public:
    CogLogo();
};

}  // namespace velmora
