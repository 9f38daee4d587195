// Shared base of the scene playback effects: one owned ".zen" scene, its loading, time
// stepping and camera lookups.
#pragma once

#include <memory>

#include "core/effect.h"
#include "scene/scene.h"

namespace velmora {

class ScenePlayback : public Effect {
public:
    void unload() override;  // destroys the scene

protected:
    // Replaces the scene by a prepared new one read from `fileName` (a logical data-file name),
    // through the loader's by-name mode or, with `fromMemory`, from a DataFile's bytes.
    void loadScene(const char* fileName, bool fromMemory);
    // Update(speed * delta * factor), then back to time 0 once the time reaches `wrapAt` frames.
    void stepScene(float delta, float factor, float wrapAt);
    // Handles a `camera` attribute: with a scene, sets `node` to the parent node of the camera
    // so named and returns true (an unknown name or a non-camera changes nothing and returns
    // false); without a scene prints the "after loading only" error.
    bool chooseCamera(const char* cameraName, SceneObject*& node) const;

    std::unique_ptr<Scene> scene;  // null until load; empty when the file could not be read
};

// The six fixed set pieces: a given file, stepping rate, loop length and camera position.
class FixedScenePlayback : public ScenePlayback {
public:
    struct Setup {
        const char* fileName;
        bool fromMemory;
        float factor;       // scene step per hundredth of a second at speed 1
        float wrapAt;       // frames
        int cameraIndex;    // position in the camera list; -1 for a fixed placement
        float distance;     // with no camera index: the view translates by (0, 0, -distance)
    };

    explicit FixedScenePlayback(const Setup& setup) : setup_(setup) {}
    void load() override;
    void update(float delta) override;
    // Depth test on, the view, the scene, then the identity model-view.
    void render() override;

protected:
    void applyView() const;

    Setup setup_;
};

}  // namespace velmora
