// libFuzzer target for the TGA reader: any bytes as a TGA file. A success must give a complete
// image of the promised size; a failure must leave the image released.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "resources/data_stream.h"
#include "resources/tga_image.h"

namespace {

// Clamps at the end and returns no count, as data files do.
class BytesStream : public velmora::DataStream {
public:
    BytesStream(const uint8_t* bytes, uint32_t length)
    {
        data_ = const_cast<uint8_t*>(bytes);
        size_ = length;
    }
    int read(void* buffer, uint32_t count) override
    {
        const uint32_t n = position_ >= size_ ? 0 : (count < size_ - position_ ? count : size_ - position_);
        if (n)
            std::memcpy(buffer, data_ + position_, n);
        position_ += n;
        return 0;
    }
    int write(const void*, uint32_t) override { return 0; }
    int seek(uint32_t offset, int) override
    {
        position_ = offset;
        return 0;
    }
    uint32_t tell() const override { return position_; }
    uint32_t size() const override { return size_; }
    bool eof() const override { return position_ >= size_; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    BytesStream stream(data, static_cast<uint32_t>(size));
    velmora::TgaImage image;
    if (image.load(stream) != 0) {
        if (image.pixels || image.idText || image.width != 0 || image.pixelBytes != 0)
            __builtin_trap();  // a failure must release everything
        return 0;
    }
    const uint64_t expected = static_cast<uint64_t>(image.bitsPerPixel / 8) * image.width * image.height;
    if (image.width <= 0 || image.height <= 0 || image.pixelBytes != expected || !image.pixels)
        __builtin_trap();
    volatile uint8_t sum = 0;
    for (uint32_t i = 0; i < image.pixelBytes; ++i)
        sum = sum + image.pixels[i];  // every promised byte is there to read
    return 0;
}
