// The `headlook` effect: a head turning to look around, from a fixed point 30 units back.
#pragma once

#include "effects/scene_playback.h"

namespace velmora {

class HeadLook : public FixedScenePlayback {
public:
    HeadLook();
};

}  // namespace velmora
