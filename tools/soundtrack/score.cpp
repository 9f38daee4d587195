// The soundtrack's score in A minor: Am-F-C-G for the drops, Dm-Am-F-E for the calm part.
#include "tools/soundtrack/score.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "tools/soundtrack/synth.h"

namespace velmora::soundtrack {
namespace {

// Channels and instruments (1-based) of the arrangement.
enum Channel { kKick, kSnare, kHat, kBass, kPad1, kPad2, kPad3, kLead, kPluck, kCrash, kChannels };
enum InstrumentId { iKick = 1, iSnare, iClosedHat, iOpenHat, iCrash, iBass, iPad, iLead, iPluck };

constexpr int kRowsPerBar = 16;

struct Chord {
    const char* bass;
    const char* pad[3];
};
const Chord kAm = {"A-1", {"A-3", "C-4", "E-4"}};
const Chord kF = {"F-1", {"A-3", "C-4", "F-4"}};
const Chord kC = {"C-2", {"G-3", "C-4", "E-4"}};
const Chord kG = {"G-1", {"G-3", "B-3", "D-4"}};
const Chord kDm = {"D-2", {"A-3", "D-4", "F-4"}};
const Chord kE = {"E-1", {"G#3", "B-3", "E-4"}};
const Chord* const kDrive[4] = {&kAm, &kF, &kC, &kG};
const Chord* const kCalm[4] = {&kDm, &kAm, &kF, &kE};

// Melodies: note:rows tokens, "r" rests; each line is one bar of 16 rows.
const char* const kThemeA[4] = {
    "E-5:4 A-5:2 G-5:2 E-5:4 D-5:2 C-5:2",
    "C-5:4 D-5:2 E-5:2 F-5:6 E-5:2",
    "G-5:4 E-5:2 C-5:2 D-5:4 E-5:2 G-5:2",
    "D-5:4 B-4:4 G-5:6 r:2",
};
const char* const kThemeB[4] = {
    "E-5:4 A-5:2 B-5:2 C-6:4 B-5:2 A-5:2",
    "A-5:4 G-5:2 F-5:2 E-5:4 F-5:2 A-5:2",
    "G-5:6 E-5:2 C-5:4 E-5:4",
    "D-5:4 B-4:4 E-5:8",
};
const char* const kThemeEnd[4] = {
    "E-5:4 A-5:2 B-5:2 C-6:4 B-5:2 A-5:2",
    "A-5:4 G-5:2 F-5:2 E-5:4 F-5:2 A-5:2",
    "G-5:6 E-5:2 C-5:4 E-5:4",
    "D-5:4 E-5:4 A-5:8",
};
const char* const kCalmTheme[4] = {
    "F-5:8 E-5:4 D-5:4",
    "C-5:8 E-5:8",
    "A-5:8 G-5:4 F-5:4",
    "E-5:4 G#5:8 B-5:4",
};
const char* const kCalmAnswer[4] = {
    "A-5:8 F-5:4 D-5:4",
    "E-5:8 C-5:4 A-4:4",
    "C-5:6 D-5:2 F-5:8",
    "E-5:12 r:4",
};

uint8_t volume(int v) { return uint8_t(0x10 + std::clamp(v, 0, 64)); }

class Arranger {
public:
    explicit Arranger(Song& song) : song_(song) {}

    void newPattern() {
        Pattern p;
        p.cells.resize(size_t(p.rows) * song_.channels);
        song_.patterns.push_back(std::move(p));
        song_.orders.push_back(uint8_t(song_.patterns.size() - 1));
    }
    int current() const { return int(song_.patterns.size()) - 1; }

    void hit(int bar, int row, int channel, int instrument, const char* note, int vol) {
        Cell& c = song_.at(current(), bar * kRowsPerBar + row, channel);
        c.note = uint8_t(noteNumber(note));
        c.instrument = uint8_t(instrument);
        c.volume = volume(vol);
    }

