// velmora --check: the show's script walked as the driver would apply it, with every element
// held against what reads it, and the timeline resolved as the player resolves it.
#include "core/script_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/module_times.h"
#include "core/demo.h"
#include "core/effect_parameters.h"
#include "core/musical_time.h"
#include "core/script_driver.h"
#include "core/script_node.h"
#include "core/script_parser.h"
#include "core/script_values.h"
#include "resources/data_file.h"

namespace velmora {

namespace {

// A name or value as a finding shows it: line breaks and tabs (which a name may hold) as "\n"
// and "\t", so that every finding stays one line.
std::string shown(const char* text)
{
    std::string out;
    for (; *text; ++text) {
        if (*text == '\n')
            out += "\\n";
        else if (*text == '\r')
            out += "\\r";
        else if (*text == '\t')
            out += "\\t";
        else
            out += *text;
    }
    return out;
}

bool endsWithNoCase(const char* text, const char* suffix)
{
    const std::string t(text), s(suffix);
    return t.size() >= s.size() && sameName(t.c_str() + t.size() - s.size(), suffix);
}

// How the checker reads one attribute: whether the element reads it, and as what.
struct Reading {
    bool read = false;
    ValueKind kind = ValueKind::Text;
    int textLimit = kScriptFieldSize - 1;
};

// A music effect's module, read from its file as the checker found it named.
class CheckedModule : public ModuleClock {
public:
    explicit CheckedModule(const std::string& file)
    {
        DataFile data(file.c_str(), LoadLines::Silent);
        times_ = ModuleTimes::open(data.data(), data.size());
    }
    bool hasModule() const override { return times_ != nullptr; }
    std::optional<double> secondsAt(ModulePosition position) override
    {
        return times_ ? times_->secondsAt(position.order, position.row) : std::nullopt;
    }
    std::optional<ModulePosition> playingPosition() const override { return std::nullopt; }

private:
    std::unique_ptr<ModuleTimes> times_;
};

struct CheckedEffect {
    std::unique_ptr<Effect> effect;     // made by the factory for its name, type and tables; never loaded
    const ScriptNode* added = nullptr;  // its `add` element
    bool drawn = false;
    std::string lastFile;  // the last data file given to it: a music effect's module
    std::unique_ptr<CheckedModule> module;
};

class Checker {
public:
    explicit Checker(std::span<const EffectType> types) : factory_(types) {}

    std::vector<CheckFinding> run(const char* scriptName)
    {
        ScriptNode root;
        std::vector<ScriptProblem> problems;
        parseFileQuietly(&root, scriptName, problems);
        for (ScriptProblem& problem : problems)
            findings_.push_back({problem.file, problem.line, std::move(problem.message)});

        bool anyDemo = false;
        for (const auto& child : root.children) {
            if (!sameName(child->name, "demo")) {
                report(*child, "<" + shown(child->name) + "> at the top level is not a demo: it is ignored");
                continue;
            }
            anyDemo = true;
            checkDemo(*child);
        }
        if (!anyDemo && !root.children.empty())
            findings_.push_back({scriptName, 0, "no demo element: nothing is played"});

        // By file (in the order they were first met) and line.
        std::vector<std::string> files{scriptName};
        for (const CheckFinding& finding : findings_) {
            if (std::find(files.begin(), files.end(), finding.file) == files.end())
                files.push_back(finding.file);
        }
        const auto rank = [&files](const CheckFinding& finding) {
            return std::make_pair(std::find(files.begin(), files.end(), finding.file) - files.begin(), finding.line);
        };
        std::stable_sort(findings_.begin(), findings_.end(), [&rank](const CheckFinding& a, const CheckFinding& b) {
            return rank(a) < rank(b);
        });
        return std::move(findings_);
    }

private:
    // ---- Findings ---------------------------------------------------------------------------

    void report(const ScriptNode& at, std::string message)
    {
        findings_.push_back({at.file ? *at.file : std::string(), at.line, std::move(message)});
    }
    void report(const ScriptNode& at, const ScriptAttribute& attribute, std::string message)
    {
        findings_.push_back(
            {at.file ? *at.file : std::string(), attribute.line ? attribute.line : at.line, std::move(message)});
    }

    // ---- One demo ---------------------------------------------------------------------------

