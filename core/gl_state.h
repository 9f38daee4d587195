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

}  // namespace velmora
