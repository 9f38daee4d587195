// TgaImage: every image type and depth against known bytes, colour maps, run-length packets,
// and files that are truncated or lie about their size.
#include <gtest/gtest.h>

#include <vector>

#include "resources/tga_image.h"
#include "tests/support/image_files.h"

namespace velmora {
namespace {

using testing::MemoryStream;
using testing::TgaHeader;
using testing::tgaFile;
using Bytes = std::vector<uint8_t>;

int loadBytes(TgaImage& image, Bytes bytes)
{
    MemoryStream stream(std::move(bytes));
    return image.load(stream);
}

Bytes pixelBytes(const TgaImage& image) { return Bytes(image.pixels.get(), image.pixels.get() + image.pixelBytes); }

void expectReleased(const TgaImage& image)
{
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(image.idText, nullptr);
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.height, 0);
    EXPECT_EQ(image.pixelBytes, 0u);
    EXPECT_FALSE(image.hasPalette);
}

TEST(TgaImage, UncompressedDepthsKeepFileByteOrder)
{
    struct Case {
        uint8_t type, bits;
    } cases[] = {{2, 24}, {2, 32}, {2, 16}, {3, 8}, {3, 16}, {2, 8}};
    for (const auto& c : cases) {
        TgaHeader h;
        h.imageType = c.type;
        h.bitsPerPixel = c.bits;
        h.width = 3;
        h.height = 2;
        Bytes body;
        for (int i = 0; i < 3 * 2 * c.bits / 8; ++i)
            body.push_back(static_cast<uint8_t>(i * 7 + 1));
        TgaImage image;
        ASSERT_EQ(loadBytes(image, tgaFile(h, body)), 0) << int(c.type) << "/" << int(c.bits);
        EXPECT_EQ(image.imageType, c.type);
        EXPECT_EQ(image.bitsPerPixel, c.bits);
        EXPECT_EQ(image.width, 3);
        EXPECT_EQ(image.height, 2);
        EXPECT_EQ(image.pixelBytes, body.size());
        EXPECT_EQ(pixelBytes(image), body);
        EXPECT_FALSE(image.hasPalette);
    }
}

TEST(TgaImage, IdFieldIsKeptZeroTerminatedAndSkippedBeforePixels)
{
    TgaHeader h;
    h.idLength = 5;
    h.width = 1;
    h.height = 1;
    TgaImage image;
    ASSERT_EQ(loadBytes(image, tgaFile(h, {'h', 'e', 'l', 'l', 'o', 1, 2, 3})), 0);
    ASSERT_NE(image.idText, nullptr);
    EXPECT_STREQ(image.idText.get(), "hello");
    EXPECT_EQ(pixelBytes(image), (Bytes{1, 2, 3}));

    h.idLength = 0;
    ASSERT_EQ(loadBytes(image, tgaFile(h, {4, 5, 6})), 0);
    EXPECT_EQ(image.idText, nullptr);
}

TEST(TgaImage, ColourMapsOfTwoThreeAndFourByteEntries)
{
    TgaHeader h;
    h.imageType = 1;
    h.colourMapType = 1;
    h.bitsPerPixel = 8;
    h.width = 2;
    h.height = 1;
    h.mapFirst = 10;
    h.mapLength = 2;

    h.mapEntryBits = 24;  // blue, green, red
    TgaImage image;
    ASSERT_EQ(loadBytes(image, tgaFile(h, {0x01, 0x02, 0x03, 0x11, 0x12, 0x13, 10, 11})), 0);
    EXPECT_TRUE(image.hasPalette);
    EXPECT_EQ(Bytes(image.palette[10], image.palette[10] + 4), (Bytes{0x03, 0x02, 0x01, 0}));
    EXPECT_EQ(Bytes(image.palette[11], image.palette[11] + 4), (Bytes{0x13, 0x12, 0x11, 0}));
    EXPECT_EQ(Bytes(image.palette[9], image.palette[9] + 4), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(pixelBytes(image), (Bytes{10, 11})) << "indices stay indices";

    h.mapEntryBits = 32;  // blue, green, red, alpha
    ASSERT_EQ(loadBytes(image, tgaFile(h, {1, 2, 3, 4, 5, 6, 7, 8, 0, 0})), 0);
    EXPECT_EQ(Bytes(image.palette[10], image.palette[10] + 4), (Bytes{3, 2, 1, 4}));
    EXPECT_EQ(Bytes(image.palette[11], image.palette[11] + 4), (Bytes{7, 6, 5, 8}));

    h.mapEntryBits = 16;  // A RRRRR GGGGG BBBBB, little-endian, 5-bit values unscaled
    const uint16_t first = (1u << 15) | (31u << 10) | (2u << 5) | 17u;
    const uint16_t second = (0u << 15) | (4u << 10) | (31u << 5) | 0u;
    ASSERT_EQ(loadBytes(image, tgaFile(h, {uint8_t(first & 0xFF), uint8_t(first >> 8), uint8_t(second & 0xFF),
                                           uint8_t(second >> 8), 0, 0})),
              0);
    EXPECT_EQ(Bytes(image.palette[10], image.palette[10] + 4), (Bytes{31, 2, 17, 1}));
    EXPECT_EQ(Bytes(image.palette[11], image.palette[11] + 4), (Bytes{4, 31, 0, 0}));

    h.mapEntryBits = 8;  // one-byte entries are not supported
    EXPECT_EQ(loadBytes(image, tgaFile(h, {1, 2, 0, 0})), -1);
    h.mapEntryBits = 40;
    EXPECT_EQ(loadBytes(image, tgaFile(h, Bytes(12, 0))), -1);
    expectReleased(image);
}

TEST(TgaImage, ColourMapPastEntry255StopsAtTheEndAndStillFindsThePixels)
{
    TgaHeader h;
    h.imageType = 1;
    h.colourMapType = 1;
    h.bitsPerPixel = 8;
    h.width = 1;
    h.height = 1;
    h.mapFirst = 254;
    h.mapLength = 4;
    h.mapEntryBits = 24;
    TgaImage image;
    ASSERT_EQ(loadBytes(image, tgaFile(h, {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 77})), 0);
    EXPECT_EQ(image.palette[254][0], 1);
    EXPECT_EQ(image.palette[255][0], 2);
    EXPECT_EQ(pixelBytes(image), (Bytes{77}));
}

TEST(TgaImage, RunLengthPacketsRepeatOrCopy)
{
    TgaHeader h;
    h.imageType = 10;
    h.width = 8;
    h.height = 1;
    // 0x83: one pixel written four times; 0x03: four pixels copied as they stand.
    const Bytes body = {0x83, 1, 2, 3, 0x03, 10, 11, 12, 20, 21, 22, 30, 31, 32, 40, 41, 42};
    TgaImage image;
    ASSERT_EQ(loadBytes(image, tgaFile(h, body)), 0);
    EXPECT_EQ(pixelBytes(image),
              (Bytes{1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 10, 11, 12, 20, 21, 22, 30, 31, 32, 40, 41, 42}));

    h.imageType = 11;  // grey
    h.bitsPerPixel = 8;
    h.width = 5;
    ASSERT_EQ(loadBytes(image, tgaFile(h, {0x82, 9, 0x01, 4, 5})), 0);
    EXPECT_EQ(pixelBytes(image), (Bytes{9, 9, 9, 4, 5}));

    h.imageType = 9;  // colour-mapped
    h.colourMapType = 1;
    h.mapLength = 1;
    h.mapEntryBits = 32;
    h.width = 3;
    ASSERT_EQ(loadBytes(image, tgaFile(h, {1, 2, 3, 4, 0x82, 0})), 0);
    EXPECT_EQ(pixelBytes(image), (Bytes{0, 0, 0}));
    EXPECT_EQ(image.palette[0][3], 4);

    h = TgaHeader{};
    h.imageType = 10;
    h.bitsPerPixel = 32;
    h.width = 2;
    h.height = 1;
    ASSERT_EQ(loadBytes(image, tgaFile(h, {0x81, 1, 2, 3, 4})), 0);
    EXPECT_EQ(pixelBytes(image), (Bytes{1, 2, 3, 4, 1, 2, 3, 4}));
}

TEST(TgaImage, RunLengthPacketsThatOverrunTheImageStopAtItsEnd)
{
    TgaHeader h;
    h.imageType = 10;
    h.width = 2;
    h.height = 1;
    TgaImage image;
    // A 128-pixel run into a 2-pixel image.
    ASSERT_EQ(loadBytes(image, tgaFile(h, {0xFF, 5, 6, 7})), 0);
    EXPECT_EQ(pixelBytes(image), (Bytes{5, 6, 7, 5, 6, 7}));
    // A raw packet of 3 pixels into the last remaining pixel.
    ASSERT_EQ(loadBytes(image, tgaFile(h, {0x80, 1, 1, 1, 0x02, 2, 2, 2, 3, 3, 3, 4, 4, 4})), 0);
    EXPECT_EQ(pixelBytes(image), (Bytes{1, 1, 1, 2, 2, 2}));
}

TEST(TgaImage, UnsupportedTypesAndDepthsAreRejected)
{
    for (uint8_t type : {0, 4, 8, 12, 32, 255}) {
        TgaHeader h;
        h.imageType = type;
        h.width = 1;
        h.height = 1;
        TgaImage image;
        EXPECT_EQ(loadBytes(image, tgaFile(h, {1, 2, 3})), -1) << int(type);
        expectReleased(image);
    }
    for (uint8_t bits : {0, 1, 4, 15, 23, 48}) {
        TgaHeader h;
        h.bitsPerPixel = bits;
        h.width = 1;
        h.height = 1;
        TgaImage image;
        EXPECT_EQ(loadBytes(image, tgaFile(h, Bytes(8, 1))), -1) << int(bits);
    }
}

TEST(TgaImage, TruncatedFilesFailCleanly)
{
    TgaHeader h;
    h.width = 4;
    h.height = 4;
    const Bytes whole = testing::solidTga24(4, 4, 1, 2, 3);
    TgaImage image;
    // Every cut of a valid file, from an empty stream to one byte short.
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        ASSERT_EQ(loadBytes(image, Bytes(whole.begin(), whole.begin() + cut)), -1) << cut;
        expectReleased(image);
    }
    ASSERT_EQ(loadBytes(image, whole), 0);

    // Run-length data that ends before the image is filled.
    h.imageType = 10;
    EXPECT_EQ(loadBytes(image, tgaFile(h, {0x83, 1, 2, 3})), -1);
    EXPECT_EQ(loadBytes(image, tgaFile(h, {0x8F, 1, 2})), -1);
    EXPECT_EQ(loadBytes(image, tgaFile(h, {0x0F, 1, 2, 3})), -1);
    expectReleased(image);

    // An ID field or colour map longer than the file.
    h.imageType = 2;
    h.idLength = 200;
    EXPECT_EQ(loadBytes(image, tgaFile(h, Bytes(40, 0))), -1);
    h.idLength = 0;
    h.colourMapType = 1;
    h.mapLength = 256;
    h.mapEntryBits = 24;
    EXPECT_EQ(loadBytes(image, tgaFile(h, Bytes(100, 0))), -1);
    expectReleased(image);
}

TEST(TgaImage, HeadersThatPromiseMoreThanTheFileHoldsFail)
{
    TgaImage image;
    TgaHeader h;
    h.width = 32767;
    h.height = 32767;
    h.bitsPerPixel = 32;
    EXPECT_EQ(loadBytes(image, tgaFile(h, Bytes(64, 0xAB))), -1);
    h.imageType = 10;
    EXPECT_EQ(loadBytes(image, tgaFile(h, {0xFF, 1, 2, 3, 4})), -1);
    h.imageType = 2;
    h.width = -4;  // the 16-bit fields are read as signed
    h.height = 2;
    EXPECT_EQ(loadBytes(image, tgaFile(h, Bytes(64, 0))), -1);
    h.width = 0;
    EXPECT_EQ(loadBytes(image, tgaFile(h, Bytes(64, 0))), -1);
    expectReleased(image);
}

TEST(TgaImage, LoadReadsFromTheCurrentPositionAndReplacesThePreviousImage)
{
    Bytes bytes = {0xEE, 0xEE, 0xEE};
    const Bytes file = testing::solidTga24(1, 1, 9, 8, 7);
    bytes.insert(bytes.end(), file.begin(), file.end());
    MemoryStream stream(bytes);
    stream.seek(3, 0);
    TgaImage image;
    TgaHeader h;
    h.idLength = 2;
    h.width = 2;
    h.height = 2;
    ASSERT_EQ(loadBytes(image, tgaFile(h, Bytes(14, 1))), 0);
    ASSERT_NE(image.idText, nullptr);
    ASSERT_EQ(image.load(stream), 0);
    EXPECT_EQ(image.idText, nullptr);
    EXPECT_EQ(image.width, 1);
    EXPECT_EQ(pixelBytes(image), (Bytes{7, 8, 9}));
    image.release();
    expectReleased(image);
}

}  // namespace
}  // namespace velmora
