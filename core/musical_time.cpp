// Event times in beats and module positions, resolved to seconds of the show's clock.
#include "core/musical_time.h"

#include <cstdio>
#include <string>

#include "core/demo.h"
#include "core/script_node.h"
#include "core/script_values.h"

namespace velmora {

namespace {

// How error lines name an event: its `name` attribute, or else all its attributes.
std::string eventLabel(const ScriptNode& element)
{
    std::string label;
    for (const auto& attribute : element.attributes) {
        if (sameName(attribute->name, "name"))
            return attribute->value;
        if (!label.empty())
            label += ' ';
        label += std::string(attribute->name) + "=\"" + attribute->value + "\"";
    }
    return label;
}

void neverFires(Event& event, const std::string& why)
{
    std::printf("XML Error: event [%s]: %s, never fires\n", eventLabel(*event.element).c_str(), why.c_str());
    event.time = kKeyEventTime;
    event.waitsForModule = false;
}

const char* attributeValue(const ScriptNode& element, const char* name)
{
    const char* value = nullptr;
    for (const auto& attribute : element.attributes) {
        if (sameName(attribute->name, name))
            value = attribute->value;  // a later attribute overrides an earlier one
    }
    return value;
}

// Whether `element` has a child named `music` that holds a `play` child.
bool startsMusic(const ScriptNode& element, const char* music)
{
    for (const auto& child : element.children) {
        if (!sameName(child->name, music))
            continue;
        for (const auto& grandchild : child->children) {
            if (sameName(grandchild->name, "play"))
                return true;
        }
    }
    return false;
}

// Show time at which the earliest timed event starts `music`; none when no event does.
std::optional<float> startOf(const char* music, std::span<const Event> events)
{
    std::optional<float> start;
    for (const Event& event : events) {
        if (event.time >= 0 && !event.waitsForModule && startsMusic(*event.element, music) &&
            (!start || event.time < *start))
            start = event.time;
    }
    return start;
}

}  // namespace

std::optional<double> BeatGrid::beatAt(double seconds) const
{
    if (!inForce())
        return std::nullopt;
    return (seconds - offset) * bpm / 60.0;
}

void placeEvent(Event& event, const BeatGrid& grid)
{
    // The attribute that decides, as among `key` and `time`: a later one overrides.
    enum class Form { Plain, Beat, Module } form = Form::Plain;
    for (const auto& attribute : event.element->attributes) {
        if (sameName(attribute->name, "time"))
            return;  // a time in seconds wins over any musical time
        if (sameName(attribute->name, "key"))
            form = Form::Plain;
        else if (sameName(attribute->name, "beat"))
            form = Form::Beat;
        else if (form != Form::Beat &&
                 (sameName(attribute->name, "order") || sameName(attribute->name, "row") ||
                  sameName(attribute->name, "music")))
            form = Form::Module;
    }
    const ScriptNode& element = *event.element;
    if (form == Form::Beat) {
        if (!grid.inForce())
            return neverFires(event, "beat without a bpm");
        event.time = static_cast<float>(grid.secondsOf(scriptFloat(attributeValue(element, "beat"))));
    } else if (form == Form::Module) {
        if (!attributeValue(element, "music"))
            return neverFires(event, "order and row without music");
        event.time = kKeyEventTime;  // until the module is loaded
        event.waitsForModule = true;
    }
}

bool resolveModuleTimes(std::span<Event> events, const Demo& demo)
{
    bool anyWaited = false;
    for (Event& event : events) {
        if (!event.waitsForModule)
            continue;
        anyWaited = true;
        const ScriptNode& element = *event.element;
        const char* music = attributeValue(element, "music");
        const char* order = attributeValue(element, "order");
        const char* row = attributeValue(element, "row");
        const ModulePosition position{order ? scriptInt(order) : 0, row ? scriptInt(row) : 0};
        const std::string where =
            "order " + std::to_string(position.order) + " row " + std::to_string(position.row);

        auto* clock = dynamic_cast<ModuleClock*>(demo.findEffect(music));
        if (!clock || !clock->hasModule()) {
            neverFires(event, std::string("[") + music + "] plays no module");
            continue;
        }
        const std::optional<float> start = startOf(music, events);
        if (!start) {
            neverFires(event, std::string("no event plays [") + music + "]");
            continue;
        }
        const std::optional<double> seconds = clock->secondsAt(position);
        if (!seconds) {
            neverFires(event, std::string("[") + music + "] never reaches " + where);
            continue;
        }
        event.time = static_cast<float>(double(*start) + *seconds);
        event.waitsForModule = false;
    }
    return anyWaited;
}

std::optional<ModulePosition> playingModulePosition(const Demo& demo)
{
    for (uint32_t i = 0; i < demo.effectCount(); ++i) {
        if (const auto* clock = dynamic_cast<const ModuleClock*>(demo.effect(i))) {
            if (auto position = clock->playingPosition())
                return position;
        }
    }
    return std::nullopt;
}

}  // namespace velmora
