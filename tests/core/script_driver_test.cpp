// The script driver: display attributes with atoi rules, `trigger`, and the settings a
// `demo` element leaves once its window exists.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/demo.h"
#include "core/script_driver.h"
#include "core/script_values.h"
#include "tests/support/script_builder.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

using testing::addChild;
using testing::element;

class Quiet : public Effect {
public:
    void update(float) override {}
    void render() override {}
};

// What the counting effects saw: construction, elements (their `say`), unload.
std::vector<std::string> seen;

class Counting : public Quiet {
public:
    Counting() { seen.push_back("new"); }
    void load() override { seen.push_back(std::string("load ") + name); }
    void unload() override { seen.push_back(std::string("unload ") + name); }
    void handleElement(const ScriptNode* node) override
    {
        Effect::handleElement(node);
        for (const auto& attribute : node->attributes) {
            if (sameName(attribute->name, "say"))
                seen.push_back(std::string(name) + " " + attribute->value);
        }
    }
};

constexpr EffectType kTypes[] = {{"quiet", &createEffect<Quiet>}, {"counting", &createEffect<Counting>}};

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

    auto again = element("demo", {{"fullscreen", "no"}, {"WIDTH", "+64"}});
    applyBlock(*demo, again.get());
    EXPECT_FALSE(demo->settings.fullscreen);
    EXPECT_EQ(demo->settings.width, 64);
}

TEST(ScriptDriver, SizeAfterCreateChangesOnlyTheSettingsAndTriggerClosesOnEscape)
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

    // `trigger` upper-cases its key in place; only Escape closes.
    auto trigger = element("event", {{"trigger", "q1"}});
    applyBlock(*demo, trigger.get());
    EXPECT_STREQ(trigger->attributes[0]->value, "Q1");
    EXPECT_TRUE(demo->exists());
    auto escape = element("event", {{"trigger", "\x1b"}});
    applyBlock(*demo, escape.get());
    EXPECT_FALSE(demo->exists());
}

TEST(ScriptDriver, PlayScriptRunsEachDemoOnAFreshDemo)
{
    testing::TempDataDir dir;
    dir.write("data/show.txt",
              "<demo><add type=\"counting\" name=\"c\"></add><c say=\"one\"></c></demo>"
              "<other><add type=\"counting\" name=\"x\"></add></other>"
              "<DEMO><c say=\"lost\"></c><add type=\"counting\" name=\"c\"></add><c say=\"two\"></c></DEMO>");
    seen.clear();
    RunOptions options;
    options.output = RunOptions::Output::Headless;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(playScript("show.txt", options, kTypes), 0);  // no demo reached a main loop
    const std::string output = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "velmora: [show.txt] ran no show (no run reached): nothing played\n");
    EXPECT_EQ(seen, (std::vector<std::string>{"new", "c one", "unload c", "new", "c two", "unload c"}));
    EXPECT_EQ(output.rfind("Parsing Script [show.txt]", 0), 0u) << output;
    EXPECT_EQ(output.substr(output.size() - 6), "done.\n");

    // A missing script runs nothing, reports as before and then says where shows come from.
    seen.clear();
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(playScript("absent.txt", options, kTypes), 0);
    const std::string missing = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "velmora: no script [absent.txt] in the show's data (data/absent.txt): nothing played\n"
              "velmora: --data takes a show folder that holds data/, or an archive\n");
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(missing.rfind("Parsing Script [absent.txt]", 0), 0u);
    EXPECT_EQ(missing.substr(missing.size() - 6), "done.\n");
}

// A window that `create` could not make (here: a capture into a folder that cannot exist) leaves
// no GL context to load into: `load` loads nothing and says so, `run` returns.
TEST(ScriptDriver, WithoutAWindowNothingIsLoaded)
{
    testing::TempDataDir dir;
    dir.write("data/show.txt",
              "<demo><add type=\"counting\" name=\"c\"></add><create></create><load></load><run></run></demo>");
    dir.write("data/frames", "a file where the frame folder should be");
    seen.clear();
    RunOptions options;
    options.output = RunOptions::Output::Headless;
    options.captureTarget = (dir.root() / "data" / "frames").string();
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    playScript("show.txt", options, kTypes);
    const std::string output = ::testing::internal::GetCapturedStdout();
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(seen, (std::vector<std::string>{"new", "unload c"}));
    EXPECT_NE(errors.find("load: no window, no effect loaded\n"), std::string::npos) << errors;
    EXPECT_NE(output.find("run: no window, nothing to show\n"), std::string::npos) << output;
}

}  // namespace
}  // namespace velmora
