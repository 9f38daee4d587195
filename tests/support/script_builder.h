// Builds script elements in tests, as the parser would produce them.
#pragma once

#include <cstring>
#include <initializer_list>
#include <memory>
#include <utility>

#include "core/script_node.h"

namespace velmora::testing {

using AttributeList = std::initializer_list<std::pair<const char*, const char*>>;

// Copies `text` into a fixed-size script field, cut to fit.
inline void copyField(char (&field)[kScriptFieldSize], const char* text)
{
    std::strncpy(field, text, kScriptFieldSize - 1);
    field[kScriptFieldSize - 1] = '\0';
}

// An element named `name` with the attributes in order (text cut to the 31-character fields).
inline std::unique_ptr<ScriptNode> element(const char* name, AttributeList attributes = {})
{
    auto node = std::make_unique<ScriptNode>();
    copyField(node->name, name);
    for (const auto& [key, value] : attributes) {
        auto attribute = std::make_unique<ScriptAttribute>();
        copyField(attribute->name, key);
        copyField(attribute->value, value);
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
