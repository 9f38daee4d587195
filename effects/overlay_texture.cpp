// The optional texture of the procedural overlays.
#include "effects/overlay_texture.h"

namespace velmora {

void OverlayTexture::load(const char* fileName)
{
    unload();
    if (fileName[0] == '\0')
        return;
    loadTgaTexture(fileName, texture);
}

void OverlayTexture::bind() const
{
    if (loaded())
        texture.bind();
}

}  // namespace velmora
