// Author mode's overlay: a few lines of text over the picture saying where the show stands.
#pragma once

namespace velmora {

class Demo;

// Draws, top left, the show time, the frame rate, the next event's time, the beat and the playing
// module's order and row (when there are), and the effects of the draw order (inactive ones in
// brackets), with a built-in 3 x 5 pixel font. GL state is kept.
void drawOverlay(const Demo& demo, bool paused);

}  // namespace velmora
