// Effect `splash`: a 128 x 128 rippling water surface (two-buffer ripple scheme) drawn as a
// height-displaced, slowly spinning grid; a child element `splash` drops a ring into it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/effect.h"
#include "effects/overlay_texture.h"

namespace velmora {

struct WaterSurface {
    WaterSurface(int width, int height);  // both buffers zero, current 0

    // One ripple step from buffers[current] into the other buffer, then the two swap roles.
    // Border rows and columns are never written.
    void step();
    int16_t& at(int buffer, int x, int y) { return buffers[buffer][static_cast<size_t>(y) * width + x]; }
    int16_t at(int buffer, int x, int y) const { return buffers[buffer][static_cast<size_t>(y) * width + x]; }

    std::vector<int16_t> buffers[2];
    int width;
    int height;
    int current = 0;
};

class Splash : public Effect {
public:
    static constexpr int kSize = 128;

    void load() override;               // a fresh, flat surface; the texture, if one is named
    void unload() override;             // drops the surface and the texture
    void update(float delta) override;  // one water step per call, whatever delta is
    void render() override;
    bool changesStateWhileDrawing() const override { return true; }  // turns the surface while drawing
    void renderUnseen() override;  // the state changes of render, without drawing
    // `texture`; every child element `splash` drops a ring (ignored before load).
    EffectScript script() const override;
    // The simulated water; null before load and after unload.
    const WaterSurface* water() const { return surface.get(); }

private:
    // A ring of radius 20 around the centre, set to -15 in buffer 0.
    void makeSplash();

    std::unique_ptr<WaterSurface> surface;  // null before load and after unload
    char textureName[64] = {};              // from `texture`, read at load; empty: none
    OverlayTexture texture;                 // none: the water draws with whatever texture is bound
    static float splashAngle;               // degrees, shared by every splash effect; 0 again at each load
};

}  // namespace velmora
