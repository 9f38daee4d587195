// The optional texture of the procedural overlays (`splash`, `quiver`, `wobble`, `waveeffect`):
// without one they draw with whatever texture is bound, which in a show is none.
#pragma once

#include "resources/texture.h"

namespace velmora {

struct OverlayTexture {
    // Reads the TGA of that logical name; an empty name, or a file that is missing or cannot
    // be decoded, leaves no texture (the data layer says which file).
    void load(const char* fileName);
    void unload() { texture.destroy(); }
    bool loaded() const { return texture.hasStorage(); }
    // Binds the texture when there is one; otherwise leaves the binding as it is.
    void bind() const;

    Texture texture;
};

}  // namespace velmora
