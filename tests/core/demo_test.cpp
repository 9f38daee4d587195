// The Demo's timeline, draw order, loading phase and main loop, run headless on an offscreen
// context through the script driver.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/demo.h"
#include "core/frame_timer.h"
#include "core/script_driver.h"
#include "core/script_values.h"
#include "tests/support/script_builder.h"

namespace velmora {
namespace {

using testing::addChild;
using testing::element;

// What the probe effects did, in order, across all of them.
std::vector<std::string> journal;
// Ticks (hundredths of a second at 100 Hz) the probe effects advance the frame counter per render.
ManualCounter* counter = nullptr;
uint64_t ticksPerFrame = 0;

// Logs every operation; its element attribute `say` is logged too. Rendering switches on GL
// lighting and notes whether it found it on.
class Probe : public Effect {
public:
    void load() override { journal.push_back(std::string("load ") + name); }
    void unload() override { journal.push_back(std::string("unload ") + name); }
    void update(float delta) override
    {
        journal.push_back(std::string("update ") + name + " " + std::to_string(static_cast<int>(delta * 100)));
    }
    void render() override
    {
        journal.push_back(std::string("render ") + name + (glIsEnabled(GL_LIGHTING) ? " lit" : ""));
        glEnable(GL_LIGHTING);
    }
    void handleElement(const ScriptNode* node) override
    {
        Effect::handleElement(node);
        for (const auto& attribute : node->attributes) {
            if (sameName(attribute->name, "say"))
                journal.push_back(std::string(name) + " says " + attribute->value);
        }
    }
};

// Moves the frame counter by one frame's ticks each time it is drawn; drawn once per frame, it
// sets the duration of every frame.
class Ticker : public Effect {
public:
    void update(float) override {}
    void render() override
    {
        if (counter)
            counter->advance(ticksPerFrame);
    }
};

// Switches GL lighting on while loading, and leaves it on.
class LeakyLoader : public Effect {
public:
    void load() override { glEnable(GL_LIGHTING); }
    void update(float) override {}
    void render() override {}
};

constexpr EffectType kProbeTypes[] = {
    {"probe", &createEffect<Probe>}, {"ticker", &createEffect<Ticker>}, {"leaky", &createEffect<LeakyLoader>}};

class DemoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        journal.clear();
        counter = nullptr;
        ticksPerFrame = 0;
        RunOptions options;
        options.output = RunOptions::Output::Headless;
        options.stats = true;
        demo = std::make_unique<Demo>(options, kProbeTypes);
        script = element("demo", {{"width", "64"}, {"height", "48"}});
    }

    // A frame timer on a counter that only the ticker effect "clock" moves: every frame after
    // the first lasts `ticks` hundredths of a second. Put "clock" in the draw order.
    void useFrameCounter(uint64_t ticks)
    {
        auto source = std::make_unique<ManualCounter>(100);
        counter = source.get();
        ticksPerFrame = ticks;
        demo->frameTimer = std::make_unique<FrameTimer>(std::move(source));
        addChild(*script, "add", {{"type", "ticker"}, {"name", "clock"}});
    }

    void add(const char* name) { addChild(*script, "add", {{"type", "probe"}, {"name", name}}); }

    // Runs the script, returning what it printed.
    std::string runScript()
    {
        ::testing::internal::CaptureStdout();
        applyBlock(*demo, script.get());
        return ::testing::internal::GetCapturedStdout();
    }

    std::vector<std::string> entriesWith(const std::string& text) const
    {
        std::vector<std::string> found;
        std::copy_if(journal.begin(), journal.end(), std::back_inserter(found),
                     [&](const std::string& entry) { return entry.find(text) != std::string::npos; });
        return found;
    }

    // Index of `entry` in the journal; -1 when absent.
    int position(const std::string& entry) const
    {
        const auto found = std::find(journal.begin(), journal.end(), entry);
        return found == journal.end() ? -1 : static_cast<int>(found - journal.begin());
    }

    // Number of frames the probe named `name` rendered before the journal entry at `index`.
    int framesBefore(const std::string& name, int index) const
    {
        int frames = 0;
        for (int i = 0; i < index; ++i)
            frames += journal[i].rfind("render " + name, 0) == 0;
        return frames;
    }

    std::unique_ptr<Demo> demo;
    std::unique_ptr<ScriptNode> script;
};

