// Effect `teddy`: a furry teddy bear, two polygon meshes drawn as dark skin, lit nose and eyes,
// sixteen alpha-tested shells of fur and a textured shadow quad.
#pragma once

#include <memory>
#include <vector>

#include "core/effect.h"
#include "effects/teddy_mesh.h"
#include "resources/gl_objects.h"

namespace velmora {

// One mesh's fur shells, laid out at load in drawing order: per furred face, 16 layers of two
// triangles. Colours are filled in at render from the jitter of that frame.
struct FurShells {
    std::vector<float> positions;  // 3 per vertex
    std::vector<float> texCoords;  // 2 per vertex
    std::vector<float> colours;    // 3 per vertex
};

struct FurModel {
    PolyMesh body;  // "TEDDY.DAT"
    PolyMesh head;  // "TEDHEAD.DAT"
    FurShells bodyFur, headFur;
    GlTexture shadowTexture;  // 64 x 64 RGB from "shadow.bmp", mipmapped
    GlTexture speckTexture;   // 256 x 256 RGBA, generated, mipmapped
};

class Teddy : public Effect {
public:
    static constexpr int kFurLayers = 16;

    ~Teddy() override;
    // Builds the speck texture, reads both meshes and "shadow.bmp". A missing or malformed file
    // ends the process with exit status -1.
    void load() override;
    void unload() override;
    void update(float delta) override;  // turnAngle += delta x 0.2; `speed` does not apply
    // Needs a loaded model (draws nothing otherwise). A furred face that is not a quad ends the
    // process with exit status -1.
    void render() override;
    bool changesStateWhileDrawing() const override { return true; }  // reseeds the shared generator
    void renderUnseen() override;  // the state changes of render, without drawing
    EffectScript script() const override;  // `camera`
    int furTrianglesDrawn() const { return furTriangles_; }  // by the last render

private:
    float turnAngle = 0;  // degrees about +Y, never wrapped
    bool useSceneCamera = false;
    int furTriangles_ = 0;
    std::unique_ptr<FurModel> furModel;  // null before load and after unload

    void drawFur(const PolyMesh& mesh, FurShells& shells, bool isHead);
};

}  // namespace velmora
