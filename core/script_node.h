// The parsed script tree: elements with ordered attributes and children.
#pragma once

#include <memory>
#include <vector>

namespace velmora {

// Names and values are fixed 32-byte fields: at most 31 characters, longer text is cut.
constexpr int kScriptFieldSize = 32;

struct ScriptAttribute {
    char name[kScriptFieldSize] = {};
    char value[kScriptFieldSize] = {};
};

struct ScriptNode {
    char name[kScriptFieldSize] = {};  // empty for the root
    ScriptNode* parent = nullptr;      // enclosing node, owned by it; null for the root
    std::vector<std::unique_ptr<ScriptAttribute>> attributes;  // document order, duplicates kept
    std::vector<std::unique_ptr<ScriptNode>> children;         // document order
};

}  // namespace velmora