TEST_F(DemoTest, LoadingDrawsOneFrameAfterTheLoaderAndOnePerSlot)
{
    add("a");
    add("loader");
    add("b");
    add("c");
    addChild(*script, "create");
    // An unknown name keeps the previous choice and ends the list.
    ScriptNode* load = addChild(*script, "load", {{"effect", "loader"}, {"effect", "missing"}, {"effect", "a"}});
    std::string output = runScript();
    if (!demo->hasContext())
        GTEST_SKIP() << "no offscreen GL context";
    output.erase(0, output.find("Loading.\n"));  // after the context's extension lines

    EXPECT_EQ(journal, (std::vector<std::string>{
                           "load loader", "update loader 100", "render loader",  // after the loader
                           "load a", "update loader 100", "render loader",       // slot 0
                           "update loader 100", "render loader",                 // slot 1: the loader
                           "load b", "update loader 100", "render loader",       // slot 2
                           "load c", "update loader 100", "render loader",       // slot 3
                       }));
    EXPECT_EQ(output, "Loading.\n"
                      "sorting events\n"
                      "done.\n"
                      "Loading effect  0:[a][probe]done.\n"
                      "Loading effect  2:[b][probe]done.\n"
                      "Loading effect  3:[c][probe]done.\n");
    // Loading frames leave the clock alone.
    EXPECT_EQ(demo->clock, 0.0f);
    EXPECT_EQ(demo->loadingEffect(), demo->findEffect("loader"));
    EXPECT_EQ(demo->selectLoadingEffect(load), -1);
    // Without any effects, nothing can be chosen.
    demo->clearAll();
    EXPECT_EQ(demo->selectLoadingEffect(load), -1);
    EXPECT_EQ(demo->loadingEffect(), nullptr);
}

TEST_F(DemoTest, EventsFireInTimeThenDocumentOrder)
{
    useFrameCounter(10);  // 0.5 hundredths in the first frame, then 0.1 s per frame
    add("p");
    addChild(*script, "create");
    addChild(*script, "draworder", {{"effect", "clock"}, {"effect", "p"}});
    addChild(*addChild(*script, "event", {{"time", "0.3"}}), "p", {{"say", "late-first"}});
    addChild(*addChild(*script, "event", {{"time", "0"}}), "p", {{"say", "zero"}});
    addChild(*addChild(*script, "event", {{"time", "0.3"}}), "p", {{"say", "late-second"}});
    addChild(*addChild(*script, "event", {{"key", "a"}, {"time", "0.1"}}), "p", {{"say", "key-then-time"}});
    ScriptNode* timeThenKey = addChild(*script, "event", {{"time", "0.1"}, {"key", "b"}});
    addChild(*timeThenKey, "p", {{"say", "time-then-key"}});
    addChild(*addChild(*script, "event", {{"time", "-0.5"}}), "p", {{"say", "negative"}});
    addChild(*addChild(*script, "event", {{"time", "nan"}}), "p", {{"say", "not-a-number"}});
    addChild(*addChild(*script, "event", {{"time", "0.6"}}), "exit");
    addChild(*script, "load");
    addChild(*script, "run");
    const std::string output = runScript();
    if (!demo->hasContext() && position("render p") < 0)
        GTEST_SKIP() << "no offscreen GL context";

    EXPECT_EQ(entriesWith("says"), (std::vector<std::string>{"p says zero", "p says key-then-time",
                                                             "p says late-first", "p says late-second"}));
    // Frame starts: 0, 0.005, 0.105, 0.205, 0.305: the 0.3 events fire in the fifth frame.
    for (const auto& [say, frames] : {std::pair{"zero", 0}, {"key-then-time", 2}, {"late-first", 4}, {"late-second", 4}})
        EXPECT_EQ(framesBefore("p", position(std::string("p says ") + say)), frames) << say;

    // The key attribute is upper-cased in the tree; the key events lead the sorted list.
    EXPECT_STREQ(timeThenKey->attributes[1]->value, "B");
    EXPECT_EQ(demo->event(0).key, 'B');
    EXPECT_EQ(demo->event(0).time, kKeyEventTime);
    EXPECT_EQ(demo->event(4).key, 'A');
    EXPECT_FLOAT_EQ(demo->event(4).time, 0.1f);
    EXPECT_NE(output.find("lastEvent: 3 0.000000 0.000000\n"), std::string::npos) << output;
}

// Also: GL state left by the loading phase does not reach the drawing.
TEST_F(DemoTest, FirstFrameAdvancesTheClockByTheResetStep)
{
    addChild(*script, "add", {{"type", "leaky"}, {"name", "loader"}});
    addChild(*script, "add", {{"type", "leaky"}, {"name", "scene"}});
    add("p");
    addChild(*script, "create");
    addChild(*script, "draworder", {{"effect", "p"}});
    addChild(*addChild(*script, "event"), "exit");  // no time: fires in the first frame
    addChild(*script, "load", {{"effect", "loader"}});
    addChild(*script, "run");
    runScript();
    if (position("render p") < 0)
        GTEST_SKIP() << "no offscreen GL context";
    EXPECT_EQ(demo->clock, 0.5f * 0.01f);
    EXPECT_EQ(entriesWith("render"), std::vector<std::string>{"render p"});
    EXPECT_EQ(demo->timesDrawn(2), 1u);
}

