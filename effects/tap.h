// The `tap` effect: the small animated object of "tap2.zen" drawn nine times in a 3 x 3 grid,
// seen from a scene camera chosen by name or from a random point around the origin.
#pragma once

#include "effects/scene_playback.h"

namespace velmora {

class Tap : public FixedScenePlayback {
public:
    Tap();
    void load() override;  // also forgets the camera choice, which belonged to the old scene
    // Depth test on, culling off, the view, nine copies 4 apart in x and z, identity model-view.
    void render() override;
    // `camera` (a camera name of the loaded scene), and `camrand` children (a random viewpoint
    // at distance 2 to 2.83 from the origin; drops the camera choice).
    EffectScript script() const override;

private:
    void setCamera(const char* cameraName);
    void randomViewpoint();

    SceneObject* cameraNode = nullptr;  // a node of `scene`; null for the look-at view
    float eye[3] = {0, 0, -30};
};

}  // namespace velmora
