// velmora --check: reads a show as the player would, without a window or sound, and lists what
// would fail or silently do nothing, each at the file and line where it stands.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/effect_factory.h"

namespace velmora {

struct CheckFinding {
    std::string file;     // logical name of the script file
    uint32_t line = 0;    // from 1; 0: the file as a whole
    std::string message;  // one line, no line break
};

// Checks the show whose main script is `scriptName` in the current data source, with the
// factory table `effectTypes`: parse errors and includes, effect types and names, attributes and
// child elements against what each element reads (the effects' own tables), data files, draw
// orders, musical times (beats, module orders and rows, read from the module itself), events
// after the show's exit, and effects never drawn. Loads nothing into GL and plays nothing.
std::vector<CheckFinding> checkShow(const char* scriptName, std::span<const EffectType> effectTypes);

// "file:line: message", or "file: message" for line 0.
std::string formatFinding(const CheckFinding& finding);

}  // namespace velmora
