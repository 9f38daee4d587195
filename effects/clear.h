// The `clear` effect: starts a frame by clearing colour and depth, or, with a trail value
// below 1, darkens the previous picture so that moving things leave trails.
#pragma once

#include "core/effect.h"

namespace velmora {

class Clear : public Effect {
public:
    void update(float delta) override;  // trailAlpha = trailValue
    void render() override;
    bool readsPreviousPicture() const override { return trailValue < 1.0f; }  // a trail darkens it
    // `color` (hex 0xAARRGGBB), `trailval` (float), `cbuf`, `zbuf` (0 off).
    EffectScript script() const override;

private:
    float clearColor[4] = {0, 0, 0, 1};  // red, green, blue, alpha
    float trailValue = 1.0f;             // 1 and more: a real clear; below: opacity of the darkening
    float trailAlpha = 1.0f;             // trailValue as of the last update
    bool clearColorBuffer = true;
    bool clearDepthBuffer = true;
};

}  // namespace velmora
