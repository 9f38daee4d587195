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
using testing::tgaHeader;
using testing::tgaFile;
using Bytes = std::vector<uint8_t>;

int loadBytes(TgaImage& image, Bytes bytes)
{
    MemoryStream stream(std::move(bytes));
    return image.load(stream);
}

Bytes pixelBytes(const TgaImage& image) { return Bytes(image.pixels.get(), image.pixels.get() + image.pixelBytes); }
Bytes paletteEntry(const TgaImage& image, int i) { return Bytes(image.palette[i], image.palette[i] + 4); }

// An 8-bit image of `type` over a colour map of `length` entries of `entryBits` from `first`.
TgaHeader mapped(int16_t width, uint8_t type, uint16_t first, uint16_t length, uint8_t entryBits)
{
    TgaHeader h = tgaHeader(width, 1, type, 8);
    h.colourMapType = 1;
    h.mapFirst = first;
    h.mapLength = length;
    h.mapEntryBits = entryBits;
    return h;
}

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
        const TgaHeader h = tgaHeader(3, 2, c.type, c.bits);
        Bytes body;
        for (int i = 0; i < 3 * 2 * c.bits / 8; ++i)
            body.push_back(static_cast<uint8_t>(i * 7 + 1));
        TgaImage image;
        ASSERT_EQ(loadBytes(image, tgaFile(h, body)), 0) << int(c.type) << "/" << int(c.bits);
        EXPECT_EQ(image.bitsPerPixel, c.bits);
        EXPECT_EQ(image.width, 3);
        EXPECT_EQ(image.height, 2);
        EXPECT_EQ(pixelBytes(image), body);
    }
}

TEST(TgaImage, IdFieldIsKeptUntilTheNextLoadAndSkippedBeforePixels)
{
    TgaHeader h = tgaHeader(1, 1);
    h.idLength = 5;
    TgaImage image;
    ASSERT_EQ(loadBytes(image, tgaFile(h, {'h', 'e', 'l', 'l', 'o', 1, 2, 3})), 0);
    ASSERT_NE(image.idText, nullptr);
    EXPECT_STREQ(image.idText.get(), "hello");
    EXPECT_EQ(pixelBytes(image), (Bytes{1, 2, 3}));

    // A load replaces the previous image, reading from the stream's current position.
    Bytes bytes = {0xEE, 0xEE, 0xEE};
    const Bytes file = testing::solidTga24(1, 1, 9, 8, 7);
    bytes.insert(bytes.end(), file.begin(), file.end());
    MemoryStream stream(bytes);
    stream.seek(3, 0);
    ASSERT_EQ(image.load(stream), 0);
    EXPECT_EQ(image.idText, nullptr);
    EXPECT_EQ(pixelBytes(image), (Bytes{7, 8, 9}));
    image.release();
    expectReleased(image);
}

