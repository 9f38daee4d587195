// The images the show needs, each as a recipe: where it goes in the staged data folder, its file
// format, and the function that makes it. Recipes come in groups, one file per group.
#pragma once

#include <vector>

#include "tools/texgen/image.h"

namespace velmora::texgen {

enum class FileFormat {
    Bmp24,  // 24-bit BMP, 54-byte header
    Tga24,  // uncompressed TGA, blue-green-red
    Tga32,  // uncompressed TGA, blue-green-red-alpha
};

struct Recipe {
    const char* path;  // relative to the staged data folder, e.g. "textures/STARS.BMP"
    FileFormat format;
    Image (*make)();
};

// Groups of recipes. To add a group: write recipes_<group>.cpp defining its function, declare it
// here, add it to the group list in recipe_list.cpp, and list its outputs in CMakeLists.txt.
std::vector<Recipe> imageRecipes();  // star sprites, particles, skybox, pictures, vortex layers
std::vector<Recipe> sceneRecipes();  // fish scales, stone blocks, alpha grate of the .zen scenes
std::vector<Recipe> proceduralRecipes();  // teddy shadow, tree leaf and bark, sphere maps, water, ribbon

// Every recipe of every group, in group order.
std::vector<Recipe> allRecipes();

}  // namespace velmora::texgen
