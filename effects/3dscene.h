// The `3dscene` effect: a scene file named by the script, played at 30 frames per second in a
// loop of the script's length, seen from a camera the script names.
#pragma once

#include "effects/scene_playback.h"

namespace velmora {

class ThreeDScene : public ScenePlayback {
public:
    // Reads `filename`; then clears the camera choice and looks the last accepted camera name up
    // again, since the old choice was a node of the scene just destroyed.
    void load() override;
    // frame += speed * delta * 0.3; the scene is evaluated at frame; from loopFrame on, back to 0.
    void update(float delta) override;
    // Only when visible: lighting, light 0 and depth test on; the camera's view or a fixed view
    // 10 units back; the scene. The view stays in the model-view matrix.
    void render() override;
    // `timeoffset`, `visible`, `filename`, `frame`, `loopframe`, `camera`; each `init` child
    // reloads the scene.
    EffectScript script() const override;

private:
    void addTimeOffset(float frames);  // prints "timeoffset"
    void setCamera(const char* name);

    int visible = 1;
    char filename[64] = {};  // logical name of the ".zen" file, at most 63 characters
    float frame = 0;         // animation frames
    float loopFrame = 90.0f;
    SceneObject* cameraNode = nullptr;  // a node of `scene`; null for the fixed view
    char cameraName[32] = {};           // the last camera name accepted, for reloads
};

}  // namespace velmora
