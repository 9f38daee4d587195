// libFuzzer target: any bytes through the .zen reader, then what an effect does with a scene:
// Prepare under a current offscreen GL context (tangents, links, first pose, display lists,
// textures), one Update and one Render, then a few more steps of animation and a search.
#include <cstddef>
#include <cstdint>

#include "core/gl_state.h"
#include "core/offscreen_context.h"
#include "resources/gl_extensions.h"
#include "scene/scene.h"
#include "scene/scene_loader.h"

namespace {

bool makeContext()
{
    static velmora::OffscreenContext* context = [] {
        auto* made = new velmora::OffscreenContext(64, 64);
        if (!made->valid() || !made->makeCurrent())
            return static_cast<velmora::OffscreenContext*>(nullptr);
        velmora::setupExtensions(&velmora::OffscreenContext::procAddress);
        velmora::applyInitialGLState();
        velmora::applyProjection(64, 64);
        return made;
    }();
    return context != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0xFFFFFFFFu || !makeContext())
        return 0;
    velmora::Scene scene;
    velmora::SceneLoader loader;
    loader.Load(velmora::SceneLoader::kFromMemory, data, static_cast<uint32_t>(size), &scene);
    scene.Prepare();
    scene.Update(1.0f);
    scene.Render();
    for (float step : {0.0f, -3.0f, 1e6f})
        scene.Update(step);
    (void)scene.FindByName("Camera01");
    return 0;
}
