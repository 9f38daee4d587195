// The RAR 2.0 archive reader: marker, main header, block walk, name match and entry unpacking.
#include "resources/archive.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include "resources/crc32.h"
#include "resources/rar_decoder.h"
#include "resources/rar_format.h"

namespace velmora {
namespace {

uint16_t get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

uint32_t get32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Upper bound of what a valid stream can unpack to: a one-bit code repeating the longest
// match (260 bytes) for every bit.
constexpr uint64_t kMaxExpansion = 260 * 8;

void normalizeName(const char* in, std::string& out)
{
    out.clear();
    for (; *in; ++in) {
        char c = *in;
        if (c == '\\' || c == '/')
            c = '_';
        else if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        out.push_back(c);
    }
}

}  // namespace

bool archiveNamesMatch(const char* a, const char* b) { return archiveNameKey(a) == archiveNameKey(b); }

std::string archiveNameKey(const char* name)
{
    std::string key;
    normalizeName(name, key);
    return key;
}

ArchiveWalk::ArchiveWalk(const uint8_t* image, uint32_t length) : image_(image), length_(length) {}

bool ArchiveWalk::open()
{
    offset_ = 0;
    solid_ = false;
    if (image_ == nullptr || length_ < rar::kMarkerSize)
        return false;
    const bool known = std::memcmp(image_, rar::kMarker, rar::kMarkerSize) == 0 ||
                       std::memcmp(image_, rar::kAltMarker, rar::kMarkerSize) == 0;
    offset_ = rar::kMarkerSize;
    if (!known)
        return true;  // an unknown marker is not rejected: the walk starts right behind it
    if (offset_ + rar::kMainHeaderSize > length_)
        return false;
    const uint8_t* h = image_ + offset_;
    solid_ = (get16(h + 3) & rar::kMainSolid) != 0;
    const uint16_t headSize = get16(h + 5);
    offset_ += headSize > rar::kMainHeaderSize ? headSize : rar::kMainHeaderSize;
    return true;
}

ArchiveWalk::Step ArchiveWalk::next(ArchiveEntry& entry)
{
    for (;;) {
        const uint64_t start = offset_;
        if (start + 7 <= length_ && image_[start + 2] == rar::kEndHead)
            return Step::End;
        if (start + rar::kFileHeaderSize > length_)
            return start == length_ ? Step::End : Step::Broken;
        const uint8_t* h = image_ + start;
        const uint8_t type = h[2];
        const uint16_t flags = get16(h + 3);
        const uint16_t headSize = get16(h + 5);
        const uint32_t packSize = get32(h + 7);
        if (headSize < 7)
            return Step::Broken;
        offset_ = start + headSize + ((flags & rar::kLongBlock) ? packSize : 0);
        if (type == rar::kSubHead)
            return Step::SubBlock;
        if (type != rar::kFileHead)
            continue;

        const uint16_t nameSize = get16(h + 26);
        if (headSize < rar::kFileHeaderSize + uint32_t(nameSize) || start + headSize + packSize > length_)
            return Step::Broken;
        entry.flags = flags;
        entry.packSize = packSize;
        entry.unpSize = get32(h + 11);
        entry.hostOs = h[15];
        entry.fileCrc = get32(h + 16);
        entry.fileTime = get32(h + 20);
        entry.unpVer = h[24];
        entry.method = h[25];
        entry.attributes = get32(h + 28);
        entry.dataOffset = uint32_t(start + headSize);
        const char* name = reinterpret_cast<const char*>(h + rar::kFileHeaderSize);
        const size_t cut = nameSize < rar::kMaxNameSize ? nameSize : rar::kMaxNameSize;
        entry.name.assign(name, strnlen(name, cut));
        return Step::Entry;
    }
}

namespace {

// False when the entry cannot be unpacked at all: an unknown version, or sizes no valid data
// can have (stored data shorter than the file, or more output than any stream can expand to).
bool unpackable(const ArchiveEntry& entry)
{
    if (entry.unpVer < rar::kMinUnpVer || entry.unpVer > rar::kMaxUnpVer)
        return false;
    return entry.method == rar::kMethodStore ? entry.packSize >= entry.unpSize
                                             : entry.unpSize <= entry.packSize * kMaxExpansion;
}

// Unpacks the file entry `entry` of the walk over `image`. With `keep` the output is checked
// against the entry's size and CRC and handed back in `*output` (a malloc block, null when
// empty); without, the entry only runs through the decoder, as a solid chain needs it to.
bool unpackEntry(const uint8_t* image, const ArchiveEntry& entry, bool solid, bool keep,
                 std::unique_ptr<RarDecoder>& decoder, uint8_t** output, uint32_t* outputSize)
{
    if (!unpackable(entry))
        return false;
    const uint8_t* packed = image + entry.dataOffset;
    const bool stored = entry.method == rar::kMethodStore;

    std::unique_ptr<uint8_t, decltype(&std::free)> buffer(nullptr, &std::free);
    if (keep && entry.unpSize > 0) {
        buffer.reset(allocateUnpackBuffer(entry.unpSize));
        if (!buffer)
            return false;
    }

    uint32_t produced = 0;
    if (stored) {
        if (keep) {
            produced = entry.unpSize;
            if (produced > 0)
                std::memcpy(buffer.get(), packed, produced);
        }
    } else if (entry.unpSize > 0 || solid) {
        if (!decoder)
            decoder.reset(new RarDecoder);  // not value-initialized: its lookup tables are built before use
        if (!decoder->unpack(packed,
                             entry.packSize,
                             entry.unpSize,
                             (entry.flags & rar::kSolidContinue) != 0,
                             solid,
                             buffer.get(),
                             produced))
            return false;
    }
    if (!keep)
        return true;
    if (produced != entry.unpSize || crc32(buffer.get(), produced) != entry.fileCrc)
        return false;
    *output = buffer.release();
    *outputSize = produced;
    return true;
}

// Hands the file entry `entry` to `sink` as it is unpacked, and checks its size and CRC at the end.
bool streamEntry(const uint8_t* image, const ArchiveEntry& entry, bool solid, std::unique_ptr<RarDecoder>& decoder,
                 const EntrySink& sink)
{
    if (!unpackable(entry))
        return false;
    uint32_t crc = 0;
    uint64_t handed = 0;
    const EntrySink checked = [&](const uint8_t* data, size_t size) {
        crc = crc32(data, size, crc);
        handed += size;
        return sink(data, size);
    };
    const uint8_t* packed = image + entry.dataOffset;
    if (entry.method == rar::kMethodStore) {
        if (entry.unpSize > 0 && !checked(packed, entry.unpSize))
            return false;
    } else if (entry.unpSize > 0 || solid) {
        if (!decoder)
            decoder.reset(new RarDecoder);
        uint32_t produced = 0;
        if (!decoder->unpackStreaming(
                packed, entry.packSize, entry.unpSize, (entry.flags & rar::kSolidContinue) != 0, checked, produced))
            return false;
    }
    return handed == entry.unpSize && crc == entry.fileCrc;
}

// Walks to the entry called `name`, running the entries of a solid chain in front of it
// through the decoder, and hands it to `take` (a directory counts as found, with nothing to
// take). False when it is not there, or an entry on the way fails.
template <class Take>
bool findEntry(const uint8_t* image, uint32_t length, const char* name, const Take& take)
{
    ArchiveWalk walk(image, length);
    if (name == nullptr || !walk.open())
        return false;

    std::string wanted, candidate;
    normalizeName(name, wanted);
    std::unique_ptr<RarDecoder> decoder;  // made on the first compressed entry
    ArchiveEntry entry;
    while (walk.next(entry) == ArchiveWalk::Step::Entry) {
        normalizeName(entry.name.c_str(), candidate);
        const bool match = candidate == wanted;
        if (entry.isDirectory()) {
            if (match)
                return true;
            continue;
        }
        if (match)
            return take(entry, walk.solid(), decoder);
        if (walk.solid() && !unpackEntry(image, entry, true, false, decoder, nullptr, nullptr))
            return false;
    }
    return false;
}

}  // namespace

bool extractArchiveEntry(const uint8_t* image, uint32_t length, const char* name, uint8_t** output,
                         uint32_t* outputSize)
{
    *output = nullptr;
    *outputSize = 0;
    return findEntry(
        image, length, name, [&](const ArchiveEntry& entry, bool solid, std::unique_ptr<RarDecoder>& decoder) {
            return unpackEntry(image, entry, solid, true, decoder, output, outputSize);
        });
}

bool streamArchiveEntry(const uint8_t* image, uint32_t length, const char* name, const EntrySink& sink)
{
    return findEntry(
        image, length, name, [&](const ArchiveEntry& entry, bool solid, std::unique_ptr<RarDecoder>& decoder) {
            return streamEntry(image, entry, solid, decoder, sink);
        });
}

bool unpackWholeArchive(const uint8_t* image, uint32_t length,
                        const std::function<void(const std::string& key, uint8_t* data, uint32_t size)>& take)
{
    ArchiveWalk walk(image, length);
    if (!walk.open())
        return false;
    std::unique_ptr<RarDecoder> decoder;
    ArchiveEntry entry;
    std::string key;
    ArchiveWalk::Step step;
    while ((step = walk.next(entry)) == ArchiveWalk::Step::Entry) {
        normalizeName(entry.name.c_str(), key);
        uint8_t* data = nullptr;
        uint32_t size = 0;
        if (!entry.isDirectory() && !unpackEntry(image, entry, walk.solid(), true, decoder, &data, &size))
            return false;
        take(key, data, size);
    }
    return step == ArchiveWalk::Step::End;
}

}  // namespace velmora
