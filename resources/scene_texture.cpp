// Scene texture loading, upload and binding.
#include "resources/scene_texture.h"

#include <cstdio>
#include <cstring>

#include "resources/data_file.h"

namespace velmora {

namespace {
constexpr uint32_t kHeaderSize = 18;
}

SceneTexture::SceneTexture(const char* fileName)
    : fileName_(fileName ? fileName : ""), alphaTest_(fileName_.compare(0, 5, "alpha") == 0)
{
}

int SceneTexture::load()
{
    std::printf("Loading Texture... %s\n", fileName_.c_str());
    loaded_ = true;
    DataFile file(fileName_.c_str());
    if (file.size() == 0) {
        std::printf("not found\n");
        return 0;
    }
    if (file.size() < kHeaderSize)
        return 0;
    const uint8_t* header = file.data();
    const int bits = header[16];
    if (header[0] != 0 || header[1] != 0 || header[2] != 2 || (bits != 16 && bits != 24 && bits != 32))
        return 0;

    const int bytes = bits / 8;
    const int w = header[12] | (header[13] << 8);
    const int h = header[14] | (header[15] << 8);
    const size_t total = static_cast<size_t>(w) * h * bytes;
    if (total > file.size() - kHeaderSize)
        return 0;

    pixels_ = std::make_unique<uint8_t[]>(total);
    std::memcpy(pixels_.get(), header + kHeaderSize, total);
    // Blue-green-red becomes red-green-blue; a 16-bit pixel has no third byte to exchange.
    if (bytes >= 3) {
        for (size_t at = 0; at < total; at += bytes) {
            const uint8_t blue = pixels_[at];
            pixels_[at] = pixels_[at + 2];
            pixels_[at + 2] = blue;
        }
    }
    width_ = w;
    height_ = h;
    bytesPerPixel_ = bytes;
    std::printf("Loaded Texture : %s\n", fileName_.c_str());
    return 1;
}

void SceneTexture::bindName() const
{
    glEnable(GL_TEXTURE_2D);
    texture_.bind();
    if (alphaTest_) {
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, 0.5f);
    } else {
        glDisable(GL_ALPHA_TEST);
    }
}

void SceneTexture::create()
{
    if (!pixels_)
        return;
    if (!texture_)
        texture_ = GlTexture::generate();
    bindName();
    if (bytesPerPixel_ == 3 || bytesPerPixel_ == 4) {
        const GLenum format = bytesPerPixel_ == 4 ? GL_RGBA : GL_RGB;
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, bytesPerPixel_, width_, height_, 0, format, GL_UNSIGNED_BYTE, pixels_.get());
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
}

void SceneTexture::bind()
{
    if (!loaded_) {
        load();
        create();
    }
    if (texture_)
        bindName();
}

}  // namespace velmora
