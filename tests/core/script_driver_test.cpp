// The script driver: display attributes with atoi rules, `trigger`, and the settings a
// `demo` element leaves once its window exists.
#include <gtest/gtest.h>

#include <memory>

#include "core/demo.h"
#include "core/script_driver.h"
#include "tests/support/script_builder.h"

namespace velmora {
namespace {

using testing::addChild;
using testing::element;

class Quiet : public Effect {
public:
    void update(float) override {}
    void render() override {}
};

constexpr EffectType kTypes[] = {{"quiet", &createEffect<Quiet>}};

std::unique_ptr<Demo> headlessDemo()
{
    RunOptions options;
    options.output = RunOptions::Output::Headless;
    return std::make_unique<Demo>(options, kTypes);
}

TEST(ScriptDriver, DisplayAttributesFollowAtoiRules)
{
    auto demo = headlessDemo();
    auto block = element("demo", {{"width", " 800px"}, {"height", "-12"}, {"bpp", "sixteen"},
                                  {"fullscreen", "2"}, {"name", "label"}, {"time", "3"}});
    EXPECT_EQ(applyBlock(*demo, block.get()), 0);
    EXPECT_EQ(demo->settings.width, 800);
    EXPECT_EQ(demo->settings.height, -12);
    EXPECT_EQ(demo->settings.bitsPerPixel, 0);
    EXPECT_TRUE(demo->settings.fullscreen);
    EXPECT_EQ(demo->settings.windowX, 0);
    EXPECT_EQ(demo->settings.windowFlags, 0u);

    for (const char* off : {"0", "no", ""}) {
        auto again = element("demo", {{"fullscreen", off}, {"WIDTH", "+64"}});
        applyBlock(*demo, again.get());
        EXPECT_FALSE(demo->settings.fullscreen) << off;
        EXPECT_EQ(demo->settings.width, 64);
    }
}

TEST(ScriptDriver, TriggerUpperCasesInPlaceAndOnlyEscapeCloses)
{
    auto demo = headlessDemo();
    auto block = element("demo", {{"width", "32"}, {"height", "32"}});
    addChild(*block, "create");
    ::testing::internal::CaptureStdout();
    applyBlock(*demo, block.get());
    ::testing::internal::GetCapturedStdout();
    if (!demo->exists())
        GTEST_SKIP() << "no offscreen window";

    auto trigger = element("event", {{"trigger", "q1"}});
    applyBlock(*demo, trigger.get());
    EXPECT_STREQ(trigger->attributes[0]->value, "Q1");
    EXPECT_TRUE(demo->exists());

    auto escape = element("event", {{"trigger", "\x1b"}});
    applyBlock(*demo, escape.get());
    EXPECT_FALSE(demo->exists());
}

TEST(ScriptDriver, SizeGivenAfterCreateChangesOnlyTheSettings)
{
    auto demo = headlessDemo();
    auto block = element("demo", {{"width", "40"}, {"height", "30"}});
    addChild(*block, "create");
    addChild(*block, "unknown", {{"width", "1"}});
    ::testing::internal::CaptureStdout();
    applyBlock(*demo, block.get());
    ::testing::internal::GetCapturedStdout();
    if (!demo->hasContext())
        GTEST_SKIP() << "no offscreen GL context";
    EXPECT_EQ(demo->width, 40);
    EXPECT_EQ(demo->height, 30);

    auto later = element("event", {{"width", "80"}, {"height", "60"}});
    applyBlock(*demo, later.get());
    EXPECT_EQ(demo->settings.width, 80);
    EXPECT_EQ(demo->settings.height, 60);
    EXPECT_EQ(demo->width, 40);
    EXPECT_EQ(demo->height, 30);

    // create resets the timer with a measuring interval of one frame.
    EXPECT_EQ(demo->frameTimer->interval, 1u);
    EXPECT_FLOAT_EQ(demo->frameTimer->step(), 0.5f);
}

}  // namespace
}  // namespace velmora
