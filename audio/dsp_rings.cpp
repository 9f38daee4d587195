// The shared DSP rings.
#include "audio/dsp_rings.h"

namespace velmora {

DspRings& dspRings() {
    static DspRings rings;
    return rings;
}

void resetDspRings() { dspRings() = DspRings{}; }

}  // namespace velmora
