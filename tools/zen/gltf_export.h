// The way back: a ".zen" scene, read with the player's loader, written as glTF 2.0 through
// Assimp's exporter so that generated scenes can be looked at in other tools.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::zen {

// Writes the hierarchy with its rest transforms, every mesh (one glTF mesh per material group,
// with normals, coordinates and corner colours), and the materials with their colours and
// texture names. A name ending in ".glb" gives binary glTF. Animation, skinning, cameras and
// lights are left out (Assimp's glTF writer has no cameras); `notes` says so when the scene has
// them. False with a one-line reason
// in `error` when the bytes are no ".zen" scene or the file cannot be written.
bool exportScene(const std::vector<uint8_t>& zen, const std::string& outPath,
                 std::vector<std::string>& notes, std::string& error);

}  // namespace velmora::zen
