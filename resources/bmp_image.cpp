// Fixed-size BMP decoding and mipmapped upload.
#include "resources/bmp_image.h"

#include <GL/glu.h>

#include "resources/data_file.h"

namespace velmora {

namespace {
constexpr size_t kBmpHeaderSize = 54;
}

int bmpComponents(BmpPixelOrder order) { return order == BmpPixelOrder::LeafAlpha ? 4 : 3; }

BmpReadResult decodeFixedBmp(const uint8_t* file, size_t fileSize, int width, int height, BmpPixelOrder order,
                             std::vector<uint8_t>& pixels)
{
    const int components = bmpComponents(order);
    const size_t count = static_cast<size_t>(width > 0 ? width : 0) * static_cast<size_t>(height > 0 ? height : 0);
    pixels.assign(count * components, 0);
    if (file == nullptr || fileSize == 0)
        return BmpReadResult::Missing;

    const size_t available = fileSize > kBmpHeaderSize ? (fileSize - kBmpHeaderSize) / 3 : 0;
    const size_t whole = available < count ? available : count;
    const uint8_t* in = file + kBmpHeaderSize;
    for (size_t i = 0; i < whole; ++i, in += 3) {
        uint8_t* out = &pixels[i * components];
        switch (order) {
        case BmpPixelOrder::AsStored:
            out[0] = in[0], out[1] = in[1], out[2] = in[2];
            break;
        case BmpPixelOrder::Reversed:
            out[0] = in[2], out[1] = in[1], out[2] = in[0];
            break;
        case BmpPixelOrder::LeafAlpha:
            out[0] = in[0] == 0 ? 0 : 255, out[1] = in[2], out[2] = in[1], out[3] = in[0];
            break;
        }
    }
    return whole == count ? BmpReadResult::Complete : BmpReadResult::Short;
}

BmpReadResult readFixedBmp(const char* name, int width, int height, BmpPixelOrder order,
                           std::vector<uint8_t>& pixels)
{
    DataFile file(name);
    return decodeFixedBmp(file.data(), file.size(), width, height, order, pixels);
}

GlTexture buildMipmappedTexture(const std::vector<uint8_t>& pixels, int width, int height, int components)
{
    glEnable(GL_TEXTURE_2D);
    GlTexture texture = GlTexture::generate();
    texture.bind();
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_MODULATE));
    if (pixels.size() >= static_cast<size_t>(width) * height * components) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        gluBuild2DMipmaps(GL_TEXTURE_2D, components, width, height, components == 4 ? GL_RGBA : GL_RGB,
                          GL_UNSIGNED_BYTE, pixels.data());
    }
    return texture;
}

}  // namespace velmora
