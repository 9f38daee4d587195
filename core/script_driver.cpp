// The script driver: where the keywords of a `demo` element become actions on the Demo.
#include "core/script_driver.h"

#include <cstdio>
#include <memory>

#include "core/console.h"
#include "core/demo.h"
#include "core/script_node.h"
#include "core/script_parser.h"
#include "core/script_values.h"
#include "resources/data_file.h"

namespace velmora {

namespace {

void upperCaseInPlace(char* text)
{
    for (; *text; ++text) {
        if (*text >= 'a' && *text <= 'z')
            *text = static_cast<char>(*text - 'a' + 'A');
    }
}

// The attributes of a `demo` element (and of an event, which is applied the same way); `name`
// is a label and does nothing.
struct BlockAttribute {
    const char* name;
    void (*apply)(Demo& demo, ScriptAttribute& attribute);
};

constexpr BlockAttribute kBlockAttributes[] = {
    {"trigger",
     [](Demo& demo, ScriptAttribute& attribute) {
         upperCaseInPlace(attribute.value);
         demo.key(static_cast<unsigned char>(attribute.value[0]), 0);
     }},
    {"name", [](Demo&, ScriptAttribute&) {}},
    {"width", [](Demo& demo, ScriptAttribute& attribute) { demo.settings.width = scriptInt(attribute.value); }},
    {"height", [](Demo& demo, ScriptAttribute& attribute) { demo.settings.height = scriptInt(attribute.value); }},
    {"bpp", [](Demo& demo, ScriptAttribute& attribute) { demo.settings.bitsPerPixel = scriptInt(attribute.value); }},
    {"fullscreen",
     [](Demo& demo, ScriptAttribute& attribute) { demo.settings.fullscreen = scriptInt(attribute.value) != 0; }},
    {"bpm", [](Demo& demo, ScriptAttribute& attribute) { demo.beatGrid.bpm = scriptFloat(attribute.value); }},
    {"beatoffset", [](Demo& demo, ScriptAttribute& attribute) { demo.beatGrid.offset = scriptFloat(attribute.value); }},
};

void applyAttribute(Demo& demo, ScriptAttribute& attribute)
{
    for (const BlockAttribute& row : kBlockAttributes) {
        if (sameName(attribute.name, row.name)) {
            row.apply(demo, attribute);
            return;
        }
    }
}

constexpr const char* kEffectAttribute[] = {"effect"};
constexpr const char* kAddAttributes[] = {"type", "name"};
// Demo::addEvent reads the time or key, placeEvent the musical time.
constexpr const char* kEventAttributes[] = {"time", "key", "beat", "order", "row", "music"};

// The keywords, in the order they are tested.
constexpr KeywordElement kKeywords[] = {
    {"draworder", kEffectAttribute, [](Demo& demo, ScriptNode* element) { demo.setDrawOrder(element); }},
    {"add", kAddAttributes, [](Demo& demo, ScriptNode* element) { demo.addEffect(element); }},
    {"event", kEventAttributes, [](Demo& demo, ScriptNode* element) { demo.addEvent(element); }},
    {"create",
     {},
     [](Demo& demo, ScriptNode*) {
         demo.create(demo.settings, "velmora");
         demo.startUp();
         demo.frameTimer->reset();
         demo.frameTimer->setInterval(1);
     }},
    {"load",
     kEffectAttribute,
     [](Demo& demo, ScriptNode* element) {
         demo.selectLoadingEffect(element);
         demo.loadAll();
     }},
    {"run", {}, [](Demo& demo, ScriptNode*) { demo.runMainLoop(); }},
    {"exit", {}, [](Demo& demo, ScriptNode*) { demo.exitShow(); }},
};

void applyChild(Demo& demo, ScriptNode* child)
{
    // An effect's name comes first, so an effect named like a keyword hides the keyword.
    if (Effect* effect = demo.findEffect(child->name)) {
        effect->handleElement(child);
    } else if (const KeywordElement* keyword = findKeyword(child->name)) {
        keyword->apply(demo, child);
    }
}

}  // namespace

const KeywordElement* findKeyword(const char* name)
{
    for (const KeywordElement& keyword : kKeywords) {
        if (sameName(name, keyword.name))
            return &keyword;
    }
    return nullptr;
}

bool isBlockAttribute(const char* name)
{
    for (const BlockAttribute& row : kBlockAttributes) {
        if (sameName(name, row.name))
            return true;
    }
    return false;
}

int applyUntilRun(Demo& demo, ScriptNode* element)
{
    for (const auto& attribute : element->attributes)
        applyAttribute(demo, *attribute);
    for (const auto& child : element->children) {
        const bool keyword = !demo.findEffect(child->name);
        if (keyword && sameName(child->name, "run"))
            break;
        if (keyword && sameName(child->name, "create"))
            continue;
        applyChild(demo, child.get());
    }
    return 0;
}

int applyBlock(Demo& demo, ScriptNode* element)
{
    for (const auto& attribute : element->attributes)
        applyAttribute(demo, *attribute);
    for (const auto& child : element->children)
        applyChild(demo, child.get());
    return 0;
}

int playScript(const char* scriptName, const RunOptions& options, std::span<const EffectType> effectTypes)
{
    std::printf("Parsing Script [%s]", scriptName);
    // Events keep pointers into the tree: it outlives every Demo.
    ScriptNode root;
    parseFile(&root, scriptName);
    std::printf("done.\n");

    int played = 0;
    bool anyDemo = false;
    for (const auto& child : root.children) {
        if (!sameName(child->name, "demo"))
            continue;
        anyDemo = true;
        auto demo = std::make_unique<Demo>(options, effectTypes);
        demo->element = child.get();
        applyBlock(*demo, child.get());
        played += demo->played() ? 1 : 0;
    }
    if (played > 0)
        return played;
    if (root.children.empty() && !dataFileExists(scriptName)) {
        printNote(
            "no script [%s] in the show's data (%s): nothing played", scriptName, dataFilePath(scriptName).c_str());
        printNote("%s", kDataHint);
    } else if (!anyDemo) {
        printNote("[%s] holds no demo element: nothing played", scriptName);
    } else {
        printNote("[%s] ran no show (no run reached): nothing played", scriptName);
    }
    return 0;
}

}  // namespace velmora
