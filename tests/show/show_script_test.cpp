// The shipped show's script, read from the source tree's data/ folder with the player's own
// parser: the demo's settings, every effect type in use, the size of the show. That its events
// resolve without an error and the last one ends it within three minutes: show_run.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/script_node.h"
#include "core/script_parser.h"
#include "core/script_values.h"
#include "effects/effect_table.h"
#include "resources/data_source.h"

namespace velmora {
namespace {

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The value of `node`'s first attribute called `name`; empty when it has none.
const char* attribute(const ScriptNode& node, const char* name)
{
    for (const auto& a : node.attributes) {
        if (sameName(a->name, name))
            return a->value;
    }
    return "";
}

class ShowScript : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string error;
        ASSERT_TRUE(useDataPath(VELMORA_SOURCE_DIR, error)) << error;
        ::testing::internal::CaptureStdout();
        parseFile(&root, "script.txt");
        parseOutput = ::testing::internal::GetCapturedStdout();
    }

    // The one demo element.
    static const ScriptNode* demo()
    {
        const ScriptNode* found = nullptr;
        for (const auto& child : root.children) {
            if (sameName(child->name, "demo")) {
                EXPECT_EQ(found, nullptr) << "more than one demo element";
                found = child.get();
            }
        }
        return found;
    }

    static std::vector<const ScriptNode*> children(const char* name)
    {
        std::vector<const ScriptNode*> found;
        if (const ScriptNode* d = demo()) {
            for (const auto& child : d->children) {
                if (sameName(child->name, name))
                    found.push_back(child.get());
            }
        }
        return found;
    }

    // Effect name (lower case) to type, from the `add` elements.
    static std::map<std::string, std::string> effects()
    {
        std::map<std::string, std::string> found;
        for (const ScriptNode* add : children("add"))
            found.emplace(lower(attribute(*add, "name")), lower(attribute(*add, "type")));
        return found;
    }

    static inline ScriptNode root;
    static inline std::string parseOutput;
};

TEST_F(ShowScript, ParsesWithoutErrorsIntoOneDemoThatCreatesLoadsAndRuns)
{
    EXPECT_EQ(parseOutput.find("XML Error"), std::string::npos) << parseOutput;
    EXPECT_EQ(parseOutput.find("Could not decompress"), std::string::npos) << parseOutput;
    const ScriptNode* d = demo();
    ASSERT_NE(d, nullptr);

    // create, load with a loading effect, run: in that order, each once.
    std::vector<std::string> actions;
    for (const auto& child : d->children) {
        for (const char* keyword : {"create", "load", "run"}) {
            if (sameName(child->name, keyword))
                actions.push_back(keyword);
        }
    }
    EXPECT_EQ(actions, (std::vector<std::string>{"create", "load", "run"}));
    const auto loads = children("load");
    ASSERT_EQ(loads.size(), 1u);
    const char* loader = attribute(*loads[0], "effect");
    EXPECT_EQ(effects().count(loader), 1u) << "the loading effect " << loader << " is never added";
}

TEST_F(ShowScript, UsesEveryEffectTypeOfTheFactoryTable)
{
    // Every type of the factory, and no type it does not know (it would create nothing, silently).
    std::set<std::string> used, known;
    for (const auto& [name, type] : effects())
        used.insert(type);
    for (const EffectType& type : effectTable())
        known.insert(type.name);
    EXPECT_EQ(known.size(), 26u);
    EXPECT_EQ(used, known);
}

TEST_F(ShowScript, HasEnoughEffectsAndEvents)
{
    const auto all = effects();
    EXPECT_LE(all.size(), 48u);
    EXPECT_EQ(all.size(), children("add").size()) << "two effects share a name";
    for (const auto& [name, type] : all)
        EXPECT_LE(name.size(), 15u) << name;
    EXPECT_GE(children("event").size(), 53u);
}

TEST_F(ShowScript, DrawOrdersNameOnlyAddedEffectsAndSceneViewsAreShared)
{
    const auto all = effects();
    std::set<std::string> drawn;
    // Effects that draw in a preceding 3dscene's view, seen right after (or within) one.
    std::set<std::string> inSceneView;
    for (const ScriptNode* event : children("event")) {
        for (const auto& child : event->children) {
            if (!sameName(child->name, "draworder"))
                continue;
            bool afterScene = false;
            for (const auto& a : child->attributes) {
                if (!sameName(a->name, "effect"))
                    continue;
                const std::string name = lower(a->value);
                ASSERT_EQ(all.count(name), 1u) << "draw order names " << name << ", never added";
                const std::string& type = all.at(name);
                drawn.insert(name);
                if (type == "3dscene")
                    afterScene = true;
                else if (afterScene)
                    inSceneView.insert(type);
                if (type == "clear" || type == "starspace" || type == "picture")
                    afterScene = false;
            }
        }
    }
    for (const char* type : {"teddy", "particlebox", "ltree", "rigid", "cubeeffect"})
        EXPECT_EQ(inSceneView.count(type), 1u) << type << " is never drawn after a 3dscene";
    // Every effect appears in some draw order, except sound players: they play undrawn.
    for (const auto& [name, type] : all) {
        if (type != "musicplay") {
            EXPECT_EQ(drawn.count(name), 1u) << name << " is added but never drawn";
        }
    }
}

}  // namespace
}  // namespace velmora
