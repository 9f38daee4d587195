// The parsed script tree: elements with ordered attributes and children.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmora {

// Names and values are fixed 32-byte fields: at most 31 characters, longer text is cut.
constexpr int kScriptFieldSize = 32;

// How an attribute's value was written inside its token.
enum class ValueQuotes : uint8_t {
    NoValue,   // a bare name, without '='
    None,      // '=' but no quote after it: the value reads as empty
    Closed,    // "value"
    LeftOpen,  // an opening quote but no closing one inside the token: the value runs to its end
};

struct ScriptAttribute {
    char name[kScriptFieldSize] = {};
    char value[kScriptFieldSize] = {};

    // How it was written, for velmora --check; the show reads only the fields above.
    uint32_t line = 0;        // line of its file where the token starts, from 1; 0: not read from a file
    uint32_t nameLength = 0;  // characters as written, before the field cut them
    uint32_t valueLength = 0;
    ValueQuotes quotes = ValueQuotes::Closed;
};

struct ScriptNode {
    char name[kScriptFieldSize] = {};  // empty for the root
    ScriptNode* parent = nullptr;      // enclosing node, owned by it; null for the root
    std::vector<std::unique_ptr<ScriptAttribute>> attributes;  // document order, duplicates kept
    std::vector<std::unique_ptr<ScriptNode>> children;         // document order

    // Where it was written, for velmora --check and error lines.
    uint32_t line = 0;                        // line of its name in `file`, from 1; 0: not read from a file
    uint32_t nameLength = 0;                  // characters of the name as written
    std::shared_ptr<const std::string> file;  // logical name of its script file; shared by its file's nodes
};

}  // namespace velmora
