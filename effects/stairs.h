// The `stairs` effect: a staircase scene, slow, from the scene's seventh camera.
#pragma once

#include "effects/scene_playback.h"

namespace velmora {

class Stairs : public FixedScenePlayback {
public:
    Stairs();
};

}  // namespace velmora
