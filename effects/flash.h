// The `flash` effect: a coloured full-screen square with an attack, sustain and decay envelope,
// added (mode 0), multiplied (mode 1) or inverting (modes 2 and 3).
#pragma once

#include "core/effect.h"

namespace velmora {

class Flash : public Effect {
public:
    void load() override;               // level = 0
    void update(float delta) override;  // runs the envelope while running
    void render() override;             // drawn also when idle, at level 0
    // `color`, `attack`, `decay`, `sustain`, `mode`; every child `go` restarts the envelope.
    EffectScript script() const override;

private:
    void go();  // restarts the envelope from level 0

    int mode = 0;
    float attack = 1.0f;   // rise per envelope unit
    float decay = 1.0f;    // fall per envelope unit; 0 holds the peak until the next go
    float sustain = 1.0f;  // length of the hold, in envelope units (0.3 per hundredth at speed 1)
    bool running = false;
    float phase = 1.0f;  // 1 rising, 0 holding, -1 falling
    float sustainLeft = 0;
    float level = 0;
    float color[4] = {1, 1, 1, 1};  // red, green, blue, alpha (alpha unused)
};

}  // namespace velmora