    void checkDemo(const ScriptNode& demo)
    {
        effects_.clear();
        events_.clear();
        grid_ = {};
        loading_ = nullptr;
        eventsOverflowed_ = false;
        created_ = false;
        loaded_ = false;
        ran_ = false;

        checkBlock(demo, false);
        // Events apply their elements when they fire, after everything before `run` was read:
        // their effects are looked up in the final list (events inside events come last).
        for (size_t i = 0; i < eventElements_.size(); ++i)
            checkBlock(*eventElements_[i], true);
        eventElements_.clear();

        resolveModuleTimes(
            events_,
            [this](const char* name) { return moduleOf(name); },
            [this](const ScriptNode& element, const std::string& line) { report(element, line); });
        checkExit(demo);
        for (const CheckedEffect& checked : effects_) {
            if (!checked.drawn && checked.effect.get() != loading_ && !checked.effect->worksUndrawn())
                report(*checked.added,
                       "effect [" + shown(checked.effect->name) + "] is never drawn: no draworder names it");
        }
        if (!ran_)
            report(demo, "demo without run: the show never plays");
        else if (!loaded_ && !effects_.empty())
            report(demo, "demo without load: its effects are never loaded");
    }

    CheckedEffect* findEffect(const char* name)
    {
        for (CheckedEffect& checked : effects_) {
            if (checked.effect->hasName(name))
                return &checked;
        }
        return nullptr;
    }

    ModuleClock* moduleOf(const char* name)
    {
        CheckedEffect* checked = findEffect(name);
        if (!checked || !dynamic_cast<ModuleClock*>(checked->effect.get()) || checked->lastFile.empty())
            return nullptr;
        if (!checked->module)
            checked->module = std::make_unique<CheckedModule>(checked->lastFile);
        return checked->module.get();
    }

    // The attributes and children of a `demo` element or of an event's element.
    void checkBlock(const ScriptNode& block, bool isEvent)
    {
        const KeywordElement* event = findKeyword("event");
        checkAttributes(block, "<" + std::string(isEvent ? "event" : "demo") + ">", [isEvent, event](const char* name) {
            Reading reading;
            reading.read = isBlockAttribute(name);
            for (const char* eventAttribute : event->attributes)
                reading.read = reading.read || (isEvent && sameName(name, eventAttribute));
            return reading;
        });
        for (const auto& attribute : block.attributes) {
            if (sameName(attribute->name, "bpm"))
                grid_.bpm = scriptFloat(attribute->value);
            else if (sameName(attribute->name, "beatoffset"))
                grid_.offset = scriptFloat(attribute->value);
        }
        for (const auto& child : block.children)
            checkChild(*child);
    }

    void checkChild(const ScriptNode& child)
    {
        if (CheckedEffect* checked = findEffect(child.name))
            return checkEffectElement(*checked, child);
        const KeywordElement* keyword = findKeyword(child.name);
        if (!keyword) {
            report(child, "<" + shown(child.name) + "> names no effect and no keyword: it is ignored");
            return;
        }
        const bool event = sameName(keyword->name, "event");
        if (!event) {  // an event's attributes are held against a block's when its element is checked
            checkAttributes(child, "<" + std::string(keyword->name) + ">", [keyword](const char* name) {
                Reading reading;
                for (const char* attribute : keyword->attributes)
                    reading.read = reading.read || sameName(name, attribute);
                return reading;
            });
            for (const auto& grandchild : child.children)
                report(*grandchild, "<" + shown(grandchild->name) + "> inside <" + keyword->name + "> is not read");
        }

        const std::string name = keyword->name;
        if (name == "draworder") {
            uint32_t entries = 0;
            for (const auto& attribute : child.attributes) {
                if (!sameName(attribute->name, "effect"))
                    continue;
                CheckedEffect* drawn = findEffect(attribute->value);
                if (!drawn) {
                    report(child,
                           *attribute,
                           "draworder: no effect named [" + shown(attribute->value) +
                               "] (\"XML Error: DrawOrder\"; the entries after it are lost)");
                    break;
                }
                if (++entries > kMaxDrawOrder) {
                    report(child, *attribute, "draworder: more than " + std::to_string(kMaxDrawOrder) + " entries");
                    break;
                }
                drawn->drawn = true;
            }
        } else if (name == "add") {
            addEffect(child);
        } else if (name == "event") {
            addEvent(child);
        } else if (name == "create") {
            created_ = true;
        } else if (name == "load") {
            for (const auto& attribute : child.attributes) {
                if (!sameName(attribute->name, "effect"))
                    continue;
                CheckedEffect* chosen = findEffect(attribute->value);
                if (!chosen) {
                    report(child, *attribute, "load: no effect named [" + shown(attribute->value) + "]");
                    break;
                }
                loading_ = chosen->effect.get();
            }
            loaded_ = true;
        } else if (name == "run") {
            if (!created_)
                report(child, "run before create: there is no window to show the show in");
            ran_ = true;
        }
    }

