// The player's effect table: known type names only, each once, in the factory's fixed order,
// and every row builds its effect.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <string_view>

#include "core/script_values.h"
#include "effects/effect_table.h"

namespace velmora {
namespace {

constexpr std::array<std::string_view, 26> kOrder = {
    "clear",      "musicplay", "coglogo", "picture",     "fade",   "flash",  "stairs",     "teddy",      "starspace",
    "tap",        "headlook",  "fish",    "goldletter",  "3dscene", "dogtail", "fontcool",  "particlebox", "ltree",
    "splash",     "quiver",    "wobble",  "waveeffect",  "cubeeffect", "rigid", "wtf",      "testeffect",
};

TEST(EffectTable, RowsFollowTheFactoryOrder)
{
    ptrdiff_t previous = -1;
    for (const EffectType& row : effectTable()) {
        const auto found = std::find(kOrder.begin(), kOrder.end(), std::string_view(row.name));
        ASSERT_NE(found, kOrder.end()) << row.name << " is no effect type";
        const ptrdiff_t index = std::distance(kOrder.begin(), found);
        EXPECT_GT(index, previous) << row.name << " is out of order or repeated";
        previous = index;

        const auto effect = row.create();
        ASSERT_NE(effect, nullptr) << row.name;
        EXPECT_TRUE(effect->active);
        EXPECT_FLOAT_EQ(effect->speed, 1.0f);
    }
}

}  // namespace
}  // namespace velmora
