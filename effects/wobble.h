// Effect `wobble`: one long twisting ribbon whose shape comes from nested sines of four slowly
// drifting phases, rebuilt every frame.
#pragma once

#include "core/effect.h"

namespace velmora {

class Wobble : public Effect {
public:
    void update(float delta) override;  // nothing: the ribbon moves per rendered frame
    // Draws the ribbon and advances the phases by an amount set by `speed`, not by time.
    void render() override;
    bool changesStateWhileDrawing() const override { return true; }  // moves its curve while drawing
    void renderUnseen() override;  // the curve moved as render moves it, without drawing

    float pa = 0, pb = 0, pc = 0, pd = 0;
    int quadsDrawn = 0;  // by the last render
};

}  // namespace velmora
