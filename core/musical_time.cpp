// Event times in beats and module positions, resolved to seconds of the show's clock.
#include "core/musical_time.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
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

void neverFires(Event& event, const std::string& why, const EventProblems& problems)
{
    const std::string line = "event [" + eventLabel(*event.element) + "]: " + why + ", never fires";
    if (problems)
        problems(*event.element, line);
    else
        std::printf("XML Error: %s\n", line.c_str());
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

// An order or row: read as the scripts always read integers (leading digits, none is 0), but a
// number outside 0..kMaxModulePosition is no position (atoi would wrap it onto another one).
std::optional<int> positionNumber(const char* text)
{
    if (!text)
        return 0;
    errno = 0;
    const long long number = std::strtoll(text, nullptr, 10);
    if (errno == ERANGE || number < 0 || number > kMaxModulePosition)
        return std::nullopt;
    return static_cast<int>(number);
}

}  // namespace

bool BeatGrid::inForce() const { return std::isfinite(bpm) && bpm > 0; }

std::optional<double> BeatGrid::beatAt(double seconds) const
{
    if (!inForce())
        return std::nullopt;
    return (seconds - offset) * bpm / 60.0;
}

void placeEvent(Event& event, const BeatGrid& grid, const EventProblems& problems)
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
        if (!grid.inForce()) {
            if (grid.bpm == 0)
                return neverFires(event, "beat without a bpm", problems);
            char why[64];
            std::snprintf(
                why, sizeof why, "beat at bpm %g, which is no tempo (above 0, finite)", static_cast<double>(grid.bpm));
            return neverFires(event, why, problems);
        }
        const char* beat = attributeValue(element, "beat");
        const double seconds = grid.secondsOf(scriptFloat(beat));
        // Past the largest float a time would be infinite; no number at all never compares.
        if (!(std::abs(seconds) <= std::numeric_limits<float>::max()))
            return neverFires(event, std::string("beat ") + beat + " is out of range", problems);
        event.time = static_cast<float>(seconds);
    } else if (form == Form::Module) {
        if (!attributeValue(element, "music"))
            return neverFires(event, "order and row without music", problems);
        event.time = kKeyEventTime;  // until the module is loaded
        event.waitsForModule = true;
    }
}

bool resolveModuleTimes(std::span<Event> events, const Demo& demo)
{
    return resolveModuleTimes(events,
                              [&demo](const char* name) { return dynamic_cast<ModuleClock*>(demo.findEffect(name)); });
}

bool resolveModuleTimes(std::span<Event> events, const FindModuleClock& findClock, const EventProblems& problems)
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
        const std::optional<int> orderNumber = positionNumber(order);
        const std::optional<int> rowNumber = positionNumber(row);
        if (!orderNumber || !rowNumber) {
            neverFires(event,
                       std::string(orderNumber ? "row " : "order ") + (orderNumber ? row : order) +
                           " is out of range (0 to " + std::to_string(kMaxModulePosition) + ")",
                       problems);
            continue;
        }
        const ModulePosition position{*orderNumber, *rowNumber};
        const std::string where =
            "order " + std::to_string(position.order) + " row " + std::to_string(position.row);

        ModuleClock* clock = findClock(music);
        if (!clock || !clock->hasModule()) {
            neverFires(event, std::string("[") + music + "] plays no module", problems);
            continue;
        }
        const std::optional<float> start = startOf(music, events);
        if (!start) {
            neverFires(event, std::string("no event plays [") + music + "]", problems);
            continue;
        }
        const std::optional<double> seconds = clock->secondsAt(position);
        if (!seconds) {
            neverFires(event, std::string("[") + music + "] never reaches " + where, problems);
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
