// libFuzzer target: any bytes through the .zen reader, then a few frames of animation.
#include <cstddef>
#include <cstdint>

#include "scene/scene.h"
#include "scene/scene_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0xFFFFFFFFu)
        return 0;
    velmora::Scene scene;
    velmora::SceneLoader loader;
    loader.Load(velmora::SceneLoader::kFromMemory, data, static_cast<uint32_t>(size), &scene);
    // Prepare needs a GL context; its GL-free steps are what Update repeats every frame.
    for (auto& track : scene.tracks)
        track->computeTangents();
    for (float step : {0.0f, 1.0f, -3.0f, 1e6f})
        scene.Update(step);
    for (auto& joint : scene.joints)
        joint->makeBindPose();
    scene.Update(0.5f);
    (void)scene.FindByName("Camera01");
    return 0;
}
