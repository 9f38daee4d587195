// Musical time: event times given in beats of the show's tempo, or as an order and row of a
// module that a musicplay effect plays. Both resolve to seconds of the show's clock when the
// script is read, so the timeline only ever sees seconds.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>

namespace velmora {

class Demo;
class ModuleClock;
struct Event;
struct ScriptNode;

// The beat grid of a show: the `demo` attributes `bpm` and `beatoffset`.
struct BeatGrid {
    float bpm = 0;     // beats per minute; none in force unless finite and above 0
    float offset = 0;  // show time of beat 0, seconds

    bool inForce() const;
    // Show time of `beat`, seconds; only meaningful while in force.
    double secondsOf(double beat) const { return offset + beat * 60.0 / bpm; }
    // The beat at show time `seconds` (fractional, negative before beat 0); none without a grid.
    std::optional<double> beatAt(double seconds) const;
};

// A position in a module's pattern order list. Orders and rows of a module are 16-bit numbers.
constexpr int kMaxModulePosition = 0xFFFF;
struct ModulePosition {
    int order = 0;
    int row = 0;
};

// What an effect that plays a module tells about it; the musicplay effect implements it.
class ModuleClock {
public:
    virtual ~ModuleClock() = default;
    // Whether a module is loaded.
    virtual bool hasModule() const = 0;
    // Seconds from the start of the song until playback first reaches `position`, with the
    // module's own tempo and speed changes; none without a module or when the song never
    // reaches that position.
    virtual std::optional<double> secondsAt(ModulePosition position) = 0;
    // The position being played now; none while no module plays.
    virtual std::optional<ModulePosition> playingPosition() const = 0;
};

// Where the lines about events that never fire go: the event's element and the line without
// "XML Error: " and its line break. Empty: printed on standard output as "XML Error: %s\n".
using EventProblems = std::function<void(const ScriptNode& element, const std::string& line)>;

// The effect named `name` if it plays modules, else null.
using FindModuleClock = std::function<ModuleClock*(const char* name)>;

// Reads the musical time of an `event` element into `event` (whose element is set and whose
// `time` and `key` the plain attributes have already given). An event that gives `time`, or
// whose `key` comes after its musical attributes, keeps what it has. `beat="N"` becomes
// offset + N x 60 / bpm of `grid`; `order`, `row` (each 0 when missing) and `music` mark the
// event as waiting for the module (never firing until resolveModuleTimes gives it a time).
// Errors (no bpm in force, a time out of range, no music) print "XML Error: event [...]: ...,
// never fires\n" naming the event, which then never fires.
void placeEvent(Event& event, const BeatGrid& grid, const EventProblems& problems = {});

// Gives each event waiting for a module its time: the module's own time of the order and row,
// plus the time of the earliest timed event whose element has a child named after the music
// effect holding a `play` child. A music effect that does not exist or holds no module, no event
// that starts it, an order or row outside 0..kMaxModulePosition, or a position the song never
// reaches is an error line; the event never fires. Returns whether any event was waiting (the
// list then needs sorting again).
bool resolveModuleTimes(std::span<Event> events, const FindModuleClock& findClock, const EventProblems& problems = {});
// The same over the demo's effects.
bool resolveModuleTimes(std::span<Event> events, const Demo& demo);

// The position of the first module in the demo's effects that is playing; none when no module
// plays. For author mode's overlay.
std::optional<ModulePosition> playingModulePosition(const Demo& demo);

}  // namespace velmora
