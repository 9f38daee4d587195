// The effect factory: turns an `add` element into a new effect, choosing the class by the
// element's `type` from a table of type names.
#pragma once

#include <memory>
#include <span>

#include "core/effect.h"

namespace velmora {

struct ScriptNode;

// One row of a factory table: the script's type name and a function building that effect with
// its defaults.
struct EffectType {
    const char* name;
    std::unique_ptr<Effect> (*create)();
};

template <class T>
std::unique_ptr<Effect> createEffect()
{
    return std::make_unique<T>();
}

// What an `add` element asks for: the last `type` and the last `name` among its attributes.
struct AddRequest {
    const char* type = nullptr;  // null: no `type` attribute; points into the element
    const char* name = "";       // empty without a `name` attribute; points into the element
};
AddRequest readAddRequest(const ScriptNode& element);

class EffectFactory {
public:
    // `types` must outlive the factory; rows are tried in order, the first match wins.
    explicit EffectFactory(std::span<const EffectType> types) : types_(types) {}

    // The effect an `add` element asks for, with `name` and `type` set from its attributes (the
    // last of each wins; a missing `name` leaves the name empty). Null, silently, when `type`
    // is missing or names no row; type names compare ignoring ASCII case.
    std::unique_ptr<Effect> create(const ScriptNode* element) const;
    // The row of the type name `type` (ASCII case ignored), or null.
    const EffectType* find(const char* type) const;

private:
    std::span<const EffectType> types_;
};

}  // namespace velmora
