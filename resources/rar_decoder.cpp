// The RAR 2.0 unpacker: table reading, the normal and the multimedia decoding loops.
#include "resources/rar_decoder.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace velmora {

using namespace rar;

// ---- Huffman decoder ----------------------------------------------------------------------

bool HuffmanDecoder::build(const uint8_t* lengths, int count, bool pairs)
{
    uint32_t lengthCount[16] = {};
    for (int i = 0; i < count; ++i)
        ++lengthCount[lengths[i] & 0x0F];
    lengthCount[0] = 0;

    uint32_t space = 0;  // code space used, in units of 2^-16
    for (int l = 1; l <= kMaxCodeLength; ++l)
        space += lengthCount[l] << (16 - l);
    if (space > 0x10000)
        return false;

    count_ = count;
    uint32_t n = 0;
    limit_[0] = 0;
    start_[0] = 0;
    for (int l = 1; l <= kMaxCodeLength; ++l) {
        n = 2 * (n + lengthCount[l]);
        const uint32_t m = n << (15 - l);
        limit_[l] = m > 0xFFFF ? 0xFFFF : m;
        start_[l] = start_[l - 1] + lengthCount[l - 1];
    }
    uint32_t next[16];
    std::memcpy(next, start_, sizeof next);
    std::memset(symbols_, 0, sizeof symbols_);
    for (int i = 0; i < count; ++i)
        if (lengths[i] != 0)
            symbols_[next[lengths[i] & 0x0F]++] = uint16_t(i);

    // The table spans the longest code, up to kQuickBits bits: small alphabets get small tables,
    // which matters as tables change every few thousand symbols. Codes that fit fill every slot
    // they prefix; the slots behind them (longer codes, or values no code covers) are 0 and take
    // the slow path, which gives the same results.
    quickBits_ = 1;
    for (int l = 1; l <= kMaxCodeLength; ++l)
        if (lengthCount[l] != 0)
            quickBits_ = std::min(l, kQuickBits);
    uint32_t code = 0;  // left-justified in 16 bits
    for (int l = 1; l <= quickBits_; ++l) {
        const uint32_t slots = 1u << (quickBits_ - l);
        for (uint32_t k = start_[l]; k < start_[l] + lengthCount[l]; ++k) {
            std::fill_n(quick_ + (code >> (16 - quickBits_)), slots, uint32_t(symbols_[k]) << 4 | uint32_t(l));
            code += 1u << (16 - l);
        }
    }
    const uint32_t filled = code >> (16 - quickBits_);
    std::fill(quick_ + filled, quick_ + (1u << quickBits_), 0u);
    if (pairs)
        addPairs();
    return true;
}

void HuffmanDecoder::addPairs()
{
    const uint32_t mask = (1u << quickBits_) - 1;
    for (uint32_t slot = 0; slot <= mask; ++slot) {
        const uint32_t first = quick_[slot];
        const uint32_t length = first & 0x0F;
        if (length == 0 || length >= uint32_t(quickBits_) || (first >> 4 & 0x1FF) >= 256)
            continue;
        // The bits behind the first code, padded with zeros: a second code that fits in them
        // is decided by real bits alone.
        const uint32_t second = quick_[(slot << length) & mask];
        const uint32_t secondLength = second & 0x0F;
        if (secondLength == 0 || length + secondLength > uint32_t(quickBits_) || (second >> 4 & 0x1FF) >= 256)
            continue;
        quick_[slot] = (first & 0x1FFF) | kPair | (second >> 4 & 0xFF) << 16 | (length + secondLength) << 24;
    }
}

uint32_t HuffmanDecoder::decodeLong(uint32_t bits16) const
{
    const uint32_t value = bits16 & 0xFFFE;
    uint32_t l = 1;
    while (l < kMaxCodeLength && value >= limit_[l])
        ++l;
    const uint32_t index = start_[l] + ((value - limit_[l - 1]) >> (16 - l));
    return uint32_t(index < uint32_t(count_) ? symbols_[index] : 0) << 4 | l;
}

uint8_t* allocateUnpackBuffer(size_t size)
{
#ifndef __linux__
    // Elsewhere the plain heap (Windows' C library has no aligned_alloc whose block free() takes).
    return static_cast<uint8_t*>(std::malloc(size));
#else
    constexpr size_t kHugePage = 2u << 20;
    if (size < kHugePage / 2)
        return static_cast<uint8_t*>(std::malloc(size));
    const size_t rounded = (size + kHugePage - 1) & ~(kHugePage - 1);
    void* buffer = std::aligned_alloc(kHugePage, rounded);
    if (buffer != nullptr)
        madvise(buffer, rounded, MADV_HUGEPAGE);
    return static_cast<uint8_t*>(buffer);
#endif
}

