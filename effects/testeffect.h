// The `testeffect` effect: keeps a tiled copy of the previous frame and adds it back over the
// screen, each tile's picture shifted within the tile, for a glowing broken-glass trail.
#pragma once

#include <array>
#include <memory>

#include "core/effect.h"
#include "resources/gl_objects.h"

namespace velmora {

// 300 textures of 32 x 32 pixels covering a 640 x 480 frame buffer: 20 tiles per row, 15 rows,
// tile k = row x 20 + column, row 0 at the bottom. Owns its textures; needs a current context.
class ScreenTiles {
public:
    static constexpr int kTileSize = 32;
    static constexpr int kColumns = 20;
    static constexpr int kRows = 15;

    ScreenTiles();  // every tile starts as the frame buffer block at (0, 0)

    // Copies each tile's block of the frame buffer into its texture, clamped to the
    // `windowWidth` x `windowHeight` frame buffer: blocks outside it keep their old contents.
    void capture(int windowWidth, int windowHeight);

    std::array<GlTexture, kColumns * kRows> textures;  // deleted with the tiles
};

class TestEffect : public Effect {
public:
    void load() override;    // unload, then the tiles
    void unload() override;  // deletes the tiles
    void update(float delta) override;
    // Adds last frame's tiles (scaled by 0.9) over the screen, then captures the frame.
    void render() override;
    bool readsPreviousPicture() const override { return true; }  // tiles of the last picture
    const ScreenTiles* tiles() const { return capture.get(); }  // null when not loaded

private:
    std::unique_ptr<ScreenTiles> capture;
};

}  // namespace velmora
