// GL state that every context of the show starts from, shared by the window and the offscreen
// context so that tests draw under the same conditions as the show.
#pragma once

namespace velmora {

// Depth test on, fill both faces, light 0 and material colours as the show expects.
// Lighting itself stays off.
void applyInitialGLState();

// Viewport over width x height, 45-degree perspective (near 0.2, far 1300), identity model-view,
// both buffers cleared. A zero height keeps the previous projection.
void applyProjection(int width, int height);

// Within a window of windowWidth x windowHeight: clears it black, then sets the viewport to the
// largest centred rectangle of the picture's aspect ratio, keeping the projection of that ratio.
void letterbox(int windowWidth, int windowHeight, int pictureWidth, int pictureHeight);

// For drawing in clip coordinates (-1..1 across the viewport) within a scope: pushes both the
// projection and the model-view matrix and loads identities; the end of the scope pops both and
// leaves the model-view matrix selected.
class IdentityMatrices {
public:
    IdentityMatrices();
    ~IdentityMatrices();
    IdentityMatrices(const IdentityMatrices&) = delete;
    IdentityMatrices& operator=(const IdentityMatrices&) = delete;
};

}  // namespace velmora
