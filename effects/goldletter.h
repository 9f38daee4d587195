// The `goldletter` effect: gold extruded letters from "gold.zen", seen from the scene's fifth
// camera through a viewport that shakes by up to 15 pixels.
#pragma once

#include "effects/scene_playback.h"

namespace velmora {

class GoldLetter : public FixedScenePlayback {
public:
    GoldLetter();
    // Viewport at a random origin (0..15, 0..15), 640 x 480 whatever the window; lighting,
    // light 0 and depth test on; then as every fixed set piece.
    void render() override;
    bool changesStateWhileDrawing() const override { return true; }  // draws from the shared generator
    void renderUnseen() override;  // the state changes of render, without drawing
};

}  // namespace velmora
