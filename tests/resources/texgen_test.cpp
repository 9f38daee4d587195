// The texture generator: its files decode through the show's own readers, and its images are
// deterministic and what the effects expect. How the star sheet, the sky's cube faces and the
// other pictures look is in the golden images.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "resources/bmp_image.h"
#include "resources/tga_image.h"
#include "tools/texgen/operations.h"
#include "tools/texgen/recipes.h"
#include "tools/texgen/writers.h"
#include "tests/support/image_files.h"

namespace velmora {
namespace {

using texgen::Image;

const texgen::Recipe* findRecipe(const std::vector<texgen::Recipe>& recipes, const char* path)
{
    const auto found = std::find_if(recipes.begin(), recipes.end(), [&](const auto& r) { return std::strcmp(r.path, path) == 0; });
    return found == recipes.end() ? nullptr : &*found;
}

TEST(TexgenWriters, FilesDecodeThroughTheShowsReaders)
{
    // Rows of a multiple of 4 bytes need no padding: the fixed-size readers see packed pixels.
    Image square(4, 4);
    square.at(3, 3) = {0.5f, 0.25f, 1, 1};
    const auto file = texgen::encodeBmp24(square);
    std::vector<uint8_t> pixels;
    ASSERT_EQ(decodeFixedBmp(file.data(), file.size(), 4, 4, BmpPixelOrder::AsStored, pixels),
              BmpReadResult::Complete);
    EXPECT_EQ(std::vector<uint8_t>(pixels.end() - 3, pixels.end()), (std::vector<uint8_t>{255, 64, 128}));

    Image image(2, 1);
    image.at(0, 0) = {1, 0.5f, 0, 0.25f};
    image.at(1, 0) = {0, 0, 2, -1};  // clamped
    TgaImage decoded;
    testing::MemoryStream stream24(texgen::encodeTga(image, 24));
    ASSERT_EQ(decoded.load(stream24), 0);
    EXPECT_EQ(decoded.bitsPerPixel, 24);
    EXPECT_EQ(std::vector<uint8_t>(decoded.pixels.get(), decoded.pixels.get() + 6),
              (std::vector<uint8_t>{0, 128, 255, 255, 0, 0}));
    testing::MemoryStream stream32(texgen::encodeTga(image, 32));
    ASSERT_EQ(decoded.load(stream32), 0);
    EXPECT_EQ(decoded.pixels[3], 64);
    EXPECT_EQ(decoded.pixels[7], 0);
}

class TexgenRecipes : public ::testing::Test {
protected:
    const std::vector<texgen::Recipe> recipes = texgen::allRecipes();
};

TEST_F(TexgenRecipes, PathsAreUniqueImageFilesInTheTexturesFolder)
{
    std::set<std::string> seen;
    for (const auto& recipe : recipes)
        EXPECT_TRUE(seen.insert(recipe.path).second) << recipe.path;
    for (const auto& recipe : texgen::imageRecipes()) {
        const std::string path = recipe.path;
        EXPECT_EQ(path.rfind("textures/", 0), 0u) << path;
        EXPECT_EQ(path.ends_with(".tga"), recipe.format != texgen::FileFormat::Bmp24) << path;
    }
    for (const char* needed : {"textures/STARS.BMP", "textures/wtf1.tga", "textures/wtf4.tga",
                               "textures/sky_front.tga", "textures/sky_bot.tga"})
        EXPECT_NE(findRecipe(recipes, needed), nullptr) << needed;
}

TEST_F(TexgenRecipes, PicturesAndLayersSuitTheirEffects)
{
    for (const auto& recipe : texgen::imageRecipes()) {
        if (recipe.format == texgen::FileFormat::Bmp24 || std::strstr(recipe.path, "sky_"))
            continue;
        const Image image = recipe.make();
        TgaImage decoded;
        testing::MemoryStream stream(texgen::encodeTga(image, recipe.format == texgen::FileFormat::Tga32 ? 32 : 24));
        ASSERT_EQ(decoded.load(stream), 0) << recipe.path;
        EXPECT_EQ(decoded.width % 2, 0) << recipe.path;  // the picture effect needs even sizes
        EXPECT_GE(decoded.width, 8) << recipe.path;
        EXPECT_EQ(texgen::encodeTga(recipe.make(), 32), texgen::encodeTga(image, 32)) << "deterministic";
    }
    const Image glow = findRecipe(recipes, "textures/glow.tga")->make();
    EXPECT_GT(glow.at(32, 32).a, 0.9f);
    EXPECT_LT(glow.at(0, 0).a, 0.1f) << "the particle box's alpha test hides the corners";
}

}  // namespace
}  // namespace velmora
