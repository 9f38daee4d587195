// The show of one `demo` element: its effects, the draw order, the timeline of events, the
// loading phase and the main loop, on top of the show's window.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "core/demo_window.h"
#include "core/display_settings.h"
#include "core/effect.h"
#include "core/effect_factory.h"
#include "core/musical_time.h"

namespace velmora {

struct ScriptNode;
class AuthorSession;

constexpr uint32_t kMaxEffects = 48;
constexpr uint32_t kMaxDrawOrder = 48;
constexpr uint32_t kMaxEvents = 4096;

// Time of an event that only a key could fire; the timeline never fires it.
constexpr float kKeyEventTime = -10.0f;

// One entry of the timeline: at `time` the element is applied like a child of `demo`.
struct Event {
    float time = 0;  // seconds of the show's clock; negative: never fires
    int32_t key = 0;  // upper-cased first character of the `key` attribute, 0 when none
    ScriptNode* element = nullptr;  // the `event` element; owned by the script tree, which outlives the Demo
    bool waitsForModule = false;  // placed at a module's order and row: timed once the module is loaded
};

// How a step of the show draws: everything, or (in a run-up to a start time) only what changes
// state, with every pixel discarded.
enum class DrawPass { Full, StateOnly };

class Demo : public DemoWindow {
public:
    // `effectTypes` is the factory's table of type names; it must outlive the Demo.
    Demo(const RunOptions& options, std::span<const EffectType> effectTypes);
    // Unloads and deletes the effects (clearAll) before the window parts go.
    ~Demo() override;

    // The first effect in creation order named `name` (ignoring case), or null.
    Effect* findEffect(const char* name) const;
    // `add`: creates the effect through the factory and appends it; an unknown type adds nothing.
    // Past kMaxEffects the effect is refused with a message.
    void addEffect(const ScriptNode* element);
    // `draworder`: replaces the draw order by the `effect` attributes. -1 (after
    // "XML Error: DrawOrder\n") at the first unknown name, keeping the entries before it; -1
    // with a message, likewise, past kMaxDrawOrder entries.
    int setDrawOrder(const ScriptNode* element);
    // `event`: appends an event (unsorted). `key` upper-cases its value in the tree and makes a
    // key event (kKeyEventTime) unless a later `time` follows; a time that is no number
    // (NaN) also never fires. Musical times (`beat`, `order`/`row`/`music`) are resolved to
    // seconds (placeEvent); after loadAll, module positions at once. Past kMaxEvents events are
    // refused, with one message for them all and one more if one of them holds an `exit`.
    void addEvent(ScriptNode* element);
    // Orders the events not yet fired by time, keeping document order among equal times.
    void sortEvents();
    // `load`: the `effect` attributes choose the loading effect; -1 at the first unknown name,
    // keeping the previous choice.
    int selectLoadingEffect(const ScriptNode* element);
    // Loads every effect, drawing the loading effect between loads, and sorts the events; then
    // times the events placed at module positions and sorts again.
    void loadAll();
    // `run`: resets the timer (interval 1) and renders frames until the quit message. Without a
    // window no quit message could ever come, and inside a running show (from an event) a second
    // loop would nest without end: then it returns at once, with a message.
    void runMainLoop();
    // False once the quit message has been seen (it stays seen for enclosing loops).
    bool pumpMessages();
    // One frame of the show: step with the timer's step, then the buffer swap. A frame that a
    // capture does not write is stepped with DrawPass::StateOnly, unless the draw order reads
    // the previous picture.
    bool frame() override;
    // True when an active effect of the draw order draws over (or from) the previous picture.
    bool drawOrderReadsPreviousPicture() const;
    // One step of show time without showing it: due events, the clock advanced by `delta`
    // hundredths of a second, then update and render of each active draw-order entry (with
    // StateOnly, render only for effects that change state while drawing, drawing no pixel).
    void step(float delta, DrawPass pass);
    // Author mode's keys first (in a window), then Escape.
    void key(int code, int flag) override;
    // `exit`: closes the window, or with --loop starts the show again.
    void exitShow();
    // Unloads and deletes every effect, empties the draw order and the events.
    void clearAll();

    // Whether the main loop has run (the show was played, if only for a frame).
    bool played() const { return played_; }

    uint32_t effectCount() const { return effectCount_; }
    uint32_t drawCount() const { return drawCount_; }
    uint32_t eventCount() const { return static_cast<uint32_t>(events_.size()); }
    uint32_t nextEvent() const { return nextEvent_; }
    Effect* effect(uint32_t index) const { return effects_[index].get(); }  // index < effectCount
    Effect* drawEntry(uint32_t index) const { return drawOrder_[index]; }   // index < drawCount
    const Event& event(uint32_t index) const { return events_[index]; }     // index < eventCount
    Effect* loadingEffect() const { return loadingEffect_; }
    // How often the effect at `index` (creation order) was updated and drawn by the main loop.
    uint32_t timesDrawn(uint32_t index) const { return timesDrawn_[index]; }
    // One line per effect, "drawn: [name][type] count", in creation order.
    void printDrawStats() const;

    DisplaySettings settings;
    BeatGrid beatGrid;  // the `bpm` and `beatoffset` in force for events read from now on
    float frameStart = 0;  // clock at the start of the current frame, seconds
    // The `demo` element this show was built from (owned by the script tree, which outlives the
    // Demo); author mode applies it again to start over. Null: the show cannot start over.
    ScriptNode* element = nullptr;
    // Author mode (start time, loop, keys, reload); null until the main loop runs.
    std::unique_ptr<AuthorSession> author;
    bool rebuilding = false;  // author mode is applying the element again: loading is not shown

private:
    void drawLoadingFrame();

    EffectFactory factory_;
    std::array<std::unique_ptr<Effect>, kMaxEffects> effects_;
    uint32_t effectCount_ = 0;
    std::array<Effect*, kMaxDrawOrder> drawOrder_{};  // entries owned by effects_
    std::array<uint32_t, kMaxDrawOrder> drawIndex_{};  // creation index of each draw-order entry
    std::array<uint32_t, kMaxEffects> timesDrawn_{};   // per effect, in creation order
    uint32_t drawCount_ = 0;
    std::vector<Event> events_;  // at most kMaxEvents
    uint32_t nextEvent_ = 0;
    uint32_t refusedEvents_ = 0;  // events refused past kMaxEvents
    bool exitRefused_ = false;    // one of them held the show's `exit`
    Effect* loadingEffect_ = nullptr;  // one of effects_, or null
    bool loaded_ = false;  // loadAll has run: modules are loaded, module positions resolve at once
    bool quitSeen_ = false;
    bool running_ = false;  // the main loop is running
    bool played_ = false;   // the main loop has been entered
};

}  // namespace velmora
