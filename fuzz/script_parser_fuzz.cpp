// libFuzzer target for the script parser: any bytes as a script's text, parsed into a tree.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/script_parser.h"
#include "resources/data_stream.h"

namespace {

// The input bytes in a buffer of their own size: a read past the end is caught by ASan.
class InputStream : public velmora::DataStream {
public:
    InputStream(const uint8_t* bytes, size_t length) : bytes_(bytes, bytes + length)
    {
        data_ = bytes_.empty() ? nullptr : bytes_.data();
        size_ = static_cast<uint32_t>(bytes_.size());
    }
    int read(void*, uint32_t) override { return 0; }
    int write(const void*, uint32_t) override { return 0; }
    int seek(uint32_t offset, int origin) override
    {
        position_ = origin == 0 ? offset : origin == 1 ? position_ + offset : size_ - offset;
        return 0;
    }
    uint32_t tell() const override { return position_; }
    uint32_t size() const override { return size_; }
    bool eof() const override { return position_ >= size_; }

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    InputStream stream(data, size);
    velmora::ScriptNode root;
    velmora::parseChildren(&root, stream);

    // The attribute reader alone, over the same bytes as one tag's attribute part.
    if (size > 0) {
        std::vector<char> text(data, data + size);
        velmora::ScriptNode node;
        velmora::parseAttributes(&node, text.data(), static_cast<uint32_t>(text.size()));
    }
    return 0;
}
