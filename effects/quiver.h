// Effect `quiver`: a cloud of small glowing discs turning around the viewer and pulsing in size,
// drawn additively with sphere-mapped texturing.
#pragma once

#include <vector>

#include "core/effect.h"
#include "effects/overlay_texture.h"
#include "resources/gl_objects.h"

namespace velmora {

// Colour conversions between red-green-blue and hue-lightness-saturation, every input limited
// to 0..1 first. Hue comes out in sixths as computed (not wrapped into 0..1).
void rgbToHls(float r, float g, float b, float& h, float& l, float& s);
void hlsToRgb(float h, float l, float s, float& r, float& g, float& b);

struct GlowParticle {
    float x, y, z;
    float red, green, blue, alpha;
    float phase;        // pulse phase, radians
    int direction;      // -1 or +1; not used for drawing
    float secondPhase;  // not used for drawing
};

class Quiver : public Effect {
public:
    ~Quiver() override;
    // Creates `num` particles from the shared generator and builds the disc list; loads the
    // texture, if one is named.
    void load() override;
    void unload() override;
    void update(float delta) override;
    void render() override;
    EffectScript script() const override;  // `num`, `texture`

    static constexpr int kMaxParticles = 65536;  // larger counts are cut to this

private:
    int num = 64;  // particle count, taken at the next load
    float quiverTime = 0;
    std::vector<GlowParticle> particles;
    DisplayLists discList;      // a unit disc of 63 triangles; empty before load
    char textureName[64] = {};  // from `texture`, read at load; empty: none
    OverlayTexture texture;     // none: the discs draw with whatever texture is bound
};

}  // namespace velmora
