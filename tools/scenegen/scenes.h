// The show's generated scenes, each a function returning the bytes of one ".zen" file.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/scenegen/scene_builder.h"

namespace velmora::scenegen {

struct SceneRecipe {
    const char* path;  // relative to the staged data folder, e.g. "scenes/cog.zen"
    std::vector<uint8_t> (*make)();
};

// Channel shorthand for the builders.
constexpr uint32_t kHold = 0;    // any behaviour other than 2 holds the end value
constexpr uint32_t kRepeat = kBehaviourRepeat;

std::vector<SceneRecipe> setPieceScenes();  // cog, gold, stairs, tap2
std::vector<SceneRecipe> creatureScenes();  // fish, headlook
std::vector<SceneRecipe> freeScenes();      // orbit, pillars: for 3dscene, with named cameras

std::vector<SceneRecipe> allScenes();

}  // namespace velmora::scenegen
