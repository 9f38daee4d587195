// The optional texture of the procedural overlays.
#include "effects/overlay_texture.h"

#include "resources/data_file.h"
#include "resources/tga_image.h"

namespace velmora {

void OverlayTexture::load(const char* fileName)
{
    unload();
    if (fileName[0] == '\0')
        return;
    DataFile file(fileName);
    TgaImage image;
    if (file.size() == 0 || image.load(file) != 0)
        return;
    texture.create(image.width, image.height, image.bitsPerPixel);
    texture.upload(image.pixels.get(), image.pixelBytes);
}

void OverlayTexture::bind() const
{
    if (loaded())
        texture.bind();
}

}  // namespace velmora
