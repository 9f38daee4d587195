// Platform layer: where the running program's own file is (the player reads a show attached to
// it, velmora-pack finds the players beside it). The only platform code of the resources.
#pragma once

#include <filesystem>

namespace velmora::platform {

// The running executable's path; empty when the system does not say.
std::filesystem::path executablePath();

}  // namespace velmora::platform
