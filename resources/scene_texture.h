// The texture record of a scene material: an uncompressed true-colour TGA read once, turned into
// red-green-blue(-alpha) order and uploaded on first use.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "resources/gl_objects.h"

namespace velmora {

class SceneTexture {
public:
    // `fileName` is the data-file name the material gives; a name beginning with "alpha" (exact
    // case) draws with alpha test.
    explicit SceneTexture(const char* fileName);

    // Reads and decodes the file, printing "Loading Texture... %s\n", then "not found\n" for a
    // missing file or "Loaded Texture : %s\n" on success. Marks the record loaded either way, so
    // a failed texture is not tried again. Returns 1 on success, 0 otherwise (a header other than
    // uncompressed 16/24/32-bit true colour without ID or colour map, or too little data).
    int load();
    // With pixels: generates the texture once and uploads level 0 (16-bit images get a texture
    // without storage).
    void create();
    // Loads and creates first if not yet loaded; then, with a texture name, enables
    // GL_TEXTURE_2D, binds it and sets the alpha test (greater than 0.5) on or off.
    void bind();

    const std::string& fileName() const { return fileName_; }
    bool loaded() const { return loaded_; }
    bool alphaTest() const { return alphaTest_; }
    int width() const { return width_; }
    int height() const { return height_; }
    int bytesPerPixel() const { return bytesPerPixel_; }
    // width x height x bytesPerPixel bytes in red-green-blue(-alpha) order; null before a
    // successful load.
    const uint8_t* pixels() const { return pixels_.get(); }
    // Empty until created; deleted with this record, which needs the context that created it.
    const GlTexture& texture() const { return texture_; }

private:
    void bindName() const;

    std::string fileName_;
    bool loaded_ = false;
    int width_ = 0;
    int height_ = 0;
    int bytesPerPixel_ = 0;
    std::unique_ptr<uint8_t[]> pixels_;
    GlTexture texture_;
    bool alphaTest_ = false;
};

}  // namespace velmora