    void addEffect(const ScriptNode& add)
    {
        const AddRequest request = readAddRequest(add);
        if (!request.type) {
            report(add, "add without a type: effect [" + shown(request.name) + "] is not created");
            return;
        }
        if (!factory_.find(request.type)) {
            report(add,
                   "effect type [" + shown(request.type) + "] does not exist: effect [" + shown(request.name) +
                       "] is not created");
            return;
        }
        std::unique_ptr<Effect> effect = factory_.create(&add);
        if (!effect)
            return;
        if (*request.name == '\0')
            report(add,
                   "effect of type [" + shown(request.type) + "] without a name: nothing can set it up or draw it");
        else if (std::string(request.name).size() >= sizeof effect->name)
            report(add,
                   "effect name [" + shown(request.name) + "] is longer than " +
                       std::to_string(sizeof effect->name - 1) + " characters: it is cut to [" + shown(effect->name) +
                       "]");
        if (*request.name != '\0' && findEffect(effect->name))
            report(add, "a second effect named [" + shown(effect->name) + "]: its elements reach only the first");
        if (effects_.size() == kMaxEffects) {
            report(add,
                   "more than " + std::to_string(kMaxEffects) + " effects: [" + shown(effect->name) + "] is refused");
            return;
        }
        if (loaded_)
            report(add, "effect [" + shown(effect->name) + "] is added after load: it is never loaded");
        CheckedEffect checked;
        checked.effect = std::move(effect);
        checked.added = &add;
        effects_.push_back(std::move(checked));
    }

    void addEvent(const ScriptNode& element)
    {
        if (events_.size() == kMaxEvents) {
            if (!eventsOverflowed_)
                report(element,
                       "more than " + std::to_string(kMaxEvents) + " events: this one and every later one are refused");
            eventsOverflowed_ = true;
            return;
        }
        // The times as Demo::addEvent reads them; the element is only read.
        Event event;
        event.element = const_cast<ScriptNode*>(&element);
        bool keyEvent = false;
        for (const auto& attribute : element.attributes) {
            if (sameName(attribute->name, "key")) {
                event.time = kKeyEventTime;
                keyEvent = true;
            } else if (sameName(attribute->name, "time")) {
                event.time = scriptFloat(attribute->value);
                keyEvent = false;
            }
        }
        const size_t before = findings_.size();
        placeEvent(event, grid_, [this](const ScriptNode& at, const std::string& line) { report(at, line); });
        const bool placed = findings_.size() == before;
        if (placed && !event.waitsForModule && !(event.time >= 0))
            report(element,
                   keyEvent ? "event with a key: keys fire no events, it never fires"
                            : "event time is negative or no number: it never fires");
        if (std::isnan(event.time))
            event.time = kKeyEventTime;
        events_.push_back(event);
        eventElements_.push_back(&element);
    }

    // A show without an `exit` event, and events whose time comes after the first timed event
    // that holds `exit`.
    void checkExit(const ScriptNode& demo)
    {
        std::optional<float> exitTime;
        for (const Event& event : events_) {
            if (event.time < 0)
                continue;
            for (const auto& child : event.element->children) {
                if (sameName(child->name, "exit") && !findEffect(child->name) && (!exitTime || event.time < *exitTime))
                    exitTime = event.time;
            }
        }
        if (!exitTime) {
            if (ran_)
                report(demo, "no event holds exit: the show never ends by itself");
            return;
        }
        for (const Event& event : events_) {
            if (event.time > *exitTime) {
                char line[160];
                std::snprintf(line,
                              sizeof line,
                              "event at %.2f s comes after the show's exit at %.2f s: it never fires",
                              static_cast<double>(event.time),
                              static_cast<double>(*exitTime));
                report(*event.element, line);
            }
        }
    }

    // ---- Elements addressed to an effect ----------------------------------------------------

    void checkEffectElement(CheckedEffect& checked, const ScriptNode& node)
    {
        Effect& effect = *checked.effect;
        const EffectScript script = effect.script();
        const std::string whose = "effect type [" + std::string(effect.type) + "]";
        const bool common = effect.readsCommonParameters();
        checkAttributes(node, whose, [&script, common](const char* name) {
            Reading reading;
            if (common && (sameName(name, "active") || sameName(name, "speed"))) {
                reading.read = true;
                reading.kind = ValueKind::Float;
            }
            for (const auto& row : script.attributes) {
                if (!reading.read && sameName(name, row.name)) {
                    reading = {true, row.kind, row.textLimit};
                }
            }
            return reading;
        });
        for (const auto& attribute : node.attributes) {
            for (const auto& row : script.attributes) {
                if (sameName(attribute->name, row.name)) {
                    if (row.kind == ValueKind::File)
                        checked.lastFile = attribute->value;
                    break;
                }
            }
        }
        for (const auto& child : node.children) {
            bool read = false;
            for (const auto& row : script.children)
                read = read || sameName(child->name, row.name);
            if (!read)
                report(*child,
                       "<" + shown(child->name) + "> inside [" + shown(effect.name) + "] is not read by " + whose);
            else
                checkCutValues(*child);
        }
    }

