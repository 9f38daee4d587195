// The list of recipe groups the generator runs.
#include "tools/texgen/recipes.h"

namespace velmora::texgen {

namespace {
using RecipeGroup = std::vector<Recipe> (*)();

constexpr RecipeGroup kRecipeGroups[] = {
    imageRecipes,  // recipes_images.cpp
    sceneRecipes,  // recipes_scenes.cpp
    proceduralRecipes,  // recipes_procedural.cpp
};
}  // namespace

std::vector<Recipe> allRecipes()
{
    std::vector<Recipe> all;
    for (RecipeGroup group : kRecipeGroups) {
        const std::vector<Recipe> recipes = group();
        all.insert(all.end(), recipes.begin(), recipes.end());
    }
    return all;
}

}  // namespace velmora::texgen
