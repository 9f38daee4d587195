// libFuzzer target for the reader of shows attached to players: any bytes as a whole program
// file. The reader reads only inside the file, and what it calls found is an archive whose size
// and CRC the trailer gives.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "resources/crc32.h"
#include "resources/show_bundle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    velmora::bundle::ByteSource file;
    file.size = size;
    file.read = [data, size](uint64_t offset, uint8_t* out, size_t count) {
        if (offset > size || count > size - offset)
            __builtin_trap();  // a read outside the file
        std::memcpy(out, data + offset, count);
        return true;
    };
    const velmora::bundle::Attachment found = velmora::bundle::readAttachment(file);
    if (found.status == velmora::bundle::Attachment::Status::Found) {
        const size_t trailer = size - velmora::bundle::kTrailerSize;
        uint32_t crc = 0;
        std::memcpy(&crc, data + trailer + 8, 4);
        if (found.archive.size() + velmora::bundle::kHeaderSize + velmora::bundle::kTrailerSize > size ||
            velmora::crc32(found.archive.data(), found.archive.size()) != crc)
            __builtin_trap();
    }
    return 0;
}
