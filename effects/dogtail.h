// Effect `dogtail`: ten tumbling copies of Enneper's minimal surface, drawn additively with a
// sphere-mapped texture.
#pragma once

#include "core/effect.h"
#include "resources/gl_objects.h"
#include "resources/texture.h"

namespace velmora {

// Enneper's surface at parameters (a, b): the point, and the shading vector |P| / |P|
// component by component.
void ennepersPoint(float a, float b, float point[3], float shade[3]);

class DogTail : public Effect {
public:
    ~DogTail() override;
    // Loads the texture named by `filename` and builds the surface's display list; an image that
    // cannot be decoded leaves both unbuilt.
    void load() override;
    void unload() override;             // deletes the display list; the texture stays
    void update(float delta) override;  // time += delta x speed
    // Replaces the projection, reseeds the shared generator with 300 and draws the ten copies.
    void render() override;
    bool changesStateWhileDrawing() const override { return true; }  // reseeds the shared generator
    void renderUnseen() override;  // the state changes of render, without drawing
    EffectScript script() const override;                   // `filename`
    int cellCount() const { return list ? gridCells : 0; }  // cells in the built display list

private:
    float time = 0;
    float steps = 7.0f;  // grid steps per pi in each parameter
    float vMin = -3.1415927f, vMax = 3.1415927f;
    float uMin = -3.1415927f, uMax = 3.1415927f;
    DisplayLists list;  // the surface; empty when not built
    char filename[64] = {};
    Texture texture;
    int gridCells = 0;  // cells in the display list
};

}  // namespace velmora
