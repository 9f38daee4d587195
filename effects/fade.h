// The `fade` effect: a full-screen colour blended from one colour to another, over and over,
// added to the picture weighted by the colour's alpha.
#pragma once

#include "core/effect.h"

namespace velmora {

class Fade : public Effect {
public:
    void load() override;               // progress = 0
    void update(float delta) override;  // progress += delta * speed; past 1 the colours swap
    void render() override;
    // `from` and `to` set the two colours (hexadecimal AARRGGBB text).
    EffectScript script() const override;

private:
    // Both start opaque black, which leaves the picture as it is.
    float fromColor[4] = {0, 0, 0, 1};  // red, green, blue, alpha
    float toColor[4] = {0, 0, 0, 1};
    float progress = 0;  // 0 = fromColor, 1 = toColor
};

}  // namespace velmora
