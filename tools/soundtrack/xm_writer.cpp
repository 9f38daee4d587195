// The .xm writer: header, packed patterns, instruments with delta-coded 16-bit samples.
#include "tools/soundtrack/xm_writer.h"

#include <algorithm>
#include <cmath>

namespace velmora::soundtrack {
namespace {

class Bytes {
public:
    void u8(uint32_t v) { out.push_back(uint8_t(v)); }
    void u16(uint32_t v) { u8(v), u8(v >> 8); }
    void u32(uint32_t v) { u16(v), u16(v >> 16); }
    void text(const std::string& s, size_t width) {
        for (size_t i = 0; i < width; ++i) u8(i < s.size() ? uint8_t(s[i]) : 0);
    }
    void zeros(size_t n) { out.insert(out.end(), n, 0); }
    std::vector<uint8_t> out;
};

std::vector<uint8_t> packPattern(const Pattern& p, int channels) {
    Bytes b;
    for (int i = 0; i < p.rows * channels; ++i) {
        const Cell& c = p.cells[i];
        uint8_t mask = 0x80 | (c.note ? 1 : 0) | (c.instrument ? 2 : 0) | (c.volume ? 4 : 0) |
                       (c.effect ? 8 : 0) | (c.parameter ? 16 : 0);
        b.u8(mask);
        if (c.note) b.u8(c.note);
        if (c.instrument) b.u8(c.instrument);
        if (c.volume) b.u8(c.volume);
        if (c.effect) b.u8(c.effect);
        if (c.parameter) b.u8(c.parameter);
    }
    return b.out;
}

void writeInstrument(Bytes& b, const Instrument& in) {
    const bool hasSample = !in.sample.empty();
    b.u32(hasSample ? 263 : 29);
    b.text(in.name, 22);
    b.u8(0);
    b.u16(hasSample ? 1 : 0);
    if (!hasSample) return;
    b.u32(40);
    b.zeros(96);  // every note plays sample 0
    const size_t points = std::min<size_t>(in.envelope.size(), 12);
    for (size_t i = 0; i < 12; ++i) {
        b.u16(i < points ? in.envelope[i].tick : 0);
        b.u16(i < points ? in.envelope[i].value : 0);
    }
    b.zeros(48);  // no panning envelope
    b.u8(uint32_t(points));
    b.u8(0);
    b.u8(in.sustainPoint >= 0 ? uint32_t(in.sustainPoint) : 0);
    b.u8(0), b.u8(0);      // volume loop
    b.u8(0), b.u8(0), b.u8(0);  // panning sustain and loop
    b.u8((points ? 1 : 0) | (points && in.sustainPoint >= 0 ? 2 : 0));
    b.u8(0);
    b.u8(0);  // vibrato: sine
    b.u8(in.vibratoSweep), b.u8(in.vibratoDepth), b.u8(in.vibratoRate);
    b.u16(in.fadeout);
    b.zeros(22);
    // Sample header; lengths in bytes.
    b.u32(uint32_t(in.sample.size() * 2));
    b.u32(in.loopStart * 2);
    b.u32(in.loopLength * 2);
    b.u8(in.volume);
    b.u8(uint8_t(in.finetune));
    b.u8((in.loopLength ? 1 : 0) | 0x10);
    b.u8(in.panning);
    b.u8(uint8_t(in.relativeNote));
    b.u8(0);
    b.text(in.name, 22);
    int16_t previous = 0;
    for (int16_t s : in.sample) {
        b.u16(uint16_t(int16_t(s - previous)));
        previous = s;
    }
}

}  // namespace

void tuneToRate(Instrument& instrument, double rate) {
    double semitones = 12.0 * std::log2(rate / 8363.0);
    int whole = int(std::lround(semitones));
    int fine = int(std::lround((semitones - whole) * 128));
    instrument.relativeNote = int8_t(whole);
    instrument.finetune = int8_t(std::clamp(fine, -128, 127));
}

std::vector<uint8_t> writeXm(const Song& song) {
    Bytes b;
    b.text("Extended Module: ", 17);
    b.text(song.name, 20);
    b.u8(0x1A);
    b.text("velmora soundtrack", 20);
    b.u16(0x0104);
    b.u32(276);
    b.u16(uint32_t(song.orders.size()));
    b.u16(0);
    b.u16(uint32_t(song.channels));
    b.u16(uint32_t(song.patterns.size()));
    b.u16(uint32_t(song.instruments.size()));
    b.u16(1);  // linear frequency table
    b.u16(uint32_t(song.speed));
    b.u16(uint32_t(song.bpm));
    for (size_t i = 0; i < 256; ++i) b.u8(i < song.orders.size() ? song.orders[i] : 0);
    for (const Pattern& p : song.patterns) {
        auto packed = packPattern(p, song.channels);
        b.u32(9);
        b.u8(0);
        b.u16(uint32_t(p.rows));
        b.u16(uint32_t(packed.size()));
        b.out.insert(b.out.end(), packed.begin(), packed.end());
    }
    for (const Instrument& in : song.instruments) writeInstrument(b, in);
    return b.out;
}

}  // namespace velmora::soundtrack
