// The effect types the player knows, in the order the factory tries them.
#pragma once

#include <span>

#include "core/effect_factory.h"

namespace velmora {

// The product table for the player's EffectFactory; static, lives for the whole program.
std::span<const EffectType> effectTable();

}  // namespace velmora
