// The full-screen square that the screen effects lay over the frame.
#pragma once

namespace velmora {

// Draws the unit square as two triangles, (0,0) (1,0) (1,1) and (0,0) (0,1) (1,1), over the
// whole viewport in the current colour and blend state. Both matrices are restored afterwards
// and the model-view matrix mode is left selected.
void drawScreenSquare();

}  // namespace velmora
