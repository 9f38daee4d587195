// Script elements for tests.
#include "tests/support/script_builder.h"

#include <cstring>

namespace velmora::testing {

namespace {
void copyField(char (&field)[kScriptFieldSize], const char* text)
{
    std::strncpy(field, text, kScriptFieldSize - 1);
    field[kScriptFieldSize - 1] = '\0';
}
}  // namespace

std::unique_ptr<ScriptNode> element(const char* name, AttributeList attributes)
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

ScriptNode* addChild(ScriptNode& parent, const char* name, AttributeList attributes)
{
    auto child = element(name, attributes);
    child->parent = &parent;
    parent.children.push_back(std::move(child));
    return parent.children.back().get();
}

}  // namespace velmora::testing
