// The texture generator's image: a grid of floating-point RGBA pixels, row 0 at the bottom (as
// the show's BMP and TGA files store them and as GL expects them).
#pragma once

#include <cstddef>
#include <vector>

namespace velmora::texgen {

struct Pixel {
    float r = 0, g = 0, b = 0, a = 1;
};

Pixel operator+(Pixel x, Pixel y);
Pixel operator*(Pixel x, float k);
Pixel operator*(Pixel x, Pixel y);  // channel by channel
Pixel mix(Pixel x, Pixel y, float t);  // x at t = 0, y at t = 1

class Image {
public:
    Image() = default;
    Image(int width, int height, Pixel fill = {});

    int width() const { return width_; }
    int height() const { return height_; }
    // (x, y) must lie inside the image.
    Pixel& at(int x, int y) { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    const Pixel& at(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    // Coordinates wrap around both edges, so every image tiles.
    const Pixel& wrapped(int x, int y) const;
    std::vector<Pixel>& pixels() { return pixels_; }
    const std::vector<Pixel>& pixels() const { return pixels_; }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Pixel> pixels_;
};

}  // namespace velmora::texgen
