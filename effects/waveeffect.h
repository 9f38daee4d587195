// Effect `waveeffect`: four horizontal glowing lines that undulate like an oscilloscope trace,
// each the sum of three octaves of interpolated sine noise, drawn additively.
#pragma once

#include <vector>

#include "core/effect.h"
#include "effects/overlay_texture.h"

namespace velmora {

float cubicInterpolate(float y0, float y1, float y2, float y3, float f);

struct WaveOctave {
    std::vector<float> phase;  // radians
    std::vector<float> rate;
    std::vector<float> value;  // of the line being built
};

class WaveEffect : public Effect {
public:
    static constexpr int kLinePoints = 256;

    // Fills the three octaves (16, 32, 64 entries) from the shared generator; waveTime = 0.
    // Loads the texture, if one is named.
    void load() override;
    void unload() override;
    EffectScript script() const override;  // `texture`
    void update(float delta) override;     // waveTime += speed x delta x 0.1
    // Nothing before load. With a texture, each line is textured along its length (s from 0 to
    // 1) at its own height t in the texture (0.125, 0.375, 0.625, 0.875, faintest first).
    void render() override;

private:
    // Computes `line` for time tau (the octave values and weights of that moment).
    void buildLine(float tau);

    float waveTime = 0;
    std::vector<WaveOctave> octaves;  // empty before load
    float line[kLinePoints] = {};
    char textureName[64] = {};  // from `texture`, read at load; empty: none
    OverlayTexture texture;     // none: the lines are drawn untextured
};

}  // namespace velmora
