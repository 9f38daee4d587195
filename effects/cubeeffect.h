// The `cubeeffect` effect: a skybox of six textured faces around the viewer, drawn without depth
// so that later effects draw over it; turns slowly on its own or follows the current view.
#pragma once

#include <array>

#include "core/effect.h"
#include "resources/texture.h"

namespace velmora {

class CubeEffect : public Effect {
public:
    enum Face { Front, Back, Top, Bottom, Left, Right, FaceCount };

    // Loads the named faces in the order front, back, top, bottom, left, right, stopping at the
    // first image that cannot be loaded; faces without texture draw with texture name 0.
    void load() override;
    void update(float delta) override;  // spinTime += delta x speed
    void render() override;             // leaves its view on the modelview matrix
    // `camera` and `file_front` ... `file_right`.
    EffectScript script() const override;
    bool hasTexture(Face face) const { return faceTextures[face].name != 0; }

private:
    float spinTime = 0;                                       // own clock; 3600 is one turn
    std::array<std::array<char, 64>, FaceCount> fileNames{};  // indexed by Face
    std::array<Texture, FaceCount> faceTextures;              // indexed by Face
    bool camera = false;  // true: the rotation (and scale) of the current modelview, no translation
};

}  // namespace velmora
