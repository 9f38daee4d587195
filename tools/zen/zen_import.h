// Conversion of a checked Assimp scene into a ".zen" scene and its TGA textures.
#pragma once

#include <assimp/scene.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/zen/texture_export.h"

namespace velmora::zen {

struct ImportOptions {
    float scale = 1;                       // applied to the whole model, above its root
    std::filesystem::path modelFolder;     // where relative texture paths start
    std::string sceneName = "scene";       // names the textures embedded in the model
};

struct ImportResult {
    std::vector<uint8_t> zen;            // the complete ".zen" file
    std::vector<TextureFile> textures;   // every texture the scene names
    std::vector<std::string> warnings;   // one line per dropped or changed feature
};

// `scene` must have passed checkModel (model_reader.h does both).
ImportResult convertScene(const aiScene& scene, const ImportOptions& options);

// The whole import as the tool runs it: reads `modelPath`, writes `zenPath` and the textures
// into `textureFolder`, embedded images named after `zenPath`'s stem. A texture file of the same
// name with other contents, or a link, in `textureFolder` is replaced only with `force`:
// otherwise nothing is written. False with a one-line reason in `error`; warnings go to
// `warnings`.
bool importModel(const std::string& modelPath, const std::string& zenPath,
                 const std::string& textureFolder, float scale, bool force,
                 std::vector<std::string>& warnings, std::string& error);

}  // namespace velmora::zen