// ---- Decoder ------------------------------------------------------------------------------

void RarDecoder::FreeDeleter::operator()(uint8_t* p) const { std::free(p); }

void RarDecoder::resetState()
{
    // The window keeps its old bytes: no match may reach before the start of the data (total_).
    ptr_ = flushPtr_ = 0;
    total_ = 0;
    std::memset(oldDistances_, 0, sizeof oldDistances_);
    oldIndex_ = 0;
    lastDistance_ = lastLength_ = 0;
    std::memset(previousLengths_, 0, sizeof previousLengths_);
    tablesRead_ = false;
    audioMode_ = false;
    channels_ = 1;
    channel_ = 0;
    channelDelta_ = 0;
    for (AudioPredictor& p : predictors_)
        p = AudioPredictor{};
}

bool RarDecoder::readTables()
{
    tablesRead_ = false;
    const uint32_t head = in_.peek16();
    audioMode_ = (head & 0x8000) != 0;
    if (!(head & 0x4000))
        std::memset(previousLengths_, 0, sizeof previousLengths_);
    in_.skip(2);

    int total = kNormalTableSize;
    if (audioMode_) {
        channels_ = int((head >> 12) & 3) + 1;
        if (channel_ >= channels_)
            channel_ = 0;
        in_.skip(2);
        total = kAudioCodes * channels_;
    }

    uint8_t bitLengths[kBitLengthCodes];
    for (uint8_t& l : bitLengths)
        l = uint8_t(in_.read(4));
    if (!bitLengths_.build(bitLengths, kBitLengthCodes))
        return false;

    uint8_t table[kMaxTableSize];
    for (int i = 0; i < total;) {
        if (in_.overrun())
            return false;
        const int symbol = bitLengths_.decode(in_);
        if (symbol < 16) {
            table[i] = uint8_t((symbol + previousLengths_[i]) & 0x0F);
            ++i;
        } else if (symbol == 16) {
            const uint8_t repeated = i > 0 ? table[i - 1] : 0;
            for (uint32_t n = 3 + in_.read(2); n > 0 && i < total; --n)
                table[i++] = repeated;
        } else {
            const uint32_t n = symbol == 17 ? 3 + in_.read(3) : 11 + in_.read(7);
            for (uint32_t k = 0; k < n && i < total; ++k)
                table[i++] = 0;
        }
    }
    if (in_.overrun())
        return false;

    if (audioMode_) {
        for (int c = 0; c < channels_; ++c)
            if (!audio_[c].build(table + c * kAudioCodes, kAudioCodes))
                return false;
    } else if (!literals_.build(table, kLiteralCodes, true) ||
               !distances_.build(table + kLiteralCodes, kDistanceCodes) ||
               !repeats_.build(table + kLiteralCodes + kDistanceCodes, kRepeatCodes)) {
        return false;
    }
    std::memcpy(previousLengths_, table, size_t(total));
    tablesRead_ = true;
    return true;
}

void RarDecoder::flush()
{
    uint32_t pending = (ptr_ - flushPtr_) & kWindowMask;
    if (output_ != nullptr) {
        const uint32_t room = outputCap_ - outputSize_;
        if (pending > room)
            pending = room;  // a stream that overshoots its size is cut; the CRC check judges it
        uint32_t from = flushPtr_;
        while (pending > 0) {
            const uint32_t run = std::min(pending, kWindowSize - from);
            std::memcpy(output_ + outputSize_, base_ + from, run);
            outputSize_ += run;
            pending -= run;
            from = (from + run) & kWindowMask;
        }
    }
    flushPtr_ = ptr_;
}

