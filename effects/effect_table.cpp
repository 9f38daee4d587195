// The player's effect table: one row per script type name, in the order the factory tests them.
#include "effects/effect_table.h"

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

constexpr EffectType kEffectTypes[] = {
    {"clear", &createEffect<Clear>},
    {"musicplay", &createEffect<MusicPlay>},
    {"coglogo", &createEffect<CogLogo>},
    {"picture", &createEffect<Picture>},
    {"fade", &createEffect<Fade>},
    {"flash", &createEffect<Flash>},
    {"stairs", &createEffect<Stairs>},
    {"teddy", &createEffect<Teddy>},
    {"starspace", &createEffect<StarSpace>},
    {"tap", &createEffect<Tap>},
    {"headlook", &createEffect<HeadLook>},
    {"fish", &createEffect<Fish>},
    {"goldletter", &createEffect<GoldLetter>},
    {"3dscene", &createEffect<ThreeDScene>},
    {"dogtail", &createEffect<DogTail>},
    {"fontcool", &createEffect<FontCool>},
    {"particlebox", &createEffect<ParticleBox>},
    {"ltree", &createEffect<LTree>},
    {"splash", &createEffect<Splash>},
    {"quiver", &createEffect<Quiver>},
    {"wobble", &createEffect<Wobble>},
    {"waveeffect", &createEffect<WaveEffect>},
    {"cubeeffect", &createEffect<CubeEffect>},
    {"rigid", &createEffect<Rigid>},
    {"wtf", &createEffect<Wtf>},
    {"testeffect", &createEffect<TestEffect>},
};

}  // namespace

std::span<const EffectType> effectTable() { return kEffectTypes; }

}  // namespace velmora
