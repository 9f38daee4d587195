// A read-only data stream over a private copy of some bytes, shared by the tests and the fuzz
// targets. Like a data file it clamps reads at the end and returns no byte count; nothing
// follows the bytes in memory, so a parser that reads past the end shows up under ASan.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "resources/data_stream.h"

namespace velmora::testing {

class MemoryStream : public DataStream {
public:
    explicit MemoryStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes))
    {
        data_ = bytes_.empty() ? nullptr : bytes_.data();
        size_ = static_cast<uint32_t>(bytes_.size());
    }
    MemoryStream(const uint8_t* bytes, size_t length) : MemoryStream(std::vector<uint8_t>(bytes, bytes + length)) {}
    explicit MemoryStream(std::string_view text) : MemoryStream(std::vector<uint8_t>(text.begin(), text.end())) {}

    int read(void* buffer, uint32_t count) override
    {
        const uint32_t n = std::min(count, size_ - std::min(position_, size_));
        if (n)
            std::memcpy(buffer, data_ + position_, n);
        position_ += n;
        return 0;
    }
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

}  // namespace velmora::testing
