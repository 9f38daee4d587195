// libFuzzer target for the archive extractor: any bytes as an archive image; every entry the
// walk finds is extracted by name, and a success must give that entry's size and CRC. The
// one-pass reader of solid archives must answer every name exactly as the single lookup does.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "resources/archive.h"
#include "resources/crc32.h"
#include "resources/unpacked_archive.h"

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
    for (const velmora::ArchiveEntry& e : entries)
        names.push_back(e.name);
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
