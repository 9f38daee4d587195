// The RAR 2.0 unpacker: LZ77 over a 1 MB window with canonical Huffman codes, and the adaptive
// multimedia mode. One object serves the entries of one archive walk in order.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>

#include "resources/rar_format.h"

namespace velmora {

// MSB-first bit reader over one entry's packed bytes; bytes past the end read as zero. Bits
// wait left-aligned in a 64-bit buffer that is refilled eight bytes at a time.
class BitInput {
public:
    void reset(const uint8_t* data, uint32_t size)
    {
        data_ = data;
        size_ = size;
        next_ = 0;
        buffer_ = 0;
        count_ = 0;
    }
    // The next 16 bits, most significant first, without consuming them.
    uint32_t peek16()
    {
        refill();
        return uint32_t(buffer_ >> 48);
    }
    // Consumes bits already seen through peek16.
    void skip(uint32_t bits)
    {
        buffer_ <<= bits;
        count_ -= bits;
    }
    // Reads 0..16 bits as an unsigned number.
    uint32_t read(uint32_t bits)
    {
        refill();
        return take(bits);
    }
    // Reads 0..16 bits without a refill: the caller refilled and counted the bits it needs.
    uint32_t take(uint32_t bits)
    {
        const uint32_t v = uint32_t((buffer_ >> 1) >> (63 - bits));  // two shifts: 0 bits read 0
        skip(bits);
        return v;
    }
    // The next `bits` (1..16) bits without a refill.
    uint32_t top(uint32_t bits) const { return uint32_t(buffer_ >> (64 - bits)); }
    // Tops the buffer up to at least 56 bits. Away from the end of the data one unaligned load:
    // it ORs in whole and partial bytes, and a partial byte is ORed again, unchanged, next time.
    void refill()
    {
        if (!nearEnd()) [[likely]] {
            uint64_t word;
            std::memcpy(&word, data_ + next_, 8);
            buffer_ |= __builtin_bswap64(word) >> count_;
            next_ += (63 - count_) >> 3;
            count_ |= 56;
            return;
        }
        for (; count_ <= 56; count_ += 8, ++next_)
            buffer_ |= uint64_t(next_ < size_ ? data_[next_] : 0) << (56 - count_);
    }
    // True within the last eight bytes of the data, where refills go byte by byte.
    bool nearEnd() const { return size_ < 8 || next_ > size_ - 8; }
    // Bytes not yet touched by the read position.
    uint64_t bytesLeft() const { return size_ > consumedBits() / 8 ? size_ - consumedBits() / 8 : 0; }
    // True once reading has gone well past the packed data (a truncated or malformed stream).
    bool overrun() const { return consumedBits() > uint64_t(size_) * 8 + 64; }

private:
    uint64_t consumedBits() const { return next_ * 8 - count_; }

    const uint8_t* data_ = nullptr;
    uint32_t size_ = 0;
    uint64_t next_ = 0;    // the next byte to enter the buffer
    uint64_t buffer_ = 0;  // unread bits, left-aligned
    uint32_t count_ = 0;   // how many bits of buffer_ are unread
};

// Canonical Huffman decoder as the format builds it: left-justified 16-bit limits per length,
// with a lookup table for the codes of up to kQuickBits bits. A literal table may also hold
// pairs: where a literal's code leaves room in the looked-up bits for a whole second literal
// code, one lookup yields both.
class HuffmanDecoder {
public:
    // Builds the code from `count` lengths (0..15, 0 = unused). False when more codes are given
    // than fit in 15 bits; incomplete codes are accepted. `pairs`: fill in literal pairs.
    bool build(const uint8_t* lengths, int count, bool pairs = false);
    int decode(BitInput& in) const
    {
        in.refill();
        return decodeBuffered(in);
    }
    // Decodes with at least 15 unread bits in the buffer.
    int decodeBuffered(BitInput& in) const { return decodeEntry(in, entry(in)); }

