// The script driver: where the keywords of a `demo` element become actions on the Demo.
#include "core/script_driver.h"

#include <cstdio>
#include <memory>

#include "core/demo.h"
#include "core/script_node.h"
#include "core/script_parser.h"
#include "core/script_values.h"

namespace velmora {

namespace {

void upperCaseInPlace(char* text)
{
    for (; *text; ++text) {
        if (*text >= 'a' && *text <= 'z')
            *text = static_cast<char>(*text - 'a' + 'A');
    }
}

void applyAttribute(Demo& demo, ScriptAttribute& attribute)
{
    if (sameName(attribute.name, "trigger")) {
        upperCaseInPlace(attribute.value);
        demo.key(static_cast<unsigned char>(attribute.value[0]), 0);
    } else if (sameName(attribute.name, "width")) {
        demo.settings.width = scriptInt(attribute.value);
    } else if (sameName(attribute.name, "height")) {
        demo.settings.height = scriptInt(attribute.value);
    } else if (sameName(attribute.name, "bpp")) {
        demo.settings.bitsPerPixel = scriptInt(attribute.value);
    } else if (sameName(attribute.name, "fullscreen")) {
        demo.settings.fullscreen = scriptInt(attribute.value) != 0;
    } else if (sameName(attribute.name, "bpm")) {
        demo.beatGrid.bpm = scriptFloat(attribute.value);
    } else if (sameName(attribute.name, "beatoffset")) {
        demo.beatGrid.offset = scriptFloat(attribute.value);
    }
}

void applyChild(Demo& demo, ScriptNode* child)
{
    // An effect's name comes first, so an effect named like a keyword hides the keyword.
    if (Effect* effect = demo.findEffect(child->name)) {
        effect->handleElement(child);
    } else if (sameName(child->name, "draworder")) {
        demo.setDrawOrder(child);
    } else if (sameName(child->name, "add")) {
        demo.addEffect(child);
    } else if (sameName(child->name, "event")) {
        demo.addEvent(child);
    } else if (sameName(child->name, "create")) {
        demo.create(demo.settings, "velmora");
        demo.startUp();
        demo.frameTimer->reset();
        demo.frameTimer->setInterval(1);
    } else if (sameName(child->name, "load")) {
        demo.selectLoadingEffect(child);
        demo.loadAll();
    } else if (sameName(child->name, "run")) {
        demo.runMainLoop();
    } else if (sameName(child->name, "exit")) {
        demo.exitShow();
    }
}

}  // namespace

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

    for (const auto& child : root.children) {
        if (!sameName(child->name, "demo"))
            continue;
        auto demo = std::make_unique<Demo>(options, effectTypes);
        demo->element = child.get();
        applyBlock(*demo, child.get());
    }
    return 0;
}

}  // namespace velmora
