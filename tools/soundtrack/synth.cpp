// Additive and noise synthesis of the soundtrack's instruments and sounds.
#include "tools/soundtrack/synth.h"

#include <algorithm>
#include <cmath>

namespace velmora::soundtrack {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kCycle = 256;             // samples per cycle of the pitched loops
constexpr double kMiddleC = 261.6256;  // the pitch of note C-4

// Deterministic white noise in -1..1.
class Noise {
public:
    double next() {
        state_ = state_ * 1103515245u + 12345u;
        return double((state_ >> 8) & 0xFFFF) / 32768.0 - 1.0;
    }

private:
    uint32_t state_ = 0x5EED;
};

std::vector<int16_t> toPcm(const std::vector<double>& wave, double peak) {
    double top = 1e-9;
    for (double v : wave) top = std::max(top, std::fabs(v));
    std::vector<int16_t> out(wave.size());
    for (size_t i = 0; i < wave.size(); ++i) out[i] = int16_t(std::lround(wave[i] / top * peak * 32767));
    return out;
}

// A loop of `cycles` cycles of kCycle samples each, summing oscillators given as a cycle count
// over the loop (so the loop is seamless) and a harmonic weight function.
template <typename Weight>
void addPartials(std::vector<double>& loop, int cyclesInLoop, int harmonics, double gain, Weight weight) {
    const size_t n = loop.size();
    for (int h = 1; h <= harmonics; ++h) {
        double w = weight(h) * gain;
        if (w == 0) continue;
        double step = 2 * kPi * double(cyclesInLoop) * h / double(n);
        for (size_t i = 0; i < n; ++i) loop[i] += w * std::sin(step * double(i));
    }
}

Instrument pitched(const char* name, std::vector<double> loop, double peak) {
    Instrument in;
    in.name = name;
    in.sample = toPcm(loop, peak);
    in.loopStart = 0;
    in.loopLength = uint32_t(in.sample.size());
    tuneToRate(in, kMiddleC * kCycle);
    return in;
}

Instrument drum(const char* name, const std::vector<double>& wave, double peak) {
    Instrument in;
    in.name = name;
    in.sample = toPcm(wave, peak);
    tuneToRate(in, kSynthRate);
    return in;
}

// The 808's six detuned square waves, the metal of hats and cymbals.
double metal(double t) {
    static const double kFrequencies[] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    double v = 0;
    for (double f : kFrequencies) v += std::fmod(t * f * 3.7, 1.0) < 0.5 ? 1 : -1;
    return v / 6;
}

std::vector<double> cymbal(double seconds, double decay, double noiseMix) {
    Noise noise;
    std::vector<double> out(size_t(seconds * kSynthRate));
    double previous = 0, previous2 = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        double t = double(i) / kSynthRate;
        double raw = metal(t) * (1 - noiseMix) + noise.next() * noiseMix;
        double high = raw - 2 * previous + previous2;  // second difference: keeps the top end
        previous2 = previous;
        previous = raw;
        out[i] = high * std::exp(-t * decay) * std::min(1.0, t * 2000);
    }
    return out;
}

}  // namespace

Instrument kickDrum() {
    std::vector<double> out(size_t(0.45 * kSynthRate));
    Noise noise;
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        double t = double(i) / kSynthRate;
        double f = 44 + 120 * std::exp(-t * 28);
        phase += 2 * kPi * f / kSynthRate;
        double body = std::sin(phase) * std::exp(-t * 6.5);
        double click = t < 0.004 ? noise.next() * 0.3 * (1 - t / 0.004) : 0;
        out[i] = std::tanh(1.6 * (body + click));
    }
    return drum("kick", out, 0.95);
}

Instrument snareDrum() {
    std::vector<double> out(size_t(0.3 * kSynthRate));
    Noise noise;
    double low = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        double t = double(i) / kSynthRate;
        double tone = (std::sin(2 * kPi * 185 * t) + 0.5 * std::sin(2 * kPi * 330 * t)) * std::exp(-t * 30);
        double n = noise.next();
        low += (n - low) * 0.3;  // take the lowest part out of the rattle
        double rattle = (n - low * 0.7) * std::exp(-t * 16);
        out[i] = 0.55 * tone + 0.75 * rattle;
    }
    return drum("snare", out, 0.9);
}

Instrument closedHat() { return drum("closed hat", cymbal(0.09, 55, 0.4), 0.8); }
Instrument openHat() { return drum("open hat", cymbal(0.4, 9, 0.4), 0.8); }
Instrument crashCymbal() { return drum("crash", cymbal(2.2, 2.2, 0.7), 0.85); }

Instrument bassSynth() {
    // Two saws 17 cents apart, rounded off, over a sine sub.
    std::vector<double> loop(size_t(kCycle) * 100);
    auto saw = [](int h) { return (1.0 / h) / (1 + std::pow(h / 7.0, 2)); };
    addPartials(loop, 100, 40, 1.0, saw);
    addPartials(loop, 101, 40, 0.45, saw);
    addPartials(loop, 100, 1, 0.6, [](int) { return 1.0; });
    Instrument in = pitched("bass", loop, 0.9);
    in.envelope = {{0, 64}, {6, 52}, {30, 44}};
    in.sustainPoint = 2;
    in.fadeout = 2400;
    return in;
}

