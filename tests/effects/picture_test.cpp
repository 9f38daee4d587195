// The `picture` effect: power-of-two tiling, rejected sizes, and the drawn picture with its
// placement and tint.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "effects/picture.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/image_files.h"
#include "tests/support/script_builder.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(PowerOfTwoBlocks, SplitsLargestFirst)
{
    EXPECT_EQ(powerOfTwoBlocks(640), (std::vector<int>{256, 256, 128}));
    EXPECT_EQ(powerOfTwoBlocks(480), (std::vector<int>{256, 128, 64, 32}));
    EXPECT_EQ(powerOfTwoBlocks(256), (std::vector<int>{256}));
    EXPECT_EQ(powerOfTwoBlocks(10), (std::vector<int>{8, 2}));
    EXPECT_EQ(powerOfTwoBlocks(1030), (std::vector<int>{256, 256, 256, 256, 4, 2}));
}

// A 640 x 480 image whose red grows with x and green with y, so every tile's place shows.
Bytes rampPicture()
{
    testing::TgaHeader h;
    h.width = 640;
    h.height = 480;
    Bytes body;
    body.reserve(640 * 480 * 3);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            body.insert(body.end(), {0, static_cast<uint8_t>(y * 255 / 479), static_cast<uint8_t>(x * 255 / 639)});
    return testing::tgaFile(h, body);
}

class PictureTest : public testing::GLTest {
protected:
    void loadPicture(Picture& picture, const char* file)
    {
        picture.handleElement(testing::element("p", {{"filename", file}}).get());
        picture.load();
        ASSERT_NE(picture.tiledImage(), nullptr);
    }
    testing::TempDataDir dir;
};

TEST_F(PictureTest, A640By480ImageBecomesThreeByFourTiles)
{
    dir.write("data/textures/ramp.tga", rampPicture());
    Picture picture;
    loadPicture(picture, "ramp.tga");
    const TiledImage& image = *picture.tiledImage();
    ASSERT_EQ(image.columns, 3);
    ASSERT_EQ(image.rows, 4);
    ASSERT_EQ(image.tiles.size(), 12u);
    const int widths[] = {256, 256, 128}, xs[] = {0, 256, 512};
    const int heights[] = {256, 128, 64, 32}, ys[] = {0, 256, 384, 448};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c) {
            const ImageTile& tile = image.tiles[r * 3 + c];
            EXPECT_EQ(tile.width, widths[c]);
            EXPECT_EQ(tile.height, heights[r]);
            EXPECT_EQ(tile.x, xs[c]);
            EXPECT_EQ(tile.y, ys[r]);
            EXPECT_NE(tile.list, 0u);
            EXPECT_EQ(tile.texture.width, widths[c]);
            EXPECT_EQ(tile.texture.bytesPerPixel, 3);
        }
}

TEST_F(PictureTest, TilesDrawEachPartOfTheImageInItsPlace)
{
    dir.write("data/textures/ramp.tga", rampPicture());
    Picture picture;
    loadPicture(picture, "ramp.tga");
    picture.render();
    // Points inside several different tiles, including the last column and the top row.
    const int points[][2] = {{10, 10}, {300, 200}, {600, 300}, {520, 460}, {130, 400}, {400, 470}};
    for (const auto& point : points) {
        const auto p = pixel(point[0], point[1]);
        EXPECT_NEAR(p[0], point[0] * 255 / 639, 3) << point[0] << "," << point[1];
        EXPECT_NEAR(p[1], point[1] * 255 / 479, 3) << point[0] << "," << point[1];
        EXPECT_EQ(p[2], 0);
    }
}

TEST_F(PictureTest, ColourTintsAndPlacementMovesThePicture)
{
    dir.write("data/textures/white.tga", testing::solidTga24(256, 256, 255, 255, 255));
    Picture picture;
    loadPicture(picture, "white.tga");
    picture.handleElement(testing::element("p", {{"color", "ff8000"}, {"tra", "0.5,0,0"}}).get());
    picture.render();
    const auto inside = pixel(480, 240);
    EXPECT_EQ(inside[0], 255);
    EXPECT_NEAR(inside[1], 128, 1);
    EXPECT_EQ(inside[2], 0);
    const auto left = pixel(160, 240);  // moved half the screen to the right: the left half is empty
    EXPECT_EQ(left[0], 0);
    EXPECT_EQ(left[1], 0);

    // Half size, turned by a quarter turn about z: the centre is covered, the corners are not.
    glClear(GL_COLOR_BUFFER_BIT);
    picture.handleElement(testing::element("p", {{"tra", "0,0,0"}, {"sca", "0.5,0.5,1"}, {"rot", "0,0,90"}}).get());
    picture.render();
    EXPECT_EQ(pixel(320, 240)[0], 255);
    EXPECT_EQ(pixel(100, 60)[0], 0);
    EXPECT_EQ(pixel(540, 420)[0], 0);
}

TEST_F(PictureTest, OddSmallMissingOrBrokenImagesLoadNoTilesAndDrawNothing)
{
    dir.write("data/textures/odd.tga", testing::solidTga24(255, 256, 255, 255, 255));
    dir.write("data/textures/small.tga", testing::solidTga24(6, 6, 255, 255, 255));
    Bytes broken = testing::solidTga24(64, 64, 255, 255, 255);
    broken.resize(broken.size() / 2);
    dir.write("data/textures/broken.tga", broken);
    for (const char* name : {"odd.tga", "small.tga", "broken.tga", "absent.tga"}) {
        Picture picture;
        loadPicture(picture, name);
        EXPECT_TRUE(picture.tiledImage()->tiles.empty()) << name;
        picture.render();
        EXPECT_EQ(pixel(320, 240)[0], 0) << name;
    }
    Picture unloaded;  // never loaded: render draws nothing and does not crash
    unloaded.render();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(PictureTest, ReloadReplacesTheTilesAndUnloadDeletesThem)
{
    dir.write("data/textures/a.tga", testing::solidTga24(256, 256, 255, 0, 0));
    Picture picture;
    loadPicture(picture, "a.tga");
    const GLuint list = picture.tiledImage()->tiles[0].list;
    const GLuint texture = picture.tiledImage()->tiles[0].texture.name;
    EXPECT_TRUE(glIsList(list));
    picture.unload();
    EXPECT_EQ(picture.tiledImage(), nullptr);
    EXPECT_FALSE(glIsList(list));
    EXPECT_FALSE(glIsTexture(texture));
}

}  // namespace
}  // namespace velmora
