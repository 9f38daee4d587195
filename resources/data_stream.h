// Seekable in-memory stream over one data file's bytes.
#pragma once

#include <cstdint>

namespace velmora {

class DataStream {
public:
    virtual ~DataStream() = default;
    // Copy `count` bytes from the position and advance; clamped to the end of the data.
    virtual int read(void* buffer, uint32_t count) = 0;
    // Copy `count` bytes to the position and advance; clamped to the end of the data.
    virtual int write(const void* buffer, uint32_t count) = 0;
    // Origin 0: from the start; 1: from the position; 2: back from the end. Not clamped.
    virtual int seek(uint32_t offset, int origin) = 0;
    virtual uint32_t tell() const = 0;
    virtual uint32_t size() const = 0;
    virtual bool eof() const = 0;

    // The bytes themselves, for parsers that walk the buffer; null when nothing is loaded.
    const uint8_t* data() const { return data_; }

protected:
    uint8_t* data_ = nullptr;
    uint32_t position_ = 0;
    uint32_t size_ = 0;
};

}  // namespace velmora
