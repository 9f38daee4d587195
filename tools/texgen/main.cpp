// velmora-texgen: writes every generated image of the show into the staged data folder.
//
//   velmora-texgen <data folder> [<expected output>...]
//   velmora-texgen --list
//
// With expected outputs (the build passes the list it packs), the generator first checks that
// its recipes make exactly those files, so the two lists cannot drift apart.
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "tools/texgen/recipes.h"
#include "tools/texgen/writers.h"

using namespace velmora::texgen;

namespace {

std::vector<uint8_t> encode(const Recipe& recipe, const Image& image)
{
    switch (recipe.format) {
    case FileFormat::Bmp24: return encodeBmp24(image);
    case FileFormat::Tga24: return encodeTga(image, 24);
    case FileFormat::Tga32: return encodeTga(image, 32);
    }
    return {};
}

bool sameOutputs(const std::vector<Recipe>& recipes, int count, char** expected)
{
    std::set<std::string> made, wanted(expected, expected + count);
    for (const Recipe& recipe : recipes)
        made.insert(recipe.path);
    bool same = true;
    for (const std::string& path : made)
        if (!wanted.count(path)) {
            std::fprintf(stderr, "velmora-texgen: %s is made but not listed in the build\n", path.c_str());
            same = false;
        }
    for (const std::string& path : wanted)
        if (!made.count(path)) {
            std::fprintf(stderr, "velmora-texgen: %s is listed in the build but no recipe makes it\n", path.c_str());
            same = false;
        }
    return same;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<Recipe> recipes = allRecipes();
    if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
        for (const Recipe& recipe : recipes)
            std::printf("%s\n", recipe.path);
        return 0;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: velmora-texgen <data folder> [<expected output>...] | --list\n");
        return 2;
    }
    if (argc > 2 && !sameOutputs(recipes, argc - 2, argv + 2))
        return 1;

    const std::string folder = argv[1];
    for (const Recipe& recipe : recipes) {
        std::string error;
        if (!writeFile(folder + "/" + recipe.path, encode(recipe, recipe.make()), error)) {
            std::fprintf(stderr, "velmora-texgen: %s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