    // A child element's attributes are read by its effect's own code, not through a table: only
    // a value cut short at a space is told, by the rest of the value that then stands as a name
    // ending in the closing quote.
    void checkCutValues(const ScriptNode& node)
    {
        const ScriptAttribute* openValue = nullptr;
        for (const auto& attribute : node.attributes) {
            if (openValue && std::strchr(attribute->name, '"')) {
                report(node,
                       *attribute,
                       "value of [" + shown(openValue->name) + "] is cut short at a space: [" + shown(attribute->name) +
                           "] is read as an attribute");
                openValue = nullptr;
            } else if (attribute->quotes == ValueQuotes::LeftOpen) {
                openValue = attribute.get();
            }
        }
    }

    // ---- Attributes -------------------------------------------------------------------------

    // Holds each attribute of `node` against `reads`: names not read (or a value cut short at a
    // space, whose rest then reads as names), names and values longer than their fields, data
    // files that are not there.
    template <class Reads>
    void checkAttributes(const ScriptNode& node, const std::string& whose, Reads reads)
    {
        const ScriptAttribute* openValue = nullptr;  // a value whose closing quote was not in its token
        bool cutReported = false;
        for (const auto& attribute : node.attributes) {
            const Reading reading = reads(attribute->name);
            const std::string name = shown(attribute->name);
            if (!reading.read) {
                if (openValue) {
                    if (!cutReported)
                        report(node,
                               *attribute,
                               "value of [" + shown(openValue->name) + "] is cut short at a space: [" + name +
                                   "] is not an attribute of " + whose);
                    cutReported = true;
                } else if (attribute->nameLength >= kScriptFieldSize) {
                    report(node,
                           *attribute,
                           "attribute name [" + name + "...] is longer than " + std::to_string(kScriptFieldSize - 1) +
                               " characters");
                } else {
                    report(node, *attribute, "attribute [" + name + "] is not read by " + whose);
                }
                continue;
            }
            openValue = attribute->quotes == ValueQuotes::LeftOpen ? attribute.get() : nullptr;
            cutReported = false;
            if (attribute->quotes == ValueQuotes::None)
                report(node, *attribute, "value of [" + name + "] is not in quotes: it reads as empty");
            const bool text = reading.kind == ValueKind::Text || reading.kind == ValueKind::File;
            const uint32_t limit = text ? static_cast<uint32_t>(reading.textLimit) : kScriptFieldSize - 1;
            if (attribute->valueLength > limit || (attribute->valueLength > kScriptFieldSize - 1)) {
                const uint32_t kept = std::min<uint32_t>(limit, kScriptFieldSize - 1);
                report(node,
                       *attribute,
                       "value of [" + name + "] is longer than " + std::to_string(kept) +
                           " characters: it is cut to [" +
                           shown(std::string(attribute->value, std::min<size_t>(kept, 31)).c_str()) + "]");
            }
            const bool namesFile =
                reading.kind == ValueKind::File ||
                (text && (endsWithNoCase(attribute->value, ".ttf") || endsWithNoCase(attribute->value, ".otf")));
            if (namesFile && attribute->value[0] != '\0' && !dataFileExists(attribute->value))
                report(node,
                       *attribute,
                       "[" + name + "]: no data file [" + shown(attribute->value) + "] (" +
                           shown(dataFilePath(attribute->value).c_str()) + ")");
        }
    }

    EffectFactory factory_;
    std::vector<CheckFinding> findings_;
    std::vector<CheckedEffect> effects_;
    std::vector<Event> events_;
    std::vector<const ScriptNode*> eventElements_;
    BeatGrid grid_;
    const Effect* loading_ = nullptr;
    bool eventsOverflowed_ = false;
    bool created_ = false;
    bool loaded_ = false;
    bool ran_ = false;
};

}  // namespace

std::vector<CheckFinding> checkShow(const char* scriptName, std::span<const EffectType> effectTypes)
{
    return Checker(effectTypes).run(scriptName);
}

std::string formatFinding(const CheckFinding& finding)
{
    if (finding.line == 0)
        return finding.file + ": " + finding.message;
    return finding.file + ":" + std::to_string(finding.line) + ": " + finding.message;
}

}  // namespace velmora
