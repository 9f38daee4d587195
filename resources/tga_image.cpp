// TGA decoding with every length checked against the data that is actually there.
#include "resources/tga_image.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "resources/data_stream.h"

namespace velmora {

namespace {

constexpr uint32_t kHeaderSize = 18;
// A run-length packet of 1 + P bytes expands to at most 128 pixels of P bytes.
constexpr uint64_t kMaxRunExpansion = 128;

// The stream's read() result is not a byte count (data files return 0), so the remaining length
// is checked before reading.
bool readExactly(DataStream& stream, void* buffer, uint32_t count)
{
    if (count == 0)
        return true;
    if (stream.tell() > stream.size() || stream.size() - stream.tell() < count)
        return false;
    stream.read(buffer, count);
    return true;
}

uint16_t little16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)); }

void storePaletteEntry(uint8_t (&entry)[4], const uint8_t* bytes, int entrySize)
{
    if (entrySize == 2) {
        const uint16_t value = little16(bytes);
        entry[0] = (value >> 10) & 0x1F;
        entry[1] = (value >> 5) & 0x1F;
        entry[2] = value & 0x1F;
        entry[3] = (value >> 15) & 1;
    } else {
        entry[0] = bytes[2];
        entry[1] = bytes[1];
        entry[2] = bytes[0];
        entry[3] = entrySize == 4 ? bytes[3] : 0;
    }
}

// Fills `out` with `size` bytes from run-length packets of `pixelSize`-byte pixels. A packet
// that would run past the end is cut at the end.
bool decodeRunLength(DataStream& stream, uint8_t* out, uint32_t size, uint32_t pixelSize)
{
    uint8_t packet[128 * 4];
    uint32_t filled = 0;
    while (filled < size) {
        uint8_t head = 0;
        if (!readExactly(stream, &head, 1))
            return false;
        const uint32_t count = (head & 0x7Fu) + 1;
        const uint32_t room = size - filled;
        const uint32_t written = std::min(count * pixelSize, room);
        if (head & 0x80) {
            if (!readExactly(stream, packet, pixelSize))
                return false;
            for (uint32_t at = 0; at < written; at += pixelSize)
                std::memcpy(out + filled + at, packet, std::min(pixelSize, written - at));
        } else {
            if (!readExactly(stream, packet, count * pixelSize))
                return false;
            std::memcpy(out + filled, packet, written);
        }
        filled += written;
    }
    return true;
}

}  // namespace

void TgaImage::release()
{
    pixels.reset();
    idText.reset();
    imageType = width = height = bitsPerPixel = 0;
    pixelBytes = 0;
    std::memset(palette, 0, sizeof palette);
    hasPalette = false;
}

int TgaImage::load(DataStream& stream)
{
    release();
    uint8_t header[kHeaderSize];
    if (!readExactly(stream, header, kHeaderSize))
        return -1;

    const int type = header[2];
    const int depth = header[16];
    if (type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11)
        return -1;
    if (depth != 8 && depth != 16 && depth != 24 && depth != 32)
        return -1;
    const int w = static_cast<int16_t>(little16(header + 12));
    const int h = static_cast<int16_t>(little16(header + 14));
    if (w <= 0 || h <= 0)
        return -1;

    const uint32_t idLength = header[0];
    if (idLength != 0) {
        idText = std::make_unique<char[]>(idLength + 1);
        if (!readExactly(stream, idText.get(), idLength)) {
            release();
            return -1;
        }
        idText[idLength] = '\0';
    }

    if (header[1] != 0) {
        hasPalette = true;
        const uint32_t first = little16(header + 3);
        const uint32_t length = little16(header + 5);
        const int entrySize = header[7] / 8;
        if (entrySize < 2 || entrySize > 4) {
            release();
            return -1;
        }
        std::vector<uint8_t> entries(static_cast<size_t>(length) * entrySize);
        if (!readExactly(stream, entries.data(), static_cast<uint32_t>(entries.size()))) {
            release();
            return -1;
        }
        for (uint32_t i = 0; i < length && first + i < 256; ++i)
            storePaletteEntry(palette[first + i], entries.data() + static_cast<size_t>(i) * entrySize, entrySize);
    }

    const uint32_t pixelSize = static_cast<uint32_t>(depth / 8);
    const uint64_t total = static_cast<uint64_t>(pixelSize) * w * h;
    const uint64_t remaining = stream.size() > stream.tell() ? stream.size() - stream.tell() : 0;
    const bool runLength = type >= 9;
    if (total > (runLength ? remaining * kMaxRunExpansion : remaining)) {
        release();
        return -1;
    }

    imageType = type;
    width = w;
    height = h;
    bitsPerPixel = depth;
    pixelBytes = static_cast<uint32_t>(total);
    pixels = std::make_unique<uint8_t[]>(pixelBytes);  // value-initialised: cleared
    const bool complete = runLength ? decodeRunLength(stream, pixels.get(), pixelBytes, pixelSize)
                                    : readExactly(stream, pixels.get(), pixelBytes);
    if (!complete) {
        release();
        return -1;
    }
    return 0;
}

}  // namespace velmora
