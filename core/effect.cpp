// Effect base: names, the common parameters `active` and `speed`, and the reading of an
// effect's own parameter tables.
#include "core/effect.h"

#include "core/effect_parameters.h"
#include "core/script_node.h"
#include "core/script_values.h"

namespace velmora {

void Effect::readCommonParameters(const ScriptNode& node)
{
    using enum ValueKind;
    static constexpr AttributeRow<Effect> kCommon[] = {
        attribute<Flag, &Effect::active>("active"),
        attribute<Float, &Effect::speed>("speed"),
    };
    readParameters<Effect>(*this, kCommon, {}, node);
}

void Effect::handleElement(const ScriptNode* node)
{
    if (readsCommonParameters())
        readCommonParameters(*node);
    const EffectScript own = script();
    readParameters<Effect>(*this, own.attributes, own.children, *node);
}

EffectScript Effect::script() const { return {}; }

void Effect::setName(const char* text) { copyName(name, text); }

void Effect::setType(const char* text) { copyName(type, text); }

bool Effect::hasName(const char* text) const { return sameName(name, text); }

}  // namespace velmora
