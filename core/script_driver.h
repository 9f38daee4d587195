// The script driver: applies one `demo` element, or the element of a firing event, to a Demo.
#pragma once

#include <span>

#include "core/effect_factory.h"
#include "core/run_options.h"

namespace velmora {

// What a player told to read a show from the wrong place needs to hear.
constexpr const char* kDataHint = "--data takes a show folder that holds data/, or an archive";

class Demo;
struct ScriptNode;

// The program's show: prints "Parsing Script [%s]", parses the script `scriptName` (a logical
// data-file name) and prints "done.\n"; then, for each top-level `demo` element in order,
// builds a fresh Demo over `effectTypes`, applies the element and destroys the Demo. A missing
// or partly broken script runs as far as it was read. Returns how many demos ran their main
// loop; when none did, says why on standard error (for a missing script with the hint kDataHint).
int playScript(const char* scriptName, const RunOptions& options, std::span<const EffectType> effectTypes);

// Applies the attributes of `element` (trigger, width, height, bpp, fullscreen, and the beat
// grid's bpm and beatoffset for events read afterwards), then its
// children in document order: an element named after an existing effect goes to that effect;
// otherwise draworder, add, event, create, load, run and exit act on the demo, anything else is
// ignored. `trigger` and `key` (of an event) upper-case their values in the tree. Returns 0.
int applyBlock(Demo& demo, ScriptNode* element);

// Whether applyBlock reads the attribute `name` of the element it applies (ASCII case ignored).
bool isBlockAttribute(const char* name);

// A keyword child of a block: its name, the attributes it reads (an event also reads those of a
// block when it fires) and what it does to the demo.
struct KeywordElement {
    const char* name;
    std::span<const char* const> attributes;
    void (*apply)(Demo& demo, ScriptNode* element);
};

// The keyword named `name` (ASCII case ignored), or null.
const KeywordElement* findKeyword(const char* name);

// Applies a `demo` element again to a Demo whose window is open (author mode starting over):
// as applyBlock, but `create` is skipped (the window stays) and the children stop before the
// first `run` (the main loop that runs already goes on). Returns 0.
int applyUntilRun(Demo& demo, ScriptNode* element);

}  // namespace velmora
