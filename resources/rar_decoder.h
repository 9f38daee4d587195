// The RAR 2.0 unpacker: LZ77 over a 1 MB window with canonical Huffman codes, and the adaptive
// multimedia mode. One object serves the entries of one archive walk in order.
#pragma once

#include <cstdint>
#include <memory>

#include "resources/rar_format.h"

namespace velmora {

// MSB-first bit reader over one entry's packed bytes; bytes past the end read as zero.
class BitInput {
public:
    void reset(const uint8_t* data, uint32_t size)
    {
        data_ = data;
        size_ = size;
        bitPos_ = 0;
    }
    // The next 16 bits, most significant first, without consuming them.
    uint32_t peek16() const
    {
        const uint64_t byte = bitPos_ >> 3;
        uint32_t v;
        if (byte + 4 <= size_) {
            v = uint32_t(data_[byte]) << 24 | uint32_t(data_[byte + 1]) << 16 | uint32_t(data_[byte + 2]) << 8 |
                data_[byte + 3];
        } else {
            v = 0;
            for (uint64_t i = 0; i < 4; ++i)
                v = v << 8 | (byte + i < size_ ? data_[byte + i] : 0);
        }
        return (v << (bitPos_ & 7)) >> 16;
    }
    void skip(uint32_t bits) { bitPos_ += bits; }
    // Reads 0..16 bits as an unsigned number.
    uint32_t read(uint32_t bits)
    {
        const uint32_t v = bits ? peek16() >> (16 - bits) : 0;
        bitPos_ += bits;
        return v;
    }
    // Bytes not yet touched by the read position.
    uint64_t bytesLeft() const { return size_ > (bitPos_ >> 3) ? size_ - (bitPos_ >> 3) : 0; }
    // True once reading has gone well past the packed data (a truncated or malformed stream).
    bool overrun() const { return bitPos_ > uint64_t(size_) * 8 + 64; }

private:
    const uint8_t* data_ = nullptr;
    uint32_t size_ = 0;
    uint64_t bitPos_ = 0;
};

// Canonical Huffman decoder as the format builds it: left-justified 16-bit limits per length.
class HuffmanDecoder {
public:
    // Builds the code from `count` lengths (0..15, 0 = unused). False when more codes are given
    // than fit in 15 bits; incomplete codes are accepted.
    bool build(const uint8_t* lengths, int count);
    int decode(BitInput& in) const
    {
        const uint32_t value = in.peek16();
        const QuickEntry q = quick_[value >> (16 - kQuickBits)];
        if (q.length) {
            in.skip(q.length);
            return q.symbol;
        }
        return decodeSlow(in, value & 0xFFFE);
    }

private:
    static constexpr int kQuickBits = 10;
    struct QuickEntry {
        uint16_t symbol;
        uint8_t length;  // 0: longer than kQuickBits, take the slow path
    };
    int lookup(uint32_t value, int& length) const;
    int decodeSlow(BitInput& in, uint32_t value) const;

    int count_ = 0;
    uint32_t limit_[16] = {};
    uint32_t start_[16] = {};
    uint16_t symbols_[rar::kLiteralCodes] = {};
    QuickEntry quick_[1 << kQuickBits] = {};
};

class RarDecoder {
public:
    // Unpacks one entry of `packSize` bytes into `output` (room for `unpSize` bytes; null to
    // discard, as for the entries before the wanted one in a solid archive). `continueSolid`
    // keeps the window, tables and state of the previous entry. Without `keepWindow` (no later
    // entry continues this one) the entry is decoded straight into `output`; otherwise through
    // the 1 MB window. `produced` receives the bytes written. False when the stream is
    // malformed (bad tables, a distance before the start of the data, reading far past the
    // packed bytes) or the window cannot be allocated.
    bool unpack(const uint8_t* packed, uint32_t packSize, uint32_t unpSize, bool continueSolid, bool keepWindow,
                uint8_t* output, uint32_t& produced);

private:
    void resetState();
    bool readTables();
    template <bool Direct>
    bool decodeLoop(int64_t& countdown);
    template <bool Direct>
    bool decodeAudio(int64_t& countdown);
    template <bool Direct>
    bool decodeNormal(int64_t& countdown);
    template <bool Direct>
    bool copyMatch(uint32_t length, uint32_t distance, int64_t& countdown);
    template <bool Direct>
    void putByte(uint8_t byte)
    {
        base_[ptr_] = byte;
        ptr_ = Direct ? ptr_ + 1 : (ptr_ + 1) & rar::kWindowMask;
        ++total_;
    }
    void flush();

    struct FreeDeleter {
        void operator()(uint8_t* p) const;
    };
    std::unique_ptr<uint8_t, FreeDeleter> window_;  // allocated on first use
    uint8_t* base_ = nullptr;  // where bytes are written: the window, or the output itself
    uint32_t ptr_ = 0;
    uint32_t flushPtr_ = 0;
    uint64_t total_ = 0;  // bytes produced since the window was cleared

    BitInput in_;
    uint8_t* output_ = nullptr;
    uint32_t outputSize_ = 0;
    uint32_t outputCap_ = 0;

    HuffmanDecoder literals_, distances_, repeats_, bitLengths_;
    HuffmanDecoder audio_[rar::kMaxChannels];
    uint8_t previousLengths_[rar::kMaxTableSize] = {};
    bool tablesRead_ = false;

    uint32_t oldDistances_[4] = {};
    uint32_t oldIndex_ = 0;
    uint32_t lastDistance_ = 0;
    uint32_t lastLength_ = 0;

    bool audioMode_ = false;
    int channels_ = 1;
    int channel_ = 0;
    int channelDelta_ = 0;
    rar::AudioPredictor predictors_[rar::kMaxChannels];
};

}  // namespace velmora
