// The `fish` effect: "fish.zen" set to its own frame counter, looped every 900 frames.
#include "effects/fish.h"

#include <cstdio>

#include "core/effect_parameters.h"
#include "core/script_node.h"
#include "core/script_values.h"

namespace velmora {

Fish::Fish() : FixedScenePlayback({"fish.zen", false, 0.9f, 900, 4, 0}) {}

void Fish::update(float delta)
{
    frame += speed * delta * setup_.factor;
    if (scene) {
        scene->time = frame;
        scene->Update(0);
    }
    if (frame >= setup_.wrapAt)
        frame = 0;
}

EffectScript Fish::script() const
{
    static constexpr AttributeRow<Effect> kAttributes[] = {
        attribute<ValueKind::Float, &Fish::addTimeOffset>("timeoffset"),
    };
    return {kAttributes, {}};
}

void Fish::addTimeOffset(float frames)
{
    frame += frames;
    std::printf("timeoffset\n");
}

}  // namespace velmora
