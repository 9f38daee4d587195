// libFuzzer target for the archive extractor: any bytes as an archive image; every entry the
// walk finds is extracted by name, and a success must give that entry's size and CRC. The
// one-pass reader of solid archives and the streaming reader must answer every name exactly as
// the single lookup does, and the decoder's two ways (straight into the output, and through its
// window) must make the same bytes of every compressed entry.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "resources/archive.h"
#include "resources/crc32.h"
#include "resources/rar_decoder.h"
#include "resources/unpacked_archive.h"

namespace {

// Decodes `e` straight into its output and again through the window: the same success, the same
// bytes. Entries of up to 1 MB, so that a header's size field cannot make a run slow.
void compareDecodingWays(const uint8_t* data, const velmora::ArchiveEntry& e)
{
    if (e.isDirectory() || e.method == velmora::rar::kMethodStore || e.unpSize == 0 || e.unpSize > (1u << 20))
        return;
    std::vector<uint8_t> direct(e.unpSize), windowed(e.unpSize);
    uint32_t directSize = 0, windowedSize = 0;
    velmora::RarDecoder a, b;
    const uint8_t* packed = data + e.dataOffset;
    const bool ok = a.unpack(packed, e.packSize, e.unpSize, false, false, direct.data(), directSize);
    if (ok != b.unpack(packed, e.packSize, e.unpSize, false, true, windowed.data(), windowedSize) ||
        (ok && (directSize != windowedSize || std::memcmp(direct.data(), windowed.data(), directSize) != 0)))
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    const auto length = static_cast<uint32_t>(size);
    std::vector<velmora::ArchiveEntry> entries;
    velmora::ArchiveWalk walk(data, length);
    if (walk.open()) {
        velmora::ArchiveEntry entry;
        while (entries.size() < 8 && walk.next(entry) == velmora::ArchiveWalk::Step::Entry)
            entries.push_back(entry);
    }
    std::vector<std::string> names{"data/script.txt"};
    for (const velmora::ArchiveEntry& e : entries) {
        names.push_back(e.name);
        compareDecodingWays(data, e);
    }
    velmora::UnpackedArchive unpacked;
    unpacked.reset(data, length);
    for (const std::string& name : names) {
        uint8_t* out = nullptr;
        uint32_t outSize = 0;
        const bool found = velmora::extractArchiveEntry(data, length, name.c_str(), &out, &outSize);
        uint8_t* again = nullptr;
        uint32_t againSize = 0;
        if (unpacked.extract(name.c_str(), &again, &againSize) != found || againSize != outSize ||
            (outSize > 0 && std::memcmp(out, again, outSize) != 0))
            __builtin_trap();
        std::free(again);
        std::vector<uint8_t> streamed;  // the streaming reader answers alike
        const bool streamOk = velmora::streamArchiveEntry(data, length, name.c_str(), [&](const uint8_t* p, size_t n) {
            streamed.insert(streamed.end(), p, p + n);
            return true;
        });
        if (streamOk != found ||
            (found && (streamed.size() != outSize || (outSize > 0 && std::memcmp(out, streamed.data(), outSize) != 0))))
            __builtin_trap();
        if (!found) {
            if (out != nullptr || outSize != 0)
                __builtin_trap();  // a failure must not hand out a buffer
            continue;
        }
        // Success means the whole of the first entry of that name, with its CRC.
        for (const velmora::ArchiveEntry& e : entries) {
            if (!velmora::archiveNamesMatch(e.name.c_str(), name.c_str()))
                continue;
            if (!e.isDirectory() && (outSize != e.unpSize || velmora::crc32(out, outSize) != e.fileCrc))
                __builtin_trap();
            break;
        }
        std::free(out);
    }
    return 0;
}