namespace {

// Copies a match inside the output, from `distance` bytes back, cut at `end`. Returns the new
// write position.
uint8_t* copyInOutput(uint8_t* out, uint8_t* end, uint32_t distance, uint32_t length)
{
    const uint8_t* from = out - distance;
    const size_t room = size_t(end - out);
    if (length + 16 <= room && distance >= 8) {
        // Wide stores that may run up to 15 bytes past the match: still inside the output, and
        // overwritten by what follows. Each load reads only bytes already final.
        uint8_t* const stop = out + length;
        if (distance >= 16) {
            do {
                std::memcpy(out, from, 16);
                out += 16;
                from += 16;
            } while (out < stop);
        } else {
            do {
                std::memcpy(out, from, 8);
                out += 8;
                from += 8;
            } while (out < stop);
        }
        return stop;
    }
    const size_t n = std::min<size_t>(length, room);  // a match past the entry's size is cut
    if (distance == 1)
        std::memset(out, *from, n);
    else
        for (size_t k = 0; k < n; ++k)
            out[k] = from[k];
    return out + n;
}

}  // namespace

void RarDecoder::rememberMatch(uint32_t length, uint32_t distance)
{
    oldDistances_[oldIndex_] = distance;
    oldIndex_ = (oldIndex_ + 1) & 3;
    lastDistance_ = distance;
    lastLength_ = length;
}

bool RarDecoder::copyMatch(uint32_t length, uint32_t distance, int64_t& countdown)
{
    if (length > 0 && (distance == 0 || (total_ < kWindowSize && distance > total_)))
        return false;
    rememberMatch(length, distance);
    countdown -= length;
    total_ += length;
    uint8_t* w = base_;
    uint32_t src = (ptr_ - distance) & kWindowMask;
    if (src + length <= kWindowSize && ptr_ + length <= kWindowSize) {
        if (distance >= length) {
            std::memcpy(w + ptr_, w + src, length);
        } else {
            for (uint32_t i = 0; i < length; ++i)
                w[ptr_ + i] = w[src + i];
        }
        ptr_ = (ptr_ + length) & kWindowMask;
    } else {
        for (uint32_t i = 0; i < length; ++i) {
            w[ptr_] = w[src];
            ptr_ = (ptr_ + 1) & kWindowMask;
            src = (src + 1) & kWindowMask;
        }
    }
    return true;
}

bool RarDecoder::decodeAudio(int64_t& countdown)
{
    const int symbol = audio_[channel_].decode(in_);
    if (symbol == kAudioSymTables)
        return readTables();
    AudioPredictor& p = predictors_[channel_];
    const uint8_t byte = uint8_t(p.predict(channelDelta_) - symbol);
    p.update(uint8_t(symbol), byte, channelDelta_);
    putByte(byte);
    --countdown;
    if (++channel_ >= channels_)
        channel_ = 0;
    return true;
}

int RarDecoder::directRun(int64_t& countdown)
{
    BitInput in = in_;
    uint8_t* const begin = base_;
    uint8_t* out = base_ + ptr_;
    uint8_t* const stop = base_ + runEnd_;
    uint8_t* const end = base_ + outputCap_;
    int result = kRunEnded;
    while (out < stop) {
        if (in.nearEnd() && in.overrun()) {
            result = kRunBroken;
            break;
        }
        // One refill covers the longest symbol: a 15-bit code, 5 length bits, a 15-bit
        // distance code and 16 distance bits.
        in.refill();
        const uint32_t entry = literals_.entry(in);
        if ((entry & HuffmanDecoder::kPair) && end - out >= 2) {
            out[0] = uint8_t(entry >> 4);
            out[1] = uint8_t(entry >> 16);
            out += 2;
            in.skip(entry >> 24);
            continue;
        }
        const int symbol = literals_.decodeEntry(in, entry);
        if (symbol < 256) {
            *out++ = uint8_t(symbol);
            continue;
        }
        uint32_t length, distance;
        if (symbol >= kSymLength) {
            const int slot = symbol - kSymLength;
            length = kLengthBase[slot] + 3 + in.take(kLengthBits[slot]);
            const int d = distances_.decodeBuffered(in);
            distance = kDistanceBase[d] + 1 + in.take(kDistanceBits[d]);
            length += matchLengthBonus(distance);
        } else if (symbol == kSymRepeatLast) {
            length = lastLength_;
            distance = lastDistance_;
        } else if (symbol < kSymShortDistance) {
            distance = oldDistances_[(oldIndex_ - uint32_t(symbol - kSymRepeatLast)) & 3];
            const int slot = repeats_.decodeBuffered(in);
            length = kLengthBase[slot] + 2 + in.take(kLengthBits[slot]) + oldDistanceLengthBonus(distance);
        } else if (symbol < kSymTables) {
            const int slot = symbol - kSymShortDistance;
            length = 2;
            distance = kShortBase[slot] + 1 + in.take(kShortBits[slot]);
        } else {
            result = kSymTables;
            break;
        }
        // Distance 0, or one before the start of the data (an empty repeat is harmless).
        if (length > 0 && uint64_t(distance) - 1 >= uint64_t(out - begin)) {
            result = kRunBroken;
            break;
        }
        rememberMatch(length, distance);
        out = copyInOutput(out, end, distance, length);
    }
    in_ = in;
    ptr_ = uint32_t(out - begin);
    total_ = ptr_;
    countdown = stop - out;
    return result;
}

