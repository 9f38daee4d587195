// A GL texture made from decoded image pixels, uploaded in the file's own byte order
// (blue-green-red, blue-green-red-alpha).
#pragma once

#include <cstddef>
#include <cstdint>

#include "resources/gl_objects.h"

namespace velmora {

class Texture {
public:
    // Generates and binds a texture with the standard parameters and allocates level 0 storage
    // (no data) for 3 or 4 bytes per pixel; other depths get a texture but no storage. A
    // previous texture of this object is deleted first. Returns 0.
    int create(int width, int height, int bitsPerPixel);
    // Replaces the whole image from `pixels` (width x height x bytesPerPixel bytes, bottom row
    // first). Does nothing without storage or when `size` is smaller than that.
    void upload(const uint8_t* pixels, size_t size);
    // Binds to GL_TEXTURE_2D (texture 0 when none was created) and sets the standard
    // parameters: linear filters, repeat wrapping, modulate.
    void bind() const;
    // Deletes the GL texture; the sizes return to 0.
    void reset();

    bool hasStorage() const { return texture_ && (bytesPerPixel_ == 3 || bytesPerPixel_ == 4); }
    // Empty until created; deleted with this object, which needs the context that created it.
    const GlTexture& texture() const { return texture_; }
    int width() const { return width_; }
    int height() const { return height_; }
    int bytesPerPixel() const { return bytesPerPixel_; }  // 3 or 4 when usable

private:
    GlTexture texture_;
    int width_ = 0;
    int height_ = 0;
    int bytesPerPixel_ = 0;
};

// Reads the TGA data file `fileName` and uploads it into `texture`. False, with `texture` left
// as it was, when the file is missing or does not decode.
bool loadTgaTexture(const char* fileName, Texture& texture);

}  // namespace velmora
