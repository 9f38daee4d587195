// The product's effect table: one row per effect type, in this fixed order:
//   clear, musicplay, coglogo, picture, fade, flash, stairs, teddy, starspace, tap, headlook,
//   fish, goldletter, 3dscene, dogtail, fontcool, particlebox, ltree, splash, quiver, wobble,
//   waveeffect, cubeeffect, rigid, wtf, testeffect.
// A type gets its row, at its place in that order, once its effect is built; a type without a
// row creates nothing, like an unknown type. Row form: {"clear", &createEffect<Clear>},
#include "effects/effect_table.h"

#include <initializer_list>

#include "audio/musicplay.h"
#include "effects/3dscene.h"
#include "effects/clear.h"
#include "effects/coglogo.h"
#include "effects/cubeeffect.h"
#include "effects/dogtail.h"
#include "effects/fade.h"
#include "effects/fish.h"
#include "effects/flash.h"
#include "effects/fontcool.h"
#include "effects/goldletter.h"
#include "effects/headlook.h"
#include "effects/ltree.h"
#include "effects/particlebox.h"
#include "effects/picture.h"
#include "effects/quiver.h"
#include "effects/rigid.h"
#include "effects/splash.h"
#include "effects/stairs.h"
#include "effects/starspace.h"
#include "effects/tap.h"
#include "effects/teddy.h"
#include "effects/testeffect.h"
#include "effects/waveeffect.h"
#include "effects/wobble.h"
#include "effects/wtf.h"

namespace velmora {

namespace {

// An initializer list rather than an array so that the table may be empty.
constexpr std::initializer_list<EffectType> kEffectTypes = {
    {"clear", &createEffect<Clear>},
    {"musicplay", &createEffect<MusicPlay>},
    {"coglogo", &createEffect<CogLogo>},
    {"picture", &createEffect<Picture>},
    {"fade", &createEffect<Fade>},
    {"flash", &createEffect<Flash>},
    {"stairs", &createEffect<Stairs>},
    {"teddy", &createEffect<Teddy>},
    {"starspace", &createEffect<Starspace>},
    {"tap", &createEffect<Tap>},
    {"headlook", &createEffect<HeadLook>},
    {"fish", &createEffect<Fish>},
    {"goldletter", &createEffect<GoldLetter>},
    {"3dscene", &createEffect<ThreeDScene>},
    {"dogtail", &createEffect<Dogtail>},
    {"fontcool", &createEffect<Fontcool>},
    {"particlebox", &createEffect<Particlebox>},
    {"ltree", &createEffect<LTree>},
    {"splash", &createEffect<Splash>},
    {"quiver", &createEffect<Quiver>},
    {"wobble", &createEffect<Wobble>},
    {"waveeffect", &createEffect<WaveEffect>},
    {"cubeeffect", &createEffect<Cubeeffect>},
    {"rigid", &createEffect<RigidEffect>},
    {"wtf", &createEffect<Wtf>},
    {"testeffect", &createEffect<Testeffect>},
};

}  // namespace

std::span<const EffectType> effectTable() { return {kEffectTypes.begin(), kEffectTypes.size()}; }

}  // namespace velmora
