// The shipped show's timeline as the player resolves it from the built archive: beats and the
// soundtrack's orders and rows become seconds without an error, and the last event ends the show.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "audio/offline_output.h"
#include "audio/sound_library.h"
#include "core/demo.h"
#include "core/script_driver.h"
#include "core/script_parser.h"
#include "core/script_values.h"
#include "effects/effect_table.h"
#include "resources/data_source.h"

namespace velmora {
namespace {

TEST(ShowTimeline, ResolvesEveryEventAndEndsWithExit)
{
    const std::string archive = VELMORA_BINARY_DIR "/show.rar";
    std::string error;
    if (!std::filesystem::exists(archive) || !useDataPath(archive.c_str(), error))
        GTEST_SKIP() << "no show archive at " << archive << " " << error;
    useOfflineOutput(true);
    ASSERT_TRUE(BASS_Init(-1, 44100, 0x20, nullptr));

    ::testing::internal::CaptureStdout();
    ScriptNode root;
    parseFile(&root, "script.txt");
    // The demo's attributes (the beat grid), its music players with their settings and its
    // events; then the loading phase, which here loads only the players.
    RunOptions options;
    options.output = RunOptions::Output::Headless;
    Demo demo(options, effectTable());
    ASSERT_FALSE(root.children.empty());
    const ScriptNode& show = *root.children.front();
    ScriptNode attributesOnly;
    for (const auto& attribute : show.attributes)
        attributesOnly.attributes.push_back(std::make_unique<ScriptAttribute>(*attribute));
    applyBlock(demo, &attributesOnly);
    for (const auto& child : show.children) {
        const bool addsMusic = sameName(child->name, "add") && !child->attributes.empty() &&
                               sameName(child->attributes.front()->value, "musicplay");
        if (addsMusic)
            demo.addEffect(child.get());
        else if (Effect* effect = demo.findEffect(child->name))
            effect->handleElement(child.get());
        else if (sameName(child->name, "event"))
            demo.addEvent(child.get());
    }
    demo.loadAll();
    const std::string output = ::testing::internal::GetCapturedStdout();

    EXPECT_EQ(output.find("XML Error"), std::string::npos) << output;
    ASSERT_GE(demo.eventCount(), 53u);
    EXPECT_GE(demo.event(0).time, 0.0f) << "an event that never fires";
    // Two to three minutes, and the last event ends the show.
    const Event& last = demo.event(demo.eventCount() - 1);
    EXPECT_GE(last.time, 120.0f);
    EXPECT_LE(last.time, 180.0f);
    bool exits = false;
    for (const auto& child : last.element->children)
        exits = exits || sameName(child->name, "exit");
    EXPECT_TRUE(exits) << "the last event (" << last.time << " s) holds no exit";

    demo.clearAll();
    BASS_Free();
    useOfflineOutput(false);
}

}  // namespace
}  // namespace velmora
