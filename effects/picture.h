// The `picture` effect: one TGA image shown as a flat rectangle in a 2D overlay, cut into
// power-of-two tiles at load time; it can be moved, turned, scaled and tinted.
#pragma once

#include <GL/gl.h>

#include <memory>
#include <vector>

#include "core/effect.h"
#include "core/script_values.h"
#include "resources/texture.h"

namespace velmora {

// One power-of-two piece of a tiled image with its texture and display list.
struct ImageTile {
    ImageTile() = default;
    ~ImageTile();  // deletes the display list (and, through `texture`, the texture)
    ImageTile(ImageTile&& other) noexcept;
    ImageTile& operator=(ImageTile&&) = delete;

    int width = 0, height = 0;  // powers of two, pixels
    int x = 0, y = 0;           // offset of the tile in the image, pixels
    GLuint list = 0;            // display list drawing the tile's share of the unit square; 0 = none
    Texture texture;
};

// Splits `size` into power-of-two blocks of at most 256, largest first: 640 gives 256, 256,
// 128 and 480 gives 256, 128, 64, 32. `size` must be positive.
std::vector<int> powerOfTwoBlocks(int size);

class TiledImage {
public:
    // Decodes the TGA data file `fileName` and builds its tiles with a current context. False,
    // leaving no tiles, for a missing file, a rejected TGA, or an odd width or height or one
    // below 8.
    bool load(const char* fileName);
    // Draws every tile over the unit square (0..1 in x and y) with the current matrices.
    void draw() const;

    int columns = 0;
    int rows = 0;
    std::vector<ImageTile> tiles;  // columns x rows, row by row
};

class Picture : public Effect {
public:
    void load() override;    // unload, then tile `filename`; a failure leaves nothing to draw
    void unload() override;  // deletes the tiles
    void update(float delta) override;
    void render() override;
    // `filename`, `tra`, `rot` (degrees), `sca` and `color` (hex RRGGBB).
    EffectScript script() const override;
    const TiledImage* tiledImage() const { return image.get(); }  // null until loaded

private:
    void setPosition(Vector3 v);
    void setRotation(Vector3 degrees);

    char filename[64] = {};
    std::unique_ptr<TiledImage> image;  // null until loaded
    float position[3] = {0, 0, 0};      // z is always 0
    float rotation[3] = {0, 0, 0};      // radians (script degrees x 3.14 / 180)
    float scale[3] = {1, 1, 1};
    float color[3] = {1, 1, 1};  // red, green, blue
};

}  // namespace velmora
