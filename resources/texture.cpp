// Texture creation, upload and binding.
#include "resources/texture.h"

#include "resources/data_file.h"
#include "resources/tga_image.h"

namespace velmora {

namespace {

void setStandardParameters()
{
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_MODULATE));
}

GLenum fileOrderFormat(int bytesPerPixel) { return bytesPerPixel == 4 ? GL_BGRA : GL_BGR; }

}  // namespace

int Texture::create(int newWidth, int newHeight, int bitsPerPixel)
{
    reset();
    texture_ = GlTexture::generate();
    texture_.bind();
    setStandardParameters();
    width_ = newWidth;
    height_ = newHeight;
    bytesPerPixel_ = bitsPerPixel / 8;
    if (hasStorage())
        glTexImage2D(GL_TEXTURE_2D, 0, bytesPerPixel_, width_, height_, 0, fileOrderFormat(bytesPerPixel_),
                     GL_UNSIGNED_BYTE, nullptr);
    return 0;
}

void Texture::upload(const uint8_t* pixels, size_t size)
{
    if (!hasStorage() || pixels == nullptr ||
        size < static_cast<size_t>(width_) * static_cast<size_t>(height_) * bytesPerPixel_)
        return;
    bind();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width_, height_, fileOrderFormat(bytesPerPixel_), GL_UNSIGNED_BYTE,
                    pixels);
}

void Texture::bind() const
{
    texture_.bind();
    setStandardParameters();
}

void Texture::reset()
{
    texture_.reset();
    width_ = height_ = bytesPerPixel_ = 0;
}

bool loadTgaTexture(const char* fileName, Texture& texture)
{
    DataFile file(fileName);
    TgaImage image;
    if (file.size() == 0 || image.load(file) != 0)
        return false;
    texture.create(image.width, image.height, image.bitsPerPixel);
    texture.upload(image.pixels.get(), image.pixelBytes);
    return true;
}

}  // namespace velmora
