// MSB-first bit writer, the bit order of the RAR 2.0 stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::pack {

class BitWriter {
public:
    // Appends the low `bits` (0..24) of `value`, most significant first.
    void put(uint32_t value, int bits)
    {
        acc_ = (acc_ << bits) | (value & ((1u << bits) - 1));
        pending_ += bits;
        while (pending_ >= 8) {
            pending_ -= 8;
            bytes_.push_back(uint8_t(acc_ >> pending_));
        }
        acc_ &= (uint64_t(1) << pending_) - 1;
    }
    size_t bitCount() const { return bytes_.size() * 8 + size_t(pending_); }
    // The bytes written, the last one padded with zero bits.
    std::vector<uint8_t> finish()
    {
        if (pending_ > 0)
            put(0, 8 - pending_);
        return std::move(bytes_);
    }

private:
    std::vector<uint8_t> bytes_;
    uint64_t acc_ = 0;
    int pending_ = 0;
};

}  // namespace velmora::pack