Instrument padSynth() {
    // Five saws spread over a few cents with a soft top, and a quiet octave.
    std::vector<double> loop(size_t(kCycle) * 200);
    auto soft = [](int h) { return (1.0 / h) / (1 + std::pow(h / 5.0, 2)); };
    for (int cycles : {198, 199, 200, 201, 202}) addPartials(loop, cycles, 24, 1.0, soft);
    addPartials(loop, 401, 12, 0.35, soft);
    Instrument in = pitched("pad", loop, 0.8);
    in.envelope = {{0, 0}, {24, 64}, {60, 54}};
    in.sustainPoint = 2;
    in.fadeout = 700;
    return in;
}

Instrument leadSynth() {
    // A pulse (odd and some even harmonics) doubled slightly sharp, with automatic vibrato.
    std::vector<double> loop(size_t(kCycle) * 100);
    auto pulse = [](int h) { return (h % 2 ? 1.0 : 0.35) / h / (1 + std::pow(h / 14.0, 2)); };
    addPartials(loop, 100, 48, 1.0, pulse);
    addPartials(loop, 101, 48, 0.6, pulse);
    Instrument in = pitched("lead", loop, 0.85);
    in.envelope = {{0, 40}, {3, 64}, {14, 50}, {60, 44}};
    in.sustainPoint = 3;
    in.fadeout = 1800;
    in.vibratoSweep = 30;
    in.vibratoDepth = 6;
    in.vibratoRate = 10;
    return in;
}

Instrument pluckSynth() {
    std::vector<double> loop(size_t(kCycle) * 4);
    addPartials(loop, 4, 32, 1.0, [](int h) { return (h % 2 ? 1.0 : 0.5) / h; });
    Instrument in = pitched("pluck", loop, 0.8);
    in.envelope = {{0, 64}, {5, 30}, {18, 8}, {40, 0}};
    in.fadeout = 4000;
    return in;
}

std::vector<int16_t> impactSound() {
    const size_t n = size_t(1.5 * kSynthRate);
    std::vector<double> left(n), right(n);
    Noise noise;
    double phase = 0, lowL = 0, lowR = 0;
    for (size_t i = 0; i < n; ++i) {
        double t = double(i) / kSynthRate;
        phase += 2 * kPi * (38 + 60 * std::exp(-t * 9)) / kSynthRate;
        double boom = std::sin(phase) * std::exp(-t * 3.2);
        double cutoff = 0.02 + 0.5 * std::exp(-t * 4);  // the sweep closes
        lowL += (noise.next() - lowL) * cutoff;
        lowR += (noise.next() - lowR) * cutoff;
        double air = std::exp(-t * 2.5) * 0.6;
        left[i] = std::tanh(1.4 * boom + lowL * air);
        right[i] = std::tanh(1.4 * boom + lowR * air);
    }
    auto l = toPcm(left, 0.7), r = toPcm(right, 0.7);
    std::vector<int16_t> out(n * 2);
    for (size_t i = 0; i < n; ++i) out[i * 2] = l[i], out[i * 2 + 1] = r[i];
    return out;
}

std::vector<int16_t> ambientStream(double seconds) {
    // A, E, A, C, E, G over two octaves: an A minor seventh drone whose overtones swell in turn.
    static const double kNotes[] = {110.0, 164.81, 220.0, 261.63, 329.63, 392.0};
    const size_t n = size_t(seconds * kSynthRate);
    std::vector<double> left(n), right(n);
    for (size_t k = 0; k < std::size(kNotes); ++k) {
        for (int voice = 0; voice < 2; ++voice) {
            double f = kNotes[k] * (voice ? 1.003 : 0.997);
            double pan = voice ? 0.7 : 0.3;
            for (int h = 1; h <= 6; ++h) {
                double w = 1.0 / (h * h);
                double swellRate = 0.05 + 0.03 * double(k) + 0.02 * h;
                for (size_t i = 0; i < n; ++i) {
                    double t = double(i) / kSynthRate;
                    double swell = 0.55 + 0.45 * std::sin(2 * kPi * swellRate * t + double(k + h));
                    double v = w * swell * std::sin(2 * kPi * f * h * t);
                    left[i] += v * (1 - pan);
                    right[i] += v * pan;
                }
            }
        }
    }
    // Fade in and out over two seconds.
    for (size_t i = 0; i < n; ++i) {
        double t = double(i) / kSynthRate;
        double fade = std::min({1.0, t / 2, (seconds - t) / 2});
        left[i] *= fade;
        right[i] *= fade;
    }
    double top = 1e-9;
    for (size_t i = 0; i < n; ++i) top = std::max({top, std::fabs(left[i]), std::fabs(right[i])});
    std::vector<int16_t> out(n * 2);
    for (size_t i = 0; i < n; ++i) {
        out[i * 2] = int16_t(std::lround(left[i] / top * 0.7 * 32767));
        out[i * 2 + 1] = int16_t(std::lround(right[i] / top * 0.7 * 32767));
    }
    return out;
}

}  // namespace velmora::soundtrack