TEST_F(DemoTest, ExitInsideAnEventEndsTheLoopAfterThatFrame)
{
    useFrameCounter(10);
    add("p");
    addChild(*script, "create");
    addChild(*script, "draworder", {{"effect", "clock"}, {"effect", "p"}});
    ScriptNode* last = addChild(*script, "event", {{"time", "0.2"}});
    addChild(*last, "exit");
    addChild(*last, "p", {{"say", "after-exit"}});
    addChild(*script, "load");
    addChild(*script, "run");
    addChild(*script, "p", {{"say", "after-run"}});
    addChild(*script, "exit");  // finds the window closed
    runScript();
    if (position("render p") < 0)
        GTEST_SKIP() << "no offscreen GL context";

    // Frame starts 0, 0.005, 0.105, 0.205: exit fires in the fourth frame, which still draws.
    const int exitAt = position("p says after-exit");
    ASSERT_GE(exitAt, 0);
    EXPECT_EQ(framesBefore("p", exitAt), 3);
    EXPECT_EQ(entriesWith("render p").size(), 4u);
    EXPECT_GT(position("p says after-run"), position("render p") + 3);
    EXPECT_FALSE(demo->exists());

    // A second run with the window gone returns instead of waiting for a quit that never comes.
    ::testing::internal::CaptureStdout();
    demo->runMainLoop();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "run: no window, nothing to show\n");
}

// An event's element may hold anything a demo may: a nested run is refused, events it adds
// fire in time order, and a load (which sorts the events) leaves the fired ones fired.
TEST_F(DemoTest, EventThatRunsLoadsAndAddsEventsFiresEachEventOnce)
{
    useFrameCounter(10);
    add("p");
    addChild(*script, "create");
    addChild(*script, "draworder", {{"effect", "clock"}, {"effect", "p"}});
    addChild(*addChild(*script, "event", {{"time", "0"}}), "p", {{"say", "zero"}});
    ScriptNode* busy = addChild(*script, "event", {{"time", "0.1"}});
    addChild(*busy, "p", {{"say", "busy"}});
    addChild(*busy, "run");
    addChild(*addChild(*busy, "event", {{"time", "0.15"}}), "p", {{"say", "added-late"}});
    addChild(*addChild(*busy, "event", {{"time", "0.05"}}), "p", {{"say", "added-early"}});
    addChild(*busy, "load");
    addChild(*addChild(*script, "event", {{"time", "0.2"}}), "p", {{"say", "later"}});
    addChild(*addChild(*script, "event", {{"time", "0.4"}}), "exit");
    addChild(*script, "load");
    addChild(*script, "run");
    const std::string output = runScript();
    if (position("render p") < 0)
        GTEST_SKIP() << "no offscreen GL context";

    EXPECT_EQ(entriesWith("says"), (std::vector<std::string>{"p says zero", "p says busy", "p says added-early",
                                                             "p says added-late", "p says later"}));
    const std::string refused = "XML Error: run inside a running show ignored\n";
    EXPECT_NE(output.find(refused), std::string::npos) << output;
    EXPECT_EQ(output.find(refused), output.rfind(refused));
    EXPECT_EQ(demo->eventCount(), 6u);
    EXPECT_EQ(demo->nextEvent(), 6u);
    EXPECT_FALSE(demo->exists());
}

TEST_F(DemoTest, DrawOrderIsBracketedSkipsInactiveStopsAtUnknownNamesAndIsCounted)
{
    useFrameCounter(10);
    add("a");
    add("b");
    add("c");
    addChild(*script, "create");
    addChild(*script, "b", {{"active", "0"}});
    addChild(*script, "draworder", {{"effect", "clock"}, {"effect", "a"}, {"effect", "b"}, {"effects", "c"}, {"effect", "a"},
                                    {"effect", "nobody"}, {"effect", "c"}});
    addChild(*addChild(*script, "event", {{"time", "0.1"}}), "b", {{"active", "1"}});
    addChild(*addChild(*script, "event", {{"time", "0.2"}}), "exit");
    addChild(*script, "run");
    const std::string output = runScript();
    if (position("render a") < 0)
        GTEST_SKIP() << "no offscreen GL context";

    EXPECT_EQ(output.find("XML Error: DrawOrder\n"), output.rfind("XML Error: DrawOrder\n"));
    EXPECT_NE(output.find("XML Error: DrawOrder\n"), std::string::npos);
    ASSERT_EQ(demo->drawCount(), 4u);
    EXPECT_EQ(demo->drawEntry(2), demo->findEffect("b"));
    EXPECT_EQ(demo->drawEntry(3), demo->findEffect("a"));

    // Frames start at 0, 0.005, 0.105 and 0.205: b is switched on in the third frame. Each
    // effect finds GL lighting off, though the one drawn before it switched it on.
    EXPECT_TRUE(entriesWith("lit").empty());
    EXPECT_EQ(entriesWith("render b").size(), 2u);
    EXPECT_EQ(entriesWith("render a").size(), 8u);
    EXPECT_EQ(framesBefore("a", position("render b")), 5);  // two frames of two, then the first a

    // The draw counts (--stats) are printed as the demo ends, and start again for the next one.
    ::testing::internal::CaptureStdout();
    demo->clearAll();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "drawn: [clock][ticker] 4\n"
                                                         "drawn: [a][probe] 8\n"
                                                         "drawn: [b][probe] 2\n"
                                                         "drawn: [c][probe] 0\n");
    ::testing::internal::CaptureStdout();
    demo->clearAll();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

