// The `starspace` effect: a churning nebula from two layers of animated, tileable value noise,
// and 1000 star sprites flying towards the viewer.
#pragma once

#include <array>
#include <memory>
#include <span>

#include "core/effect.h"
#include "resources/gl_objects.h"

namespace velmora {

struct Star {
    double x = 0, y = 0;  // -2..2
    double z = 0;         // -8..0; reborn at -8 once it reaches 0
    int kind = 0;         // 0..3, the sprite in the quarter of STARS.BMP
};

class StarField {
public:
    static constexpr int kStars = 1000;
    static constexpr int kGrid = 32;  // nebula colours per side

    // Draws the random field from the shared generator and loads the sprite texture "STARS.BMP"
    // with a current context; a missing or short file gives black sprites.
    StarField();

    // Advances by d = delta x speed: noise angles turn, stars move 0.01 per unit towards the eye.
    void update(float d);
    void render();

    const std::array<Star, kStars>& stars() const { return stars_; }

private:
    // Fills red/green/blue from the current angles.
    void computeNebula();
    // Bicubic sample of the n x n grid in noiseTable at (x, y); indices wrap.
    float sampleNoise(int n, float x, float y) const;
    // Brightness of a star at depth z: 0.25 at -4, 0.975 at -0.4, 0 at 0.
    static float brightness(double z);

    std::array<Star, kStars> stars_;
    std::array<float, kGrid * kGrid> red{}, green{}, blue{};  // row by row
    std::array<float, 256> noiseTable{};
    std::array<float, 64> angles8{}, speeds8{};
    std::array<float, 256> angles16{}, speeds16{};
    GlTexture texture;  // 256 x 256 sprite sheet, mipmapped; deleted with the field
};

class StarSpace : public Effect {
public:
    void load() override;               // builds the field
    void unload() override;             // destroys it
    void update(float delta) override;  // advances by delta x speed
    void render() override;

    // The stars as the next render draws them; empty before load.
    std::span<const Star> stars() const;

private:
    std::unique_ptr<StarField> field_;  // null until loaded
};

}  // namespace velmora