TEST(TgaImage, ColourMapsOfTwoThreeAndFourByteEntries)
{
    TgaHeader h = mapped(2, 1, 10, 2, 24);  // blue, green, red
    TgaImage image;
    ASSERT_EQ(loadBytes(image, tgaFile(h, {0x01, 0x02, 0x03, 0x11, 0x12, 0x13, 10, 11})), 0);
    EXPECT_TRUE(image.hasPalette);
    EXPECT_EQ(paletteEntry(image, 10), (Bytes{0x03, 0x02, 0x01, 0}));
    EXPECT_EQ(paletteEntry(image, 11), (Bytes{0x13, 0x12, 0x11, 0}));
    EXPECT_EQ(paletteEntry(image, 9), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(pixelBytes(image), (Bytes{10, 11})) << "indices stay indices";

    h.mapEntryBits = 32;  // blue, green, red, alpha
    ASSERT_EQ(loadBytes(image, tgaFile(h, {1, 2, 3, 4, 5, 6, 7, 8, 0, 0})), 0);
    EXPECT_EQ(paletteEntry(image, 10), (Bytes{3, 2, 1, 4}));
    EXPECT_EQ(paletteEntry(image, 11), (Bytes{7, 6, 5, 8}));

    h.mapEntryBits = 16;  // A RRRRR GGGGG BBBBB, little-endian, 5-bit values unscaled
    const uint16_t first = (1u << 15) | (31u << 10) | (2u << 5) | 17u;
    const uint16_t second = (0u << 15) | (4u << 10) | (31u << 5) | 0u;
    ASSERT_EQ(loadBytes(image, tgaFile(h, {uint8_t(first & 0xFF), uint8_t(first >> 8), uint8_t(second & 0xFF),
                                           uint8_t(second >> 8), 0, 0})),
              0);
    EXPECT_EQ(paletteEntry(image, 10), (Bytes{31, 2, 17, 1}));
    EXPECT_EQ(paletteEntry(image, 11), (Bytes{4, 31, 0, 0}));

    // A map past entry 255 stops at the end; the pixels are still found.
    ASSERT_EQ(loadBytes(image, tgaFile(mapped(1, 1, 254, 4, 24), {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 77})), 0);
    EXPECT_EQ(image.palette[255][0], 2);
    EXPECT_EQ(pixelBytes(image), (Bytes{77}));

    h.mapEntryBits = 8;  // one-byte entries are not supported
    EXPECT_EQ(loadBytes(image, tgaFile(h, {1, 2, 0, 0})), -1);
    h.mapEntryBits = 40;
    EXPECT_EQ(loadBytes(image, tgaFile(h, Bytes(12, 0))), -1);
    expectReleased(image);
}

TEST(TgaImage, RunLengthPacketsRepeatOrCopy)
{
    TgaHeader h = tgaHeader(8, 1, 10);
    // 0x83: one pixel written four times; 0x03: four pixels copied as they stand.
    const Bytes body = {0x83, 1, 2, 3, 0x03, 10, 11, 12, 20, 21, 22, 30, 31, 32, 40, 41, 42};
    TgaImage image;
    ASSERT_EQ(loadBytes(image, tgaFile(h, body)), 0);
    EXPECT_EQ(pixelBytes(image),
              (Bytes{1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 10, 11, 12, 20, 21, 22, 30, 31, 32, 40, 41, 42}));

    ASSERT_EQ(loadBytes(image, tgaFile(tgaHeader(5, 1, 11, 8), {0x82, 9, 0x01, 4, 5})), 0);  // grey
    EXPECT_EQ(pixelBytes(image), (Bytes{9, 9, 9, 4, 5}));

    ASSERT_EQ(loadBytes(image, tgaFile(mapped(3, 9, 0, 1, 32), {1, 2, 3, 4, 0x82, 0})), 0);  // colour-mapped
    EXPECT_EQ(pixelBytes(image), (Bytes{0, 0, 0}));
    EXPECT_EQ(image.palette[0][3], 4);

    ASSERT_EQ(loadBytes(image, tgaFile(tgaHeader(2, 1, 10, 32), {0x81, 1, 2, 3, 4})), 0);
    EXPECT_EQ(pixelBytes(image), (Bytes{1, 2, 3, 4, 1, 2, 3, 4}));

    // Packets that overrun the image stop at its end: a 128-pixel run into 2 pixels, and a raw
    // packet of 3 pixels into the last remaining one.
    ASSERT_EQ(loadBytes(image, tgaFile(tgaHeader(2, 1, 10), {0xFF, 5, 6, 7})), 0);
    EXPECT_EQ(pixelBytes(image), (Bytes{5, 6, 7, 5, 6, 7}));
    ASSERT_EQ(loadBytes(image, tgaFile(tgaHeader(2, 1, 10), {0x80, 1, 1, 1, 0x02, 2, 2, 2, 3, 3, 3, 4, 4, 4})), 0);
    EXPECT_EQ(pixelBytes(image), (Bytes{1, 1, 1, 2, 2, 2}));
}

// Every cut of a valid file, unsupported types and depths, and headers or packets that promise
// more than the file holds: all fail and leave the image released.
TEST(TgaImage, BadFilesFailCleanly)
{
    const Bytes whole = testing::solidTga24(4, 4, 1, 2, 3);
    std::vector<Bytes> bad;
    for (size_t cut = 0; cut < whole.size(); ++cut)
        bad.emplace_back(whole.begin(), whole.begin() + cut);
    for (uint8_t type : {0, 4, 8, 12, 32, 255})
        bad.push_back(tgaFile(tgaHeader(1, 1, type), {1, 2, 3}));
    for (uint8_t bits : {0, 1, 4, 15, 23, 48})
        bad.push_back(tgaFile(tgaHeader(1, 1, 2, bits), Bytes(8, 1)));
    // Run-length data that ends before the image is filled.
    for (const Bytes& body : {Bytes{0x83, 1, 2, 3}, Bytes{0x8F, 1, 2}, Bytes{0x0F, 1, 2, 3}})
        bad.push_back(tgaFile(tgaHeader(4, 4, 10), body));
    TgaHeader h = tgaHeader(4, 4);
    h.idLength = 200;  // an ID field longer than the file
    bad.push_back(tgaFile(h, Bytes(40, 0)));
    h = mapped(4, 1, 0, 256, 24);  // a colour map longer than the file
    bad.push_back(tgaFile(h, Bytes(100, 0)));
    bad.push_back(tgaFile(tgaHeader(32767, 32767, 2, 32), Bytes(64, 0xAB)));
    bad.push_back(tgaFile(tgaHeader(32767, 32767, 10, 32), {0xFF, 1, 2, 3, 4}));
    bad.push_back(tgaFile(tgaHeader(-4, 2), Bytes(64, 0)));  // the 16-bit fields are read as signed
    bad.push_back(tgaFile(tgaHeader(0, 2), Bytes(64, 0)));
    for (size_t i = 0; i < bad.size(); ++i) {
        TgaImage image;
        ASSERT_EQ(loadBytes(image, whole), 0);
        EXPECT_EQ(loadBytes(image, bad[i]), -1) << "case " << i;
        expectReleased(image);
    }
}

}  // namespace
}  // namespace velmora
