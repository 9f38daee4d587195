// The soundtrack's score: sections, chords, drum grooves and melodies, arranged into an XM song.
#pragma once

#include <string>
#include <vector>

#include "tools/soundtrack/xm_writer.h"

namespace velmora::soundtrack {

struct Section {
    std::string name;
    int firstPattern;
    int patterns;
};

// The sections in playing order; each pattern is 64 rows at speed 6 and 125 BPM (7.68 s).
const std::vector<Section>& sections();
constexpr double kPatternSeconds = 64 * 6 * 2.5 / 125;

// The whole song: instruments synthesised, patterns composed, one order entry per pattern.
Song composeSong();

// XM note number of a name like "A-4", "C#5" (octave 0..7); 0 for text that is no note.
int noteNumber(const char* name);

}  // namespace velmora::soundtrack