TEST_F(DemoTest, EffectNamedLikeAKeywordAndDuplicateNames)
{
    addChild(*script, "add", {{"type", "PROBE"}, {"name", "event"}});
    addChild(*script, "add", {{"type", "probe"}, {"name", "twin"}});
    addChild(*script, "add", {{"type", "probe"}, {"name", "TWIN"}});
    addChild(*script, "add", {{"type", "nosuchtype"}, {"name", "ghost"}});
    addChild(*script, "event", {{"time", "1"}, {"say", "to-the-effect"}});
    addChild(*script, "twin", {{"speed", "2.5"}, {"active", "x"}});
    addChild(*script, "ghost", {{"say", "lost"}});
    ::testing::internal::CaptureStderr();
    const std::string output = runScript();

    EXPECT_EQ(output, "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "velmora: effect type [nosuchtype] does not exist: effect [ghost] not created\n");
    EXPECT_EQ(demo->effectCount(), 3u);
    EXPECT_EQ(demo->eventCount(), 0u);
    EXPECT_EQ(journal, (std::vector<std::string>{"event says to-the-effect"}));
    EXPECT_STREQ(demo->effect(0)->type, "PROBE");
    EXPECT_FLOAT_EQ(demo->effect(1)->speed, 2.5f);  // the first of two names that match
    EXPECT_FLOAT_EQ(demo->effect(2)->speed, 1.0f);
    EXPECT_EQ(demo->findEffect("Twin"), demo->effect(1));
}

TEST_F(DemoTest, TablesRefuseEntriesPastTheirSize)
{
    for (uint32_t i = 0; i < kMaxEffects + 2; ++i)
        add(("e" + std::to_string(i)).c_str());
    ScriptNode* order = addChild(*script, "draworder");
    for (uint32_t i = 0; i < kMaxDrawOrder + 1; ++i)
        order->attributes.push_back(std::move(element("x", {{"effect", "e0"}})->attributes[0]));
    for (uint32_t i = 0; i < kMaxEvents + 3; ++i)
        addChild(*script, "event", {{"time", "5"}});
    // The show's own way out among the refused ones, twice: said once.
    for (int i = 0; i < 2; ++i)
        addChild(*addChild(*script, "event", {{"time", "9"}}), "exit");
    const std::string output = runScript();

    EXPECT_EQ(demo->effectCount(), kMaxEffects);
    EXPECT_EQ(demo->findEffect("e48"), nullptr);
    EXPECT_EQ(demo->drawCount(), kMaxDrawOrder);
    EXPECT_EQ(demo->eventCount(), kMaxEvents);
    EXPECT_NE(output.find("XML Error: more than 48 effects, [e48] refused\n"), std::string::npos);
    EXPECT_NE(output.find("XML Error: DrawOrder holds at most 48 entries\n"), std::string::npos);
    auto count = [&](const std::string& line) {
        size_t found = 0;
        for (size_t at = output.find(line); at != std::string::npos; at = output.find(line, at + 1))
            ++found;
        return found;
    };
    EXPECT_EQ(count("XML Error: the event with the show's exit is among the refused events: the show will not "
                    "end by itself\n"),
              1u);
    EXPECT_EQ(count("XML Error: more than 4096 events"), 1u) << output;
    EXPECT_NE(output.find("XML Error: more than 4096 events, event refused, and every later one\n"), std::string::npos);

    demo->clearAll();
    EXPECT_EQ(demo->effectCount(), 0u);
    EXPECT_EQ(demo->drawCount(), 0u);
    EXPECT_EQ(demo->eventCount(), 0u);
    EXPECT_EQ(journal.size(), kMaxEffects);  // every effect unloaded, in slot order
    EXPECT_EQ(journal.front(), "unload e0");
    EXPECT_EQ(journal.back(), "unload e47");
}

}  // namespace
}  // namespace velmora
