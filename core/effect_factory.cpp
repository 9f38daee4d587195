// The effect factory: type name lookup over a table, and the `add` element's attributes.
#include "core/effect_factory.h"

#include <cstring>

#include "core/script_node.h"
#include "core/script_values.h"

namespace velmora {

std::unique_ptr<Effect> EffectFactory::create(const ScriptNode* element) const
{
    // Read into script-field sized texts; the effect keeps at most 15 characters of each.
    const char* typeText = nullptr;
    const char* nameText = "";
    for (const auto& attribute : element->attributes) {
        if (sameName(attribute->name, "type"))
            typeText = attribute->value;
        else if (sameName(attribute->name, "name"))
            nameText = attribute->value;
    }
    if (!typeText)
        return nullptr;

    for (const EffectType& row : types_) {
        if (!sameName(typeText, row.name))
            continue;
        std::unique_ptr<Effect> effect = row.create();
        if (!effect)
            return nullptr;
        effect->setName(nameText);
        effect->setType(typeText);
        return effect;
    }
    return nullptr;
}

}  // namespace velmora