    // Drum grooves, one character per row: 'x' full, 'o' soft, '-' ghost, '.' nothing.
    void drums(int bar, int channel, int instrument, const char* groove, int loud) {
        for (int row = 0; row < kRowsPerBar && groove[row]; ++row) {
            char g = groove[row];
            if (g == '.') continue;
            int v = g == 'x' ? loud : g == 'o' ? loud * 2 / 3 : loud / 3;
            hit(bar, row, channel, instrument, "C-4", v);
        }
    }
    // Hats: 'x' closed, 'o' soft closed, 'O' open.
    void hats(int bar, const char* groove, int loud) {
        for (int row = 0; row < kRowsPerBar && groove[row]; ++row) {
            char g = groove[row];
            if (g == 'O') hit(bar, row, kHat, iOpenHat, "C-4", loud);
            if (g == 'x') hit(bar, row, kHat, iClosedHat, "C-4", loud);
            if (g == 'o') hit(bar, row, kHat, iClosedHat, "C-4", loud / 2);
        }
    }
    void pad(int bar, const Chord& chord, int vol) {
        for (int v = 0; v < 3; ++v) hit(bar, 0, kPad1 + v, iPad, chord.pad[v], vol);
    }
    // Bass line: 'r' root, 'o' root an octave up, 'f' the fifth, '.' hold, '-' note off.
    void bass(int bar, const Chord& chord, const char* line, int vol) {
        int root = noteNumber(chord.bass);
        for (int row = 0; row < kRowsPerBar && line[row]; ++row) {
            char g = line[row];
            Cell& c = song_.at(current(), bar * kRowsPerBar + row, kBass);
            if (g == '-') c.note = kNoteOff;
            if (g != 'r' && g != 'o' && g != 'f') continue;
            c.note = uint8_t(root + (g == 'o' ? 12 : g == 'f' ? 7 : 0));
            c.instrument = iBass;
            c.volume = volume(row % 4 == 0 ? vol : vol * 4 / 5);
        }
    }
    // Arpeggio of the chord's pad notes an octave up, every `step` rows, rising.
    void arp(int bar, const Chord& chord, int step, int vol, int firstRow = 0) {
        int k = 0;
        for (int row = firstRow; row < kRowsPerBar; row += step, ++k) {
            int n = noteNumber(chord.pad[k % 3]) + 12 * (1 + (k / 3) % 2);
            Cell& c = song_.at(current(), bar * kRowsPerBar + row, kPluck);
            c.note = uint8_t(n);
            c.instrument = iPluck;
            c.volume = volume(vol - (row % 4 ? 6 : 0));
        }
    }
    // One bar of melody on the lead channel, `shift` semitones up.
    void melody(int bar, const char* line, int vol, int shift = 0) {
        std::istringstream tokens(line);
        std::string token;
        int row = 0;
        while (tokens >> token && row < kRowsPerBar) {
            auto colon = token.find(':');
            int length = std::stoi(token.substr(colon + 1));
            std::string name = token.substr(0, colon);
            Cell& c = song_.at(current(), bar * kRowsPerBar + row, kLead);
            if (name == "r") {
                c.note = kNoteOff;
            } else {
                c.note = uint8_t(noteNumber(name.c_str()) + shift);
                c.instrument = iLead;
                c.volume = volume(vol);
            }
            row += length;
        }
    }
    void crash(int bar, int row, int vol) { hit(bar, row, kCrash, iCrash, "C-4", vol); }
    // Fine volume slide down by one on every row from `bar` to the pattern's end (effect EB1).
    void fineFadeOut(int bar, int channel) {
        for (int row = bar * kRowsPerBar; row < 4 * kRowsPerBar; ++row) {
            Cell& c = song_.at(current(), row, channel);
            c.effect = 0xE;
            c.parameter = 0xB1;
        }
    }

private:
    Song& song_;
};

const char* const kFourFloor = "x...x...x...x...";
const char* const kBackbeat = "....x.......x...";
const char* const kDriveBass = "r.o.r.o.r.o.r.of";

void intro(Arranger& a, int pattern) {
    a.newPattern();
    for (int bar = 0; bar < 4; ++bar) {
        const Chord& chord = *kDrive[bar];
        a.pad(bar, chord, 28 + pattern * 8 + bar * 2);
        if (pattern == 1) a.arp(bar, chord, 2, 22 + bar * 3);
        if (pattern == 1 && bar >= 2) a.hats(bar, "..o...o...o...o.", 28);
        if (pattern == 1 && bar == 3) a.drums(bar, kSnare, iSnare, "............-o-x", 40);
    }
    if (pattern == 0) a.hit(0, 0, kCrash, iCrash, "C-3", 20);
}

void buildUp(Arranger& a, int pattern, bool second) {
    a.newPattern();
    for (int bar = 0; bar < 4; ++bar) {
        const Chord& chord = *kDrive[bar];
        const int bars = pattern * 4 + bar;  // 0..7 within the build-up
        a.pad(bar, chord, 30 + bars);
        a.bass(bar, chord, bars < 4 && !second ? "r.......r...r..." : "r.r.r.r.r.r.r.rf", 40 + bars * 2);
        a.drums(bar, kKick, iKick, bars == 7 ? "x.x.x.x.x.x.x.x." : kFourFloor, 50 + bars * 2);
        a.hats(bar, bars < 4 ? "..x...x...x...x." : "o.x.o.x.o.x.o.x.", 30 + bars * 2);
        a.arp(bar, chord, bars < 6 ? 2 : 1, 24 + bars * 3);
        if (second || pattern == 1) {
            const char* roll = bars < 6 ? "....x.......x..." : bars == 6 ? "x.x.x.x.x.x.x.x." : "xxxxxxxxxxxxxxxx";
            a.drums(bar, kSnare, iSnare, roll, 30 + bars * 4);
        }
        if (second && bar == 0 && pattern == 0) a.crash(0, 0, 40);
    }
}

void drop(Arranger& a, const char* const theme[4], int pattern, bool big) {
    a.newPattern();
    for (int bar = 0; bar < 4; ++bar) {
        const Chord& chord = *kDrive[bar];
        a.pad(bar, chord, 34);
        a.bass(bar, chord, kDriveBass, 52);
        a.drums(bar, kKick, iKick, kFourFloor, 64);
        a.drums(bar, kSnare, iSnare, bar == 3 && pattern % 2 == 1 ? "....x.......x-xx" : kBackbeat, 52);
        a.hats(bar, big ? "xoOoxoOoxoOoxoOx" : "x.O.x.O.x.O.x.O.", 34);
        a.melody(bar, theme[bar], 46);
        if (big) a.arp(bar, chord, 2, 20, 1);
    }
    if (pattern == 0) a.crash(0, 0, 50);
}

void calm(Arranger& a, int pattern) {
    a.newPattern();
    const char* const* theme = pattern == 1 ? kCalmAnswer : kCalmTheme;
    for (int bar = 0; bar < 4; ++bar) {
        const Chord& chord = *kCalm[bar];
        a.pad(bar, chord, 36);
        a.bass(bar, chord, "r...............", 34);
        if (pattern < 2) a.melody(bar, theme[bar], 36);
        a.arp(bar, chord, pattern == 2 ? 1 : 2, pattern == 2 ? 18 + bar * 3 : 16);
        if (pattern == 2) a.hats(bar, "..o...o...o...o.", 22 + bar * 4);
        if (pattern == 2 && bar == 3) a.drums(bar, kSnare, iSnare, "........-o-o-xox", 44);
    }
    if (pattern == 0) a.crash(0, 0, 30);
}

// The credits: the drive chords without drums under the last theme, then one held A minor
// chord that fades out slowly over the whole last pattern, so that the sound ends with the show.
void outro(Arranger& a, int pattern) {
    a.newPattern();
    if (pattern == 0) {
        for (int bar = 0; bar < 4; ++bar) {
            const Chord& chord = *kDrive[bar];
            a.pad(bar, chord, 38);
            a.bass(bar, chord, "r.......r.......", 40);
            a.arp(bar, chord, 2, 20 + bar * 2);
            a.hats(bar, "..o...o...o...o.", 22);
            a.melody(bar, kThemeEnd[bar], 36);
        }
        a.drums(0, kKick, iKick, "x...............", 60);
        a.crash(0, 0, 50);
        return;
    }
    a.pad(0, kAm, 40);
    a.bass(0, kAm, "r...............", 44);
    a.drums(0, kKick, iKick, "x...............", 60);
    a.crash(0, 0, 50);
    a.melody(0, "A-5:16", 36);
    // One volume step down per row from the second bar: silent after 40 to 44 rows.
    for (int c : {kPad1, kPad2, kPad3, kBass, kLead}) a.fineFadeOut(1, c);
}

}  // namespace

int noteNumber(const char* name) {
    static const char* const kNames = "C-C#D-D#E-F-F#G-G#A-A#B-";
    if (!name || std::strlen(name) != 3 || name[2] < '0' || name[2] > '7') return 0;
    for (int semitone = 0; semitone < 12; ++semitone)
        if (name[0] == kNames[semitone * 2] && name[1] == kNames[semitone * 2 + 1])
            return (name[2] - '0') * 12 + semitone + 1;
    return 0;
}

const std::vector<Section>& sections() {
    static const std::vector<Section> kSections = {
        {"intro", 0, 2},     {"build-up 1", 2, 2}, {"drop 1", 4, 4}, {"calm", 8, 3},
        {"build-up 2", 11, 2}, {"drop 2", 13, 4},  {"finale", 17, 2}, {"outro", 19, 2},
    };
    return kSections;
}

Song composeSong() {
    Song song;
    song.name = "velmora";
    song.channels = kChannels;
    song.speed = 6;
    song.bpm = 125;
    song.instruments = {kickDrum(),  snareDrum(), closedHat(), openHat(),   crashCymbal(),
                        bassSynth(), padSynth(),  leadSynth(), pluckSynth()};
    Arranger a(song);
    intro(a, 0);
    intro(a, 1);
    buildUp(a, 0, false);
    buildUp(a, 1, false);
    const char* const* drops[4] = {kThemeA, kThemeB, kThemeA, kThemeB};
    for (int p = 0; p < 4; ++p) drop(a, drops[p], p, false);
    for (int p = 0; p < 3; ++p) calm(a, p);
    buildUp(a, 0, true);
    buildUp(a, 1, true);
    for (int p = 0; p < 4; ++p) drop(a, drops[p], p, true);
    drop(a, kThemeB, 0, true);
    drop(a, kThemeEnd, 1, true);
    outro(a, 0);
    outro(a, 1);
    return song;
}

}  // namespace velmora::soundtrack
