// A FastTracker 2 extended module (.xm) in memory and its byte-exact writer: patterns of note
// cells and instruments with one 16-bit sample and a volume envelope each.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::soundtrack {

constexpr int kNoteOff = 97;  // XM notes are 1 (C-0) to 96 (B-7)

struct Cell {
    uint8_t note = 0;        // 0 none, 1..96, kNoteOff
    uint8_t instrument = 0;  // 0 none, 1-based
    uint8_t volume = 0;      // volume column: 0 none, 0x10 + 0..64 sets the volume
    uint8_t effect = 0;
    uint8_t parameter = 0;
};

struct Pattern {
    int rows = 64;
    std::vector<Cell> cells;  // rows x channels, row-major
};

struct EnvelopePoint {
    uint16_t tick;
    uint16_t value;  // 0..64
};

struct Instrument {
    std::string name;  // up to 22 characters
    std::vector<int16_t> sample;  // mono 16-bit
    uint32_t loopStart = 0, loopLength = 0;  // in sample frames; length 0: no loop
    uint8_t volume = 64;                     // 0..64
    int8_t relativeNote = 0;                 // semitones: note C-4 plays the sample at 8363 Hz
    int8_t finetune = 0;                     // 1/128 semitone
    uint8_t panning = 128;
    std::vector<EnvelopePoint> envelope;  // empty: none; at most 12 points
    int sustainPoint = -1;                // index into envelope, -1: no sustain
    uint16_t fadeout = 0;                 // volume fall per tick after key-off, of 32768
    uint8_t vibratoDepth = 0, vibratoRate = 0, vibratoSweep = 0;
};

struct Song {
    std::string name;
    int channels = 8;  // 2..32
    int speed = 6;     // ticks per row
    int bpm = 125;
    std::vector<uint8_t> orders;  // pattern indices, at most 256
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;

    // The cell at `row`, `channel` of pattern `p`.
    Cell& at(int p, int row, int channel) { return patterns[p].cells[size_t(row) * channels + channel]; }
};

// Sets relativeNote and finetune so that note C-4 plays one sample frame per 1 / `rate` s.
void tuneToRate(Instrument& instrument, double rate);

// The .xm file's bytes.
std::vector<uint8_t> writeXm(const Song& song);

}  // namespace velmora::soundtrack
