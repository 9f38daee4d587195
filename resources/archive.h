// The RAR 2.0 archive reader: walks an archive image in memory and unpacks one entry by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace velmora {

// One file entry as its header describes it.
struct ArchiveEntry {
    std::string name;  // as stored (backslashes), cut to 259 bytes and at the first NUL
    uint16_t flags = 0;
    uint32_t packSize = 0;
    uint32_t unpSize = 0;
    uint8_t hostOs = 0;
    uint32_t fileCrc = 0;
    uint32_t fileTime = 0;  // MS-DOS date and time
    uint8_t unpVer = 0;
    uint8_t method = 0;
    uint32_t attributes = 0;
    uint32_t dataOffset = 0;  // packed data: block start + HeadSize, within the image

    bool isDirectory() const { return (flags & 0x00E0) == 0x00E0; }
};

// Header walk over an archive image. The image must outlive the walk.
class ArchiveWalk {
public:
    enum class Step {
        Entry,     // `entry` holds the next file entry
        End,       // no further block header fits, or an end-of-archive block
        SubBlock,  // a sub-block: the search stops here
        Broken,    // a header is malformed or runs past the end of the image
    };

    ArchiveWalk(const uint8_t* image, uint32_t length);

    // Reads the marker and, behind a known marker, the main header. False when that header is short.
    bool open();
    bool solid() const { return solid_; }
    Step next(ArchiveEntry& entry);

private:
    const uint8_t* image_;
    uint32_t length_;
    uint64_t offset_ = 0;
    bool solid_ = false;
};

// The archive's name comparison: ASCII case ignored, "/", "\" and "_" alike.
bool archiveNamesMatch(const char* a, const char* b);
// The form in which that comparison sees a name; two names match when their keys are equal.
std::string archiveNameKey(const char* name);

// Finds `name` in the archive image and unpacks it. On success returns true with `*output` a
// malloc block of `*outputSize` bytes owned by the caller (null when the entry is empty or a
// directory). On failure returns false with null and 0. Prints nothing.
bool extractArchiveEntry(const uint8_t* image, uint32_t length, const char* name, uint8_t** output,
                         uint32_t* outputSize);

// Receives an entry's bytes in order, a piece at a time; false stops the unpacking.
using EntrySink = std::function<bool(const uint8_t* data, size_t size)>;

// Finds `name` in the archive image as extractArchiveEntry does, but hands the entry's bytes to
// `sink` as they are unpacked, so that an entry of any size needs only a few MB of memory. The
// size and CRC are checked at the end: on failure the sink may have had some of the bytes.
bool streamArchiveEntry(const uint8_t* image, uint32_t length, const char* name, const EntrySink& sink);

// Unpacks every entry in order in one pass, handing each to `take` under its name key: a file's
// data as a malloc block the callee owns (null when empty), a directory with null. Stops at the
// end of the archive, a broken header, or the first file that fails to unpack or to check its
// CRC; true only when it reached the end. For a solid archive, where unpacking one entry means
// unpacking all before it, this is the cheap way to read many entries.
bool unpackWholeArchive(const uint8_t* image, uint32_t length,
                        const std::function<void(const std::string& key, uint8_t* data, uint32_t size)>& take);

}  // namespace velmora
