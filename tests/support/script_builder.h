// Builds script elements in tests and benchmarks, as the parser would produce them.
#pragma once

#include <initializer_list>
#include <memory>
#include <utility>

#include "core/script_node.h"
#include "core/script_values.h"

namespace velmora::testing {

using AttributeList = std::initializer_list<std::pair<const char*, const char*>>;

// An element named `name` with the attributes in order (text cut to the 31-character fields).
inline std::unique_ptr<ScriptNode> element(const char* name, AttributeList attributes = {})
{
    auto node = std::make_unique<ScriptNode>();
    copyName(node->name, name);
    for (const auto& [key, value] : attributes) {
        auto attribute = std::make_unique<ScriptAttribute>();
        copyName(attribute->name, key);
        copyName(attribute->value, value);
        node->attributes.push_back(std::move(attribute));
    }
    return node;
}

// Appends a child element to `parent` and returns it (owned by `parent`).
inline ScriptNode* addChild(ScriptNode& parent, const char* name, AttributeList attributes = {})
{
    auto child = element(name, attributes);
    child->parent = &parent;
    parent.children.push_back(std::move(child));
    return parent.children.back().get();
}

}  // namespace velmora::testing
