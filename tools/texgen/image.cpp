// Pixel arithmetic and the image grid.
#include "tools/texgen/image.h"

namespace velmora::texgen {

Pixel operator+(Pixel x, Pixel y) { return {x.r + y.r, x.g + y.g, x.b + y.b, x.a + y.a}; }
Pixel operator*(Pixel x, float k) { return {x.r * k, x.g * k, x.b * k, x.a * k}; }
Pixel operator*(Pixel x, Pixel y) { return {x.r * y.r, x.g * y.g, x.b * y.b, x.a * y.a}; }
Pixel mix(Pixel x, Pixel y, float t) { return x * (1 - t) + y * t; }

Image::Image(int width, int height, Pixel fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill)
{
}

const Pixel& Image::wrapped(int x, int y) const
{
    x %= width_;
    y %= height_;
    return at(x < 0 ? x + width_ : x, y < 0 ? y + height_ : y);
}

}  // namespace velmora::texgen