int RarDecoder::audioRun(int64_t& countdown)
{
    switch (channels_) {
    case 1:
        return audioFrames<1>(countdown);
    case 2:
        return audioFrames<2>(countdown);
    case 3:
        return audioFrames<3>(countdown);
    default:
        return audioFrames<4>(countdown);
    }
}

template <int Channels>
int RarDecoder::audioFrames(int64_t& countdown)
{
    BitInput in = in_;
    uint8_t* out = base_ + ptr_;
    uint8_t* const end = base_ + runEnd_;
    int channel = channel_;
    int delta = channelDelta_;
    int result = kRunEnded;
    // One byte of `channel`; false when the stream breaks or new tables come.
    const auto step = [&](int c) {
        if (in.nearEnd() && in.overrun()) {
            result = kRunBroken;
            return false;
        }
        const int symbol = audio_[c].decode(in);
        if (symbol == kAudioSymTables) {
            result = kAudioSymTables;
            return false;
        }
        AudioPredictor& p = predictors_[c];
        const uint8_t byte = uint8_t(p.predict(delta) - symbol);
        p.update(uint8_t(symbol), byte, delta);
        *out++ = byte;
        return true;
    };
    // Byte by byte to the start of a frame, whole frames with each channel known at compile
    // time, then byte by byte again. A step that fails leaves `channel` at the byte not made.
    const auto next = [](int c) { return c + 1 < Channels ? c + 1 : 0; };
    bool running = true;
    while (channel != 0 && out < end && (running = step(channel)))
        channel = next(channel);
    while (running && end - out >= Channels) {
        for (int c = 0; c < Channels; ++c) {
            if (!step(c)) {
                channel = c;
                running = false;
                break;
            }
        }
    }
    while (running && out < end && (running = step(channel)))
        channel = next(channel);
    in_ = in;
    ptr_ = uint32_t(out - base_);
    total_ = ptr_;
    channel_ = channel;
    channelDelta_ = delta;
    countdown = end - out;
    return result;
}

bool RarDecoder::decodeNormal(int64_t& countdown)
{
    const int symbol = literals_.decode(in_);
    if (symbol < 256) {
        putByte(uint8_t(symbol));
        --countdown;
        return true;
    }
    if (symbol >= kSymLength) {
        const int slot = symbol - kSymLength;
        uint32_t length = kLengthBase[slot] + 3 + in_.read(kLengthBits[slot]);
        const int d = distances_.decode(in_);
        const uint32_t distance = kDistanceBase[d] + 1 + in_.read(kDistanceBits[d]);
        length += matchLengthBonus(distance);
        return copyMatch(length, distance, countdown);
    }
    if (symbol == kSymRepeatLast)
        return copyMatch(lastLength_, lastDistance_, countdown);
    if (symbol < kSymShortDistance) {
        const uint32_t distance = oldDistances_[(oldIndex_ - uint32_t(symbol - kSymRepeatLast)) & 3];
        const int slot = repeats_.decode(in_);
        uint32_t length = kLengthBase[slot] + 2 + in_.read(kLengthBits[slot]);
        length += oldDistanceLengthBonus(distance);
        return copyMatch(length, distance, countdown);
    }
    if (symbol < kSymTables) {
        const int slot = symbol - kSymShortDistance;
        const uint32_t distance = kShortBase[slot] + 1 + in_.read(kShortBits[slot]);
        return copyMatch(2, distance, countdown);
    }
    return readTables();
}

// Reading well past the packed data stops decoding early; an entry whose last symbols did so
// fails as well once it is complete, whichever way it was decoded: the direct loop checks once
// per lookup, which may yield two literals, the window loop once per symbol.
template <bool Direct>
bool RarDecoder::decodeLoop(int64_t& countdown)
{
    while (countdown > 0) {
        if (in_.overrun())
            return false;
        if (Direct) {
            const int result = audioMode_ ? audioRun(countdown) : directRun(countdown);
            if (result == kRunBroken || (result >= 0 && !readTables()))
                return false;
        } else if (audioMode_) {
            if (((flushPtr_ - ptr_) & kWindowMask) < 270 && flushPtr_ != ptr_)
                flush();
            if (!decodeAudio(countdown))
                return false;
        } else {
            if (((flushPtr_ - ptr_) & kWindowMask) < 270 && flushPtr_ != ptr_)
                flush();
            if (!decodeNormal(countdown))
                return false;
        }
    }
    return true;
}

