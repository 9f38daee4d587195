// Builds script elements in tests, as the parser would produce them.
#pragma once

#include <initializer_list>
#include <memory>
#include <utility>

#include "core/script_node.h"

namespace velmora::testing {

using AttributeList = std::initializer_list<std::pair<const char*, const char*>>;

// An element named `name` with the attributes in order (text cut to the 31-character fields).
std::unique_ptr<ScriptNode> element(const char* name, AttributeList attributes = {});

// Appends a child element to `parent` and returns it (owned by `parent`).
ScriptNode* addChild(ScriptNode& parent, const char* name, AttributeList attributes = {});

}  // namespace velmora::testing
