// A show attached to the end of a player executable (a "bundle"), and where an executable's own
// image ends. Layout behind the image, all numbers little-endian:
//
//   header   8 bytes magic "VLMSHOW1", 8 bytes archive size N
//   archive  N bytes, a RAR archive holding data/...
//   trailer  8 bytes archive size N, 4 bytes CRC-32 of the archive, 4 bytes zero,
//            8 bytes magic "VLMSHOW1"
//
// The header tells a cut-short attachment (header present, trailer missing or disagreeing) from
// none; the image's end comes from the executable's own headers (ELF or PE), so it is known
// without any attachment.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora::bundle {

constexpr uint8_t kMagic[8] = {'V', 'L', 'M', 'S', 'H', 'O', 'W', '1'};
constexpr size_t kHeaderSize = 16;
constexpr size_t kTrailerSize = 24;

// Random access to a file of `size` bytes. `read` is only called for ranges inside the file and
// returns false when the bytes cannot be had.
struct ByteSource {
    uint64_t size = 0;
    std::function<bool(uint64_t offset, uint8_t* out, size_t count)> read;
};

// Where the executable image (ELF or PE, with its section and symbol tables) ends; nullopt
// when the bytes are neither or their headers point outside the file.
std::optional<uint64_t> executableImageEnd(const ByteSource& file);

struct Attachment {
    enum class Status {
        None,           // the file ends with its image: no show attached
        Found,          // `archive` holds the attached show
        Truncated,      // an attachment begins but the file ends before it does
        Damaged,        // complete, but the archive's CRC does not match
        Foreign,        // bytes behind the image that are not an attached show
        NotExecutable,  // the file is not an executable this reader understands
        Unreadable,     // the file could not be read
    };
    Status status = Status::None;
    std::vector<uint8_t> archive;
    std::string problem;  // all but None and Found: one line without a line break
};

// The show attached to `file`, checked against its size and CRC. Nothing outside
// [0, file.size) is read.
Attachment readAttachment(const ByteSource& file);

// The same for a file on disk.
Attachment readAttachment(const std::filesystem::path& path);

// Header, archive and trailer: the bytes to write behind a player's image.
std::vector<uint8_t> attachmentBytes(const std::vector<uint8_t>& archive);

}  // namespace velmora::bundle
