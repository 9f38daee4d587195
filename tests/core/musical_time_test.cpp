// Event times in beats and at module positions, resolved when the script is read and loaded.
#include "core/musical_time.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/demo.h"
#include "core/script_driver.h"
#include "tests/support/script_builder.h"

namespace velmora {
namespace {

using testing::addChild;
using testing::AttributeList;
using testing::element;

// A music effect whose module is there once loaded: order 0 has 64 rows of 0.12 s, order 1 (the
// tempo doubled) 64 rows of 0.06 s.
class FakeModule : public Effect, public ModuleClock {
public:
    void load() override { loaded = true; }
    void update(float) override {}
    void render() override {}
    bool hasModule() const override { return loaded; }
    std::optional<double> secondsAt(ModulePosition p) override
    {
        if (!loaded || p.order < 0 || p.order > 1 || p.row < 0 || p.row >= 64)
            return std::nullopt;
        return p.order == 0 ? p.row * 0.12 : 7.68 + p.row * 0.06;
    }
    std::optional<ModulePosition> playingPosition() const override { return playing; }

    bool loaded = false;
    std::optional<ModulePosition> playing;
};

// A music effect whose file held no module.
class EmptyModule : public FakeModule {
public:
    void load() override {}
};

constexpr EffectType kTypes[] = {{"module", &createEffect<FakeModule>}, {"empty", &createEffect<EmptyModule>}};

struct Case {
    AttributeList attributes;
    float time;         // resolved; kKeyEventTime: never fires
    const char* error;  // the line printed for it, or empty
};

TEST(MusicalTime, EventsResolveFromBeatsAndModulePositions)
{
    // bpm 125 from 0.5 s: a beat is 0.48 s. "tune" starts at 2 s (and again at 5 s).
    const Case cases[] = {
        {{{"beat", "8"}}, 4.34f, ""},
        {{{"time", "1"}, {"beat", "8"}}, 1, ""},
        {{{"beat", "8"}, {"time", "1"}}, 1, ""},
        {{{"key", "a"}, {"beat", "2"}}, 1.46f, ""},
        {{{"beat", "2"}, {"key", "a"}}, kKeyEventTime, ""},
        {{{"music", "TUNE"}, {"order", "0"}, {"row", "32"}}, 5.84f, ""},
        {{{"order", "1"}, {"row", "16"}, {"music", "tune"}}, 10.64f, ""},
        {{{"order", "1"}, {"music", "tune"}}, 9.68f, ""},
        {{{"name", "drop"}, {"order", "2"}, {"row", "0"}, {"music", "tune"}},
         kKeyEventTime,
         "XML Error: event [drop]: [tune] never reaches order 2 row 0, never fires\n"},
        {{{"order", "0"}, {"row", "64"}, {"music", "tune"}},
         kKeyEventTime,
         "XML Error: event [order=\"0\" row=\"64\" music=\"tune\"]: [tune] never reaches order 0 row 64, never "
         "fires\n"},
        {{{"order", "0"}, {"music", "silent"}},
         kKeyEventTime,
         "XML Error: event [order=\"0\" music=\"silent\"]: [silent] plays no module, never fires\n"},
        {{{"order", "0"}, {"music", "nobody"}},
         kKeyEventTime,
         "XML Error: event [order=\"0\" music=\"nobody\"]: [nobody] plays no module, never fires\n"},
        {{{"order", "0"}, {"music", "idle"}},
         kKeyEventTime,
         "XML Error: event [order=\"0\" music=\"idle\"]: no event plays [idle], never fires\n"},
        {{{"order", "0"}, {"row", "4"}},
         kKeyEventTime,
         "XML Error: event [order=\"0\" row=\"4\"]: order and row without music, never fires\n"},
        // Numbers that would wrap onto another position, or a time past any float, never fire.
        {{{"order", "4294967297"}, {"music", "tune"}},
         kKeyEventTime,
         "XML Error: event [order=\"4294967297\" music=\"tune\"]: order 4294967297 is out of range (0 to 65535), "
         "never fires\n"},
        {{{"order", "0"}, {"row", "4294967296"}, {"music", "tune"}},
         kKeyEventTime,
         "XML Error: event [order=\"0\" row=\"4294967296\" music=\"tune\"]: row 4294967296 is out of range (0 to "
         "65535), never fires\n"},
        {{{"beat", "1e40"}},
         kKeyEventTime,
         "XML Error: event [beat=\"1e40\"]: beat 1e40 is out of range, never fires\n"},
    };
    RunOptions options;
    options.output = RunOptions::Output::Headless;
    Demo demo(options, kTypes);
    auto script = element("demo", {{"bpm", "125"}, {"beatoffset", "0.5"}});
    addChild(*script, "add", {{"type", "module"}, {"name", "tune"}});
    addChild(*script, "add", {{"type", "module"}, {"name", "idle"}});
    addChild(*script, "add", {{"type", "empty"}, {"name", "silent"}});
    for (const char* time : {"5", "2"})
        addChild(*addChild(*addChild(*script, "event", {{"time", time}}), "tune"), "play");
    std::vector<const ScriptNode*> elements;
    for (const Case& c : cases)
        elements.push_back(addChild(*script, "event", c.attributes));
    addChild(*script, "load");

    ::testing::internal::CaptureStdout();
    applyBlock(demo, script.get());
    const std::string output = ::testing::internal::GetCapturedStdout();

    for (size_t i = 0; i < std::size(cases); ++i) {
        for (uint32_t e = 0; e < demo.eventCount(); ++e) {
            if (demo.event(e).element == elements[i]) {
                EXPECT_NEAR(demo.event(e).time, cases[i].time, 1e-4) << "case " << i;
            }
        }
        if (*cases[i].error) {
            EXPECT_NE(output.find(cases[i].error), std::string::npos) << "case " << i << "\n" << output;
        }
    }
    // Sorted again once the module positions had their times.
    for (uint32_t e = 1; e < demo.eventCount(); ++e)
        EXPECT_LE(demo.event(e - 1).time, demo.event(e).time);

    // After loading, a module position resolves as it is read; a beat needs a bpm in force.
    auto late = element("event", {{"order", "0"}, {"row", "1"}, {"music", "tune"}});
    demo.addEvent(late.get());
    EXPECT_NEAR(demo.event(demo.eventCount() - 1).time, 2.12f, 1e-4);
    // Only a finite tempo above 0 is in force.
    std::vector<std::unique_ptr<ScriptNode>> offGrid;
    const std::pair<const char*, const char*> tempos[] = {
        {"0", "beat without a bpm"},
        {"-120", "beat at bpm -120, which is no tempo (above 0, finite)"},
        {"inf", "beat at bpm inf, which is no tempo (above 0, finite)"},
        {"nan", "beat at bpm nan, which is no tempo (above 0, finite)"},
    };
    for (const auto& [bpm, why] : tempos) {
        applyBlock(demo, element("demo", {{"bpm", bpm}}).get());
        offGrid.push_back(element("event", {{"beat", "4"}}));
        ::testing::internal::CaptureStdout();
        demo.addEvent(offGrid.back().get());
        EXPECT_EQ(::testing::internal::GetCapturedStdout(),
                  std::string("XML Error: event [beat=\"4\"]: ") + why + ", never fires\n");
        EXPECT_EQ(demo.event(demo.eventCount() - 1).time, kKeyEventTime) << bpm;
    }

    // The overlay reads the beat and the playing position (of the first player that has one).
    const BeatGrid grid{125, 0.5f};
    EXPECT_NEAR(grid.beatAt(4.34).value_or(-1), 8, 1e-9);
    EXPECT_NEAR(grid.beatAt(0.26).value_or(0), -0.5, 1e-9);
    EXPECT_FALSE(BeatGrid{}.beatAt(4));
    EXPECT_FALSE(playingModulePosition(demo));
    dynamic_cast<FakeModule*>(demo.findEffect("tune"))->playing = ModulePosition{3, 17};
    const auto position = playingModulePosition(demo);
    ASSERT_TRUE(position);
    EXPECT_EQ(position->order, 3);
    EXPECT_EQ(position->row, 17);
}

}  // namespace
}  // namespace velmora
