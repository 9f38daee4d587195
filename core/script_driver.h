// The script driver: applies one `demo` element, or the element of a firing event, to a Demo.
#pragma once

namespace velmora {

class Demo;
struct ScriptNode;

// Applies the attributes of `element` (trigger, width, height, bpp, fullscreen), then its
// children in document order: an element named after an existing effect goes to that effect;
// otherwise draworder, add, event, create, load, run and exit act on the demo, anything else is
// ignored. `trigger` and `key` (of an event) upper-case their values in the tree. Returns 0.
int applyBlock(Demo& demo, ScriptNode* element);

}  // namespace velmora
