// Fixed-size BMP textures: pixel orders, missing and short files, and the mipmapped upload.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "resources/bmp_image.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/image_files.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(FixedBmp, PixelOrdersStartAfterThe54ByteHeader)
{
    const Bytes file = testing::bmpFile({10, 20, 30, 0, 50, 60});
    Bytes pixels;
    EXPECT_EQ(decodeFixedBmp(file.data(), file.size(), 2, 1, BmpPixelOrder::AsStored, pixels),
              BmpReadResult::Complete);
    EXPECT_EQ(pixels, (Bytes{10, 20, 30, 0, 50, 60}));
    decodeFixedBmp(file.data(), file.size(), 2, 1, BmpPixelOrder::Reversed, pixels);
    EXPECT_EQ(pixels, (Bytes{30, 20, 10, 60, 50, 0}));
    decodeFixedBmp(file.data(), file.size(), 2, 1, BmpPixelOrder::LeafAlpha, pixels);
    EXPECT_EQ(pixels, (Bytes{255, 30, 20, 10, 0, 60, 50, 0}));
}

TEST(FixedBmp, MissingAndShortFilesGiveZeroPixelsWithoutReadingPastTheData)
{
    Bytes pixels = {1, 2, 3};
    EXPECT_EQ(decodeFixedBmp(nullptr, 0, 2, 2, BmpPixelOrder::AsStored, pixels), BmpReadResult::Missing);
    EXPECT_EQ(pixels, Bytes(12, 0));

    const Bytes headerOnly(30, 0xFF);  // shorter than the header itself
    EXPECT_EQ(decodeFixedBmp(headerOnly.data(), headerOnly.size(), 2, 2, BmpPixelOrder::Reversed, pixels),
              BmpReadResult::Short);
    EXPECT_EQ(pixels, Bytes(12, 0));

    // One whole pixel and a partial one: the partial pixel stays black.
    const Bytes partial = testing::bmpFile({9, 8, 7, 6, 5});
    EXPECT_EQ(decodeFixedBmp(partial.data(), partial.size(), 2, 2, BmpPixelOrder::AsStored, pixels),
              BmpReadResult::Short);
    EXPECT_EQ(pixels, (Bytes{9, 8, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(FixedBmp, ReadsByLogicalNameFromTheTexturesFolder)
{
    testing::TempDataDir dir;
    dir.write("data/textures/tiny.bmp", testing::bmpFile({1, 2, 3}));
    Bytes pixels;
    EXPECT_EQ(readFixedBmp("TINY.BMP", 1, 1, BmpPixelOrder::AsStored, pixels), BmpReadResult::Complete);
    EXPECT_EQ(pixels, (Bytes{1, 2, 3}));
    EXPECT_EQ(readFixedBmp("absent.bmp", 1, 1, BmpPixelOrder::AsStored, pixels), BmpReadResult::Missing);
}

class FixedBmpGL : public testing::GLTest {};

TEST_F(FixedBmpGL, BuildsEveryMipmapLevelWithTrilinearMinification)
{
    Bytes pixels(4 * 4 * 3);
    for (size_t i = 0; i < pixels.size(); i += 3)
        pixels[i] = 200;  // red
    const GlTexture texture = buildMipmappedTexture(pixels, 4, 4, 3);
    ASSERT_TRUE(texture);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint minFilter = 0, width = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 2, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 1) << "the 1 x 1 level exists";
    GLubyte top[4] = {};
    glGetTexImage(GL_TEXTURE_2D, 2, GL_RGBA, GL_UNSIGNED_BYTE, top);
    EXPECT_EQ(top[0], 200);
    EXPECT_EQ(top[1], 0);
}

}  // namespace
}  // namespace velmora