bool RarDecoder::begin(const uint8_t* packed, uint32_t packSize, bool continueSolid)
{
    in_.reset(packed, packSize);
    if (!continueSolid) {
        resetState();
        return readTables();
    }
    return tablesRead_ && base_ == window_.get();  // else there is nothing to continue from
}

void RarDecoder::readTrailingTables()
{
    if (in_.bytesLeft() >= 5) {
        const int symbol = audioMode_ ? audio_[channel_].decode(in_) : literals_.decode(in_);
        if (symbol == (audioMode_ ? kAudioSymTables : kSymTables))
            readTables();
    }
}

bool RarDecoder::unpack(const uint8_t* packed, uint32_t packSize, uint32_t unpSize, bool continueSolid, bool keepWindow,
                        uint8_t* output, uint32_t& produced)
{
    produced = 0;
    output_ = output;
    outputSize_ = 0;
    outputCap_ = runEnd_ = unpSize;
    const bool direct = output != nullptr && !keepWindow && !continueSolid;
    if (!direct && !window_) {
        window_.reset(static_cast<uint8_t*>(std::malloc(kWindowSize)));
        if (!window_)
            return false;
    }
    if (!begin(packed, packSize, continueSolid))
        return false;
    base_ = direct ? output : window_.get();

    int64_t countdown = unpSize;
    if (!(direct ? decodeLoop<true>(countdown) : decodeLoop<false>(countdown)) || in_.overrun())
        return false;
    readTrailingTables();
    if (direct) {
        produced = ptr_;
        return true;
    }
    flush();
    produced = outputSize_;
    return true;
}

bool RarDecoder::unpackStreaming(const uint8_t* packed, uint32_t packSize, uint32_t unpSize, bool continueSolid,
                                 const Sink& sink, uint32_t& produced, uint32_t step)
{
    // Each step decodes `step` bytes behind the 1 MB of history (the farthest a match reaches),
    // plus room for a match that starts before the step's end.
    constexpr uint32_t kSlack = 1024;
    step = std::clamp(step, 1u, kStreamStep);
    const uint32_t bufferSize = kWindowSize + step + kSlack;
    produced = 0;
    output_ = nullptr;
    if (streamSize_ != bufferSize) {
        stream_.reset(allocateUnpackBuffer(bufferSize));
        streamSize_ = stream_ ? bufferSize : 0;
        if (!stream_)
            return false;
    }
    if (!begin(packed, packSize, continueSolid))
        return false;
    uint8_t* const buffer = stream_.get();
    uint32_t history = 0;
    if (continueSolid) {
        // The window's bytes, oldest first, become the history in front of this entry.
        history = uint32_t(std::min<uint64_t>(total_, kWindowSize));
        const uint32_t from = (ptr_ - history) & kWindowMask;
        const uint32_t first = std::min(history, kWindowSize - from);
        std::memcpy(buffer, window_.get() + from, first);
        std::memcpy(buffer + first, window_.get(), history - first);
    }
    base_ = buffer;
    ptr_ = history;

    uint64_t left = unpSize;
    for (;;) {
        const uint32_t stepStart = ptr_;
        const uint64_t entryEnd = stepStart + left;
        if (entryEnd <= bufferSize) {
            outputCap_ = runEnd_ = uint32_t(entryEnd);
        } else {
            runEnd_ = kWindowSize + step;
            outputCap_ = bufferSize;
        }
        int64_t countdown = runEnd_ - stepStart;
        if (!decodeLoop<true>(countdown))
            return false;
        const uint32_t done = ptr_ - stepStart;
        if (done > 0 && !sink(buffer + stepStart, done))
            return false;
        produced += done;
        left -= done;
        if (left == 0)
            break;
        std::memmove(buffer, buffer + ptr_ - kWindowSize, kWindowSize);
        ptr_ = kWindowSize;
    }
    if (in_.overrun())
        return false;
    readTrailingTables();
    return true;
}

}  // namespace velmora
