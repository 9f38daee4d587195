// velmora-scenegen: writes the show's generated ".zen" scenes into the staged data folder.
//
//   velmora-scenegen <data folder> [<expected output>...]
//
// With expected outputs (the build passes the list it packs), the generator first checks that
// it makes exactly those files. Every scene is read back with the loader before it is written.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "scene/scene.h"
#include "scene/scene_loader.h"
#include "tools/scenegen/scenes.h"

using namespace velmora;
using namespace velmora::scenegen;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: velmora-scenegen <data folder> [<expected output>...]\n");
        return 1;
    }
    const std::vector<SceneRecipe> recipes = allScenes();
    if (argc > 2) {
        std::set<std::string> made, wanted(argv + 2, argv + argc);
        for (const SceneRecipe& recipe : recipes)
            made.insert(recipe.path);
        if (made != wanted) {
            std::fprintf(stderr, "velmora-scenegen: the build's scene list and the recipes differ\n");
            return 1;
        }
    }
    const std::filesystem::path root = argv[1];
    for (const SceneRecipe& recipe : recipes) {
        const std::vector<uint8_t> bytes = recipe.make();
        Scene check;
        SceneLoader loader;
        if (loader.Load(SceneLoader::kFromMemory, bytes.data(), static_cast<uint32_t>(bytes.size()),
                        &check) != 0 ||
            check.meshes.empty()) {
            std::fprintf(stderr, "velmora-scenegen: %s does not read back\n", recipe.path);
            return 1;
        }
        const std::filesystem::path path = root / recipe.path;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "velmora-scenegen: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s: %zu bytes, %zu meshes, %zu cameras, %zu tracks\n", recipe.path,
                    bytes.size(), check.meshes.size(), check.cameras.size(), check.tracks.size());
    }
    return 0;
}