    // Table entry for the next bits: bits 0..3 the first code's length (0: a longer code),
    // 4..12 its symbol; with kPair, 16..23 the second literal and 24..28 both codes' bits.
    static constexpr uint32_t kPair = 1u << 13;
    uint32_t entry(const BitInput& in) const { return quick_[in.top(quickBits_)]; }
    int decodeEntry(BitInput& in, uint32_t entry) const
    {
        if (!(entry & 0x0F))
            entry = decodeLong(in.top(16));
        in.skip(entry & 0x0F);
        return int(entry >> 4) & 0x1FF;
    }

private:
    static constexpr int kQuickBits = 12;
    // An entry (symbol << 4 | length) for a code longer than the table, from the next 16 bits.
    // Takes no reader, so that a caller's reader never leaves registers.
    uint32_t decodeLong(uint32_t bits16) const;
    void addPairs();

    int count_ = 0;
    int quickBits_ = 1;
    uint32_t limit_[16] = {};
    uint32_t start_[16] = {};
    uint16_t symbols_[rar::kLiteralCodes] = {};
    uint32_t quick_[1 << kQuickBits];  // filled by build(), not before: the decoder is large
};

// A buffer that unpacking fills front to back at hundreds of MB/s. Faulting in 4 KB pages one
// by one would cost more than decoding into them, so a large buffer is aligned to 2 MB, spans
// whole 2 MB pages and asks for them (a hint; it still works without). A malloc block.
uint8_t* allocateUnpackBuffer(size_t size);

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

    // Receives an entry's bytes in order, a piece of up to a few MB at a time; false stops.
    using Sink = std::function<bool(const uint8_t* data, size_t size)>;
    // Bytes decoded between hand-overs by default: with the 1 MB of history, 4 MB in all.
    static constexpr uint32_t kStreamStep = (3u << 20) - 1024;
    // Unpacks one entry as `unpack` does, but hands its bytes to `sink` as they are decoded, so
    // that an entry of any size needs only a few MB: decoding goes straight into a buffer that
    // keeps the last 1 MB as match history each time `step` more bytes are handed on.
    // `produced` receives the bytes handed on. No later entry can continue this one.
    bool unpackStreaming(const uint8_t* packed, uint32_t packSize, uint32_t unpSize, bool continueSolid,
                         const Sink& sink, uint32_t& produced, uint32_t step = kStreamStep);

private:
    // Reads the first tables of an entry, or checks that there is a solid stream to continue.
    bool begin(const uint8_t* packed, uint32_t packSize, bool continueSolid);
    // After an entry's data: a table switch right behind it belongs to the next entry.
    void readTrailingTables();
    void resetState();
    bool readTables();
    template <bool Direct>
    bool decodeLoop(int64_t& countdown);
    // One symbol through the window.
    bool decodeAudio(int64_t& countdown);
    bool decodeNormal(int64_t& countdown);
    // Decoding straight into the output, with the reader and the write position in registers,
    // until the write position reaches runEnd_ (kRunEnded), the stream is broken (kRunBroken) or
    // new tables come (the table switch symbol is returned). A match may run on past runEnd_, up
    // to outputCap_, where it is cut.
    int directRun(int64_t& countdown);
    // The same for the multimedia mode, one byte per symbol; audioFrames is its body for a
    // known number of channels.
    int audioRun(int64_t& countdown);
    template <int Channels>
    int audioFrames(int64_t& countdown);
    static constexpr int kRunEnded = -1;
    static constexpr int kRunBroken = -2;
    void rememberMatch(uint32_t length, uint32_t distance);
    // A match through the window; false when it reaches before the start of the data.
    bool copyMatch(uint32_t length, uint32_t distance, int64_t& countdown);
    void putByte(uint8_t byte)
    {
        base_[ptr_] = byte;
        ptr_ = (ptr_ + 1) & rar::kWindowMask;
        ++total_;
    }
    void flush();

    struct FreeDeleter {
        void operator()(uint8_t* p) const;
    };
    std::unique_ptr<uint8_t, FreeDeleter> window_;  // allocated on first use
    std::unique_ptr<uint8_t, FreeDeleter> stream_;  // unpackStreaming's buffer, likewise
    uint32_t streamSize_ = 0;
    uint8_t* base_ = nullptr;  // where bytes are written: the window, or the output itself
    uint32_t ptr_ = 0;
    uint32_t flushPtr_ = 0;
    uint64_t total_ = 0;  // bytes produced since the window was cleared

    BitInput in_;
    uint8_t* output_ = nullptr;
    uint32_t outputSize_ = 0;
    uint32_t outputCap_ = 0;
    uint32_t runEnd_ = 0;  // direct decoding starts no new symbol at or past this position

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
