// What a ".zen" scene holds, as the player's own loader reads it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::zen {

// A report of several lines: objects by kind with their names, materials with their texture
// names, textures, skins, the channels each object's tracks drive, and the frame range. False
// with a one-line reason in `error` when the bytes are no ".zen" scene (the report is then
// empty) or when a chunk runs past their end (the report lists what was read before it).
bool describeScene(const std::vector<uint8_t>& bytes, std::string& report, std::string& error);

}  // namespace velmora::zen
