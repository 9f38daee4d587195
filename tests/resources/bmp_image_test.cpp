// Fixed-size BMP textures: pixel orders, missing and short files. The mipmapped upload is drawn
// in the golden images (starspace, ltree, teddy).
#include <gtest/gtest.h>

#include <vector>

#include "resources/bmp_image.h"
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

TEST(FixedBmp, MissingAndShortFilesGiveZeroPixelsAndNamesAreLogical)
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

    // By logical name from the textures folder.
    testing::TempDataDir dir;
    dir.write("data/textures/tiny.bmp", testing::bmpFile({1, 2, 3}));
    EXPECT_EQ(readFixedBmp("TINY.BMP", 1, 1, BmpPixelOrder::AsStored, pixels), BmpReadResult::Complete);
    EXPECT_EQ(pixels, (Bytes{1, 2, 3}));
    EXPECT_EQ(readFixedBmp("absent.bmp", 1, 1, BmpPixelOrder::AsStored, pixels), BmpReadResult::Missing);
}

}  // namespace
}  // namespace velmora
