// The effect factory: type name lookup over a table, and the `add` element's attributes.
#include "core/effect_factory.h"

#include <cstring>

#include "core/script_node.h"
#include "core/script_values.h"

namespace velmora {

AddRequest readAddRequest(const ScriptNode& element)
{
    AddRequest request;
    for (const auto& attribute : element.attributes) {
        if (sameName(attribute->name, "type"))
            request.type = attribute->value;
        else if (sameName(attribute->name, "name"))
            request.name = attribute->value;
    }
    return request;
}

const EffectType* EffectFactory::find(const char* type) const
{
    for (const EffectType& row : types_) {
        if (sameName(type, row.name))
            return &row;
    }
    return nullptr;
}

std::unique_ptr<Effect> EffectFactory::create(const ScriptNode* element) const
{
    // Read into script-field sized texts; the effect keeps at most 15 characters of each.
    const AddRequest request = readAddRequest(*element);
    const EffectType* row = request.type ? find(request.type) : nullptr;
    if (!row)
        return nullptr;
    std::unique_ptr<Effect> effect = row->create();
    if (!effect)
        return nullptr;
    effect->setName(request.name);
    effect->setType(request.type);
    return effect;
}

}  // namespace velmora
