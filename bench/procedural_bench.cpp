// Frame times of the procedural effects rendered headless at 640 x 480 (OSMesa), each against a
// frame of `clear` alone measured in the same run.
// Usage: procedural_bench [BUILD_DIR] [FRAMES]   (reads the staged show data in BUILD_DIR/stage)
#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "core/gl_state.h"
#include "core/offscreen_context.h"
#include "core/script_node.h"
#include "effects/clear.h"
#include "effects/dogtail.h"
#include "effects/fontcool.h"
#include "effects/ltree.h"
#include "effects/quiver.h"
#include "effects/rigid.h"
#include "effects/splash.h"
#include "effects/teddy.h"
#include "effects/waveeffect.h"
#include "effects/wobble.h"
#include "resources/data_source.h"
#include "resources/gl_extensions.h"
#include "tests/support/script_builder.h"

namespace {

using namespace velmora;
using Clock = std::chrono::steady_clock;

using testing::addChild;
using testing::element;

// Mean milliseconds per frame of `frames` frames (after two unmeasured ones): clear, then the
// effect's update and render between a save and restore of the GL attributes, then a finish.
double frameTime(Clear& clear, Effect* effect, int frames)
{
    auto frame = [&] {
        clear.update(1);
        clear.render();
        if (effect) {
            glPushAttrib(GL_ALL_ATTRIB_BITS);
            effect->update(1);
            effect->render();
            glPopAttrib();
        }
        glFinish();
    };
    frame();
    frame();
    const auto start = Clock::now();
    for (int i = 0; i < frames; ++i)
        frame();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / frames;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string build = argc > 1 ? argv[1] : ".";
    const int frames = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    OffscreenContext context(640, 480);
    if (!context.valid() || !context.makeCurrent()) {
        std::fprintf(stderr, "procedural_bench: no OSMesa context\n");
        return 1;
    }
    setupExtensions(&OffscreenContext::procAddress);
    applyInitialGLState();
    applyProjection(640, 480);
    std::string error;
    if (!useDataPath((build + "/stage").c_str(), error)) {
        std::fprintf(stderr, "procedural_bench: %s\n", error.c_str());
        return 1;
    }

    struct Case {
        const char* name;
        std::function<std::unique_ptr<Effect>()> make;
    };
    const Case cases[] = {
        {"teddy", [] { return std::make_unique<Teddy>(); }},
        {"dogtail",
         [] {
             auto e = std::make_unique<DogTail>();
             e->handleElement(element("", {{"filename", "chrome.tga"}}).get());
             return e;
         }},
        {"fontcool",
         [] {
             auto e = std::make_unique<FontCool>();
             auto settings = element("", {{"texture", "chrome.tga"}, {"numtexts", "2"}});
             addChild(*settings,
                      "text",
                      {{"num", "0"}, {"string", "velmora 2026"}, {"active", "1"}, {"tra", "-3.5,0.5,-8"}});
             addChild(*settings,
                      "text",
                      {{"num", "1"}, {"string", "fur and trees"}, {"active", "1"}, {"tra", "-3.5,-1,-8"}});
             e->handleElement(settings.get());
             return e;
         }},
        {"ltree", [] { return std::make_unique<LTree>(); }},
        {"rigid", [] { return std::make_unique<Rigid>(); }},
        {"splash", [] { return std::make_unique<Splash>(); }},
        {"quiver", [] { return std::make_unique<Quiver>(); }},
        {"wobble", [] { return std::make_unique<Wobble>(); }},
        {"waveeffect", [] { return std::make_unique<WaveEffect>(); }},
    };

    Clear clear;
    const double baseline = frameTime(clear, nullptr, frames);
    std::printf("%-12s %9s %8s\n", "effect", "ms/frame", "x clear");
    std::printf("%-12s %9.2f %8.2f\n", "clear", baseline, 1.0);
    for (const Case& c : cases) {
        std::unique_ptr<Effect> effect = c.make();
        effect->load();
        if (dynamic_cast<LTree*>(effect.get()))
            effect->update(600);  // grown to 1.2: full size with some leaves falling
        const double ms = frameTime(clear, effect.get(), frames);
        std::printf("%-12s %9.2f %8.2f\n", c.name, ms, ms / baseline);
        effect->unload();
    }
    return 0;
}
