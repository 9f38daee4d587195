// Effect `wobble`: one long twisting ribbon whose shape comes from nested sines of four slowly
// drifting phases, rebuilt every frame.
#pragma once

#include "core/effect.h"
#include "effects/overlay_texture.h"

namespace velmora {

class Wobble : public Effect {
public:
    void load() override;                  // the texture, if one is named
    void unload() override;                // drops the texture
    EffectScript script() const override;  // `texture`
    void update(float delta) override;     // nothing: the ribbon moves per rendered frame
    // Draws the ribbon and advances the phases by an amount set by `speed`, not by time.
    void render() override;
    bool changesStateWhileDrawing() const override { return true; }  // moves its curve while drawing
    void renderUnseen() override;  // the curve moved as render moves it, without drawing

private:
    float pa = 0, pb = 0, pc = 0, pd = 0;
    char textureName[64] = {};  // from `texture`, read at load; empty: none
    OverlayTexture texture;     // none: the ribbon draws with whatever texture is bound
};

}  // namespace velmora
