// Effect base: names and the common parameters `active` and `speed`.
#include "core/effect.h"

#include <cstring>

#include "core/script_node.h"
#include "core/script_values.h"

namespace velmora {

namespace {
void copyField(char (&field)[16], const char* text)
{
    std::strncpy(field, text ? text : "", sizeof field - 1);
    field[sizeof field - 1] = '\0';
}
}  // namespace

void Effect::handleElement(const ScriptNode* node)
{
    for (const auto& attribute : node->attributes) {
        if (sameName(attribute->name, "active"))
            active = scriptInt(attribute->value) != 0;
        else if (sameName(attribute->name, "speed"))
            speed = scriptFloat(attribute->value);
    }
}

void Effect::setName(const char* text) { copyField(name, text); }

void Effect::setType(const char* text) { copyField(type, text); }

bool Effect::hasName(const char* text) const { return sameName(name, text); }

}  // namespace velmora
