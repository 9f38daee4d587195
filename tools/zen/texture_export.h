// The images a model's materials name (files beside the model or embedded in it), decoded from
// PNG, JPEG, BMP, TGA or raw texels and re-encoded as TGA under names the player accepts.
#pragma once

#include <assimp/scene.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tools/zen/import_warnings.h"

namespace velmora::zen {

struct TextureFile {
    std::string name;          // as the texture chunk names it, e.g. "wood.tga"
    std::vector<uint8_t> tga;  // uncompressed true colour, 24 or 32 bits
};

// Lower-case letters, digits and '-' from `stem` (other characters become '-'), cut so the
// whole name stays within 31 characters, ending in ".tga". Images with transparent pixels get
// the "alpha" prefix that switches the player's alpha test on; other names never start with it.
// A name already in `taken` gets a number. '_' is left out: the archive treats it as a separator.
std::string playerTextureName(const std::string& stem, bool transparent,
                              const std::set<std::string>& taken);

class TextureExport {
public:
    // `modelFolder` is where relative texture paths start; files outside it are not read.
    // Images embedded in the model are named after `sceneName` ("duck-embedded0.tga"), so that
    // two scenes sharing a textures folder do not both write the same name.
    TextureExport(const aiScene& scene, std::filesystem::path modelFolder, std::string sceneName,
                  ImportWarnings& warnings);

    // The TGA name for the texture a material names with `path`; empty (with a warning) when
    // the image cannot be found or decoded. The same path gives the same name.
    std::string textureFor(const std::string& path);
    const std::vector<TextureFile>& files() const { return files_; }

private:
    bool readSource(const std::string& path, std::vector<uint8_t>& bytes);

    const aiScene& scene_;
    std::filesystem::path folder_;
    std::string sceneName_;
    ImportWarnings& warnings_;
    std::map<std::string, std::string> names_;  // material path -> TGA name ("" when failed)
    std::set<std::string> taken_;
    std::vector<TextureFile> files_;
};

}  // namespace velmora::zen
