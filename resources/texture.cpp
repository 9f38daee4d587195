// Texture creation, upload and binding.
#include "resources/texture.h"

#include <utility>

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

Texture::~Texture() { destroy(); }

Texture::Texture(Texture&& other) noexcept
    : name(std::exchange(other.name, 0)),
      width(std::exchange(other.width, 0)),
      height(std::exchange(other.height, 0)),
      bytesPerPixel(std::exchange(other.bytesPerPixel, 0))
{
}

Texture& Texture::operator=(Texture&& other) noexcept
{
    if (this != &other) {
        destroy();
        name = std::exchange(other.name, 0);
        width = std::exchange(other.width, 0);
        height = std::exchange(other.height, 0);
        bytesPerPixel = std::exchange(other.bytesPerPixel, 0);
    }
    return *this;
}

int Texture::create(int newWidth, int newHeight, int bitsPerPixel)
{
    destroy();
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    setStandardParameters();
    width = newWidth;
    height = newHeight;
    bytesPerPixel = bitsPerPixel / 8;
    if (hasStorage())
        glTexImage2D(GL_TEXTURE_2D, 0, bytesPerPixel, width, height, 0, fileOrderFormat(bytesPerPixel),
                     GL_UNSIGNED_BYTE, nullptr);
    return 0;
}

void Texture::upload(const uint8_t* pixels, size_t size)
{
    if (!hasStorage() || pixels == nullptr ||
        size < static_cast<size_t>(width) * static_cast<size_t>(height) * bytesPerPixel)
        return;
    bind();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, fileOrderFormat(bytesPerPixel), GL_UNSIGNED_BYTE,
                    pixels);
}

void Texture::bind() const
{
    glBindTexture(GL_TEXTURE_2D, name);
    setStandardParameters();
}

void Texture::destroy()
{
    if (name != 0)
        glDeleteTextures(1, &name);
    name = 0;
    width = height = bytesPerPixel = 0;
}

}  // namespace velmora
