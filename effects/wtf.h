// The `wtf` effect: four textures blended additively over a 64 x 64 grid whose texture
// coordinates are swirled by three moving vortices; the first three textures are weighted by
// the nearness of the vortex centres, the fourth pulses over everything.
#pragma once

#include <array>
#include <vector>

#include "core/effect.h"
#include "resources/texture.h"

namespace velmora {

class Wtf : public Effect {
public:
    static constexpr int kGrid = 64;
    static constexpr int kLayers = 4;

    // Unload, then the arrays and the textures of file1..file4; a file that is missing or cannot
    // be decoded leaves its layer untextured.
    void load() override;
    void unload() override;             // frees the arrays and deletes the textures
    void update(float delta) override;  // phase += delta x speed
    void render() override;
    // `file1` ... `file4` (cut to 63 characters).
    EffectScript script() const override;

private:
    // Sets spin, centreX and centreY for the current phase.
    void moveVortices();
    // Recomputes gridS, gridT and weight from the vortices. Needs the arrays of load.
    void warpGrid();
    // Strength of the fourth layer at the current phase: cos(phase / 144.4)^8.
    float pulse() const;
    void drawLayer(const std::vector<float>* grey, float coordinateScale) const;

    std::array<std::array<char, 64>, kLayers> fileNames{};
    float phase = 0;                         // hundredths of a second, scaled by speed
    float centreX[3] = {}, centreY[3] = {};  // grid units
    float spin[3] = {};
    std::vector<float> gridS, gridT;  // kGrid x kGrid, index row x kGrid + column
    std::array<std::vector<float>, 3> weight;
    std::array<Texture, kLayers> textures;
};

}  // namespace velmora
