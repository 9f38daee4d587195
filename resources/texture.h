// A GL texture made from decoded image pixels, uploaded in the file's own byte order
// (blue-green-red, blue-green-red-alpha).
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>

namespace velmora {

class Texture {
public:
    Texture() = default;
    ~Texture();  // deletes the GL texture; needs the context that created it to be current
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;
    Texture(Texture&& other) noexcept;
    Texture& operator=(Texture&& other) noexcept;

    // Generates and binds a texture name with the standard parameters and allocates level 0
    // storage (no data) for 3 or 4 bytes per pixel; other depths get a name but no storage.
    // A previous texture of this object is deleted first. Returns 0.
    int create(int width, int height, int bitsPerPixel);
    // Replaces the whole image from `pixels` (width x height x bytesPerPixel bytes, bottom row
    // first). Does nothing without storage or when `size` is smaller than that.
    void upload(const uint8_t* pixels, size_t size);
    // Binds to GL_TEXTURE_2D (texture name 0 when none was created) and sets the standard
    // parameters: linear filters, repeat wrapping, modulate.
    void bind() const;
    // Deletes the GL texture; the fields return to 0.
    void destroy();

    bool hasStorage() const { return name != 0 && (bytesPerPixel == 3 || bytesPerPixel == 4); }

    GLuint name = 0;  // 0 = none
    int width = 0;
    int height = 0;
    int bytesPerPixel = 0;  // 3 or 4 when usable
};

}  // namespace velmora
