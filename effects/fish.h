// The `fish` effect: the skinned fish of "fish.zen", driven by its own frame counter and seen
// from the scene's fifth camera.
#pragma once

#include "effects/scene_playback.h"

namespace velmora {

class Fish : public FixedScenePlayback {
public:
    Fish();
    // frame += speed * delta * 0.9; the scene is evaluated at frame; 900 and above go back to 0.
    void update(float delta) override;
    // `timeoffset` (frames added to `frame`).
    EffectScript script() const override;

private:
    void addTimeOffset(float frames);  // prints "timeoffset"

    float frame = 0;  // animation frames
};

}  // namespace velmora
