// Reading and writing a show attached behind a player executable.
#include "resources/show_bundle.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <system_error>

#include "resources/crc32.h"
#include "resources/rar_format.h"

namespace velmora::bundle {

namespace {

uint64_t readLe(const uint8_t* p, size_t bytes)
{
    uint64_t v = 0;
    for (size_t i = bytes; i-- > 0;)
        v = v << 8 | p[i];
    return v;
}

void putLe(std::vector<uint8_t>& out, uint64_t v, size_t bytes)
{
    for (size_t i = 0; i < bytes; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

// Reads `count` bytes at `offset` when they lie inside the file.
bool readAt(const ByteSource& file, uint64_t offset, uint8_t* out, size_t count)
{
    if (offset > file.size || count > file.size - offset)
        return false;
    return count == 0 || file.read(offset, out, count);
}

// Grows `end` to cover [offset, offset + size); false when that range leaves the file.
bool cover(const ByteSource& file, uint64_t offset, uint64_t size, uint64_t& end)
{
    if (offset > file.size || size > file.size - offset)
        return false;
    end = std::max(end, offset + size);
    return true;
}

// A table of `count` records of `recordSize` bytes at `offset`, read in one piece (the tables of an
// executable are a few kilobytes).
bool readTable(const ByteSource& file, uint64_t offset, uint64_t count, uint64_t recordSize,
               std::vector<uint8_t>& table)
{
    if (count > 0xFFFF || recordSize > 0x1000)
        return false;
    table.resize(size_t(count * recordSize));
    return readAt(file, offset, table.data(), table.size());
}

std::optional<uint64_t> elfImageEnd(const ByteSource& file, const uint8_t* ident)
{
    constexpr uint32_t kNoBits = 8;  // SHT_NOBITS: a section with no bytes in the file
    const bool wide = ident[4] == 2;
    if ((ident[4] != 1 && ident[4] != 2) || ident[5] != 1)  // 32 or 64 bits, little-endian
        return std::nullopt;
    uint8_t h[64];
    const size_t headerSize = wide ? 64 : 52;
    if (!readAt(file, 0, h, headerSize))
        return std::nullopt;
    // Field offsets differ between the two classes only by the width of addresses.
    const size_t a = wide ? 8 : 4;
    const uint64_t phoff = readLe(h + 24 + a, a);
    const uint64_t shoff = readLe(h + 24 + 2 * a, a);
    const size_t tail = 24 + 3 * a + 4;  // behind e_flags
    const uint64_t phentsize = readLe(h + tail + 2, 2);
    const uint64_t phnum = readLe(h + tail + 4, 2);
    const uint64_t shentsize = readLe(h + tail + 6, 2);
    const uint64_t shnum = readLe(h + tail + 8, 2);
    const size_t minPh = wide ? 56 : 32;
    const size_t minSh = wide ? 64 : 40;

    uint64_t end = headerSize;
    std::vector<uint8_t> table;
    if (phnum > 0) {
        if (phentsize < minPh || !readTable(file, phoff, phnum, phentsize, table) ||
            !cover(file, phoff, phnum * phentsize, end))
            return std::nullopt;
        for (uint64_t i = 0; i < phnum; ++i) {
            const uint8_t* p = table.data() + i * phentsize;
            const uint64_t offset = wide ? readLe(p + 8, 8) : readLe(p + 4, 4);
            const uint64_t size = wide ? readLe(p + 32, 8) : readLe(p + 16, 4);
            if (!cover(file, offset, size, end))
                return std::nullopt;
        }
    }
    if (shnum > 0) {
        if (shentsize < minSh || !readTable(file, shoff, shnum, shentsize, table) ||
            !cover(file, shoff, shnum * shentsize, end))
            return std::nullopt;
        for (uint64_t i = 0; i < shnum; ++i) {
            const uint8_t* s = table.data() + i * shentsize;
            if (readLe(s + 4, 4) == kNoBits)
                continue;
            const uint64_t offset = wide ? readLe(s + 24, 8) : readLe(s + 16, 4);
            const uint64_t size = wide ? readLe(s + 32, 8) : readLe(s + 20, 4);
            if (!cover(file, offset, size, end))
                return std::nullopt;
        }
    }
    return end;
}

std::optional<uint64_t> peImageEnd(const ByteSource& file, const uint8_t* dos)
{
    const uint64_t pe = readLe(dos + 0x3C, 4);
    uint8_t coff[24];
    if (!readAt(file, pe, coff, sizeof coff) || std::memcmp(coff, "PE\0\0", 4) != 0)
        return std::nullopt;
    const uint64_t sections = readLe(coff + 6, 2);
    const uint64_t symbols = readLe(coff + 12, 4);
    const uint64_t symbolCount = readLe(coff + 16, 4);
    const uint64_t optionalSize = readLe(coff + 20, 2);
    const uint64_t optional = pe + 24;

    uint64_t end = optional;
    std::vector<uint8_t> header;
    if (!readTable(file, optional, 1, optionalSize, header) || !cover(file, optional, optionalSize, end))
        return std::nullopt;
    // Size of the headers, and the certificate table (a file offset, unlike the other directories).
    if (optionalSize >= 64 && !cover(file, 0, readLe(header.data() + 60, 4), end))
        return std::nullopt;
    const bool pe32Plus = optionalSize >= 2 && readLe(header.data(), 2) == 0x20B;
    const size_t certificate = (pe32Plus ? 112 : 96) + 4 * 8;
    if (optionalSize >= certificate + 8) {
        const uint64_t offset = readLe(header.data() + certificate, 4);
        const uint64_t size = readLe(header.data() + certificate + 4, 4);
        if (size > 0 && !cover(file, offset, size, end))
            return std::nullopt;
    }

    std::vector<uint8_t> table;
    const uint64_t tableOffset = optional + optionalSize;
    if (!readTable(file, tableOffset, sections, 40, table) || !cover(file, tableOffset, sections * 40, end))
        return std::nullopt;
    for (uint64_t i = 0; i < sections; ++i) {
        const uint8_t* s = table.data() + i * 40;
        const uint64_t size = readLe(s + 16, 4);
        const uint64_t offset = readLe(s + 20, 4);
        if (size > 0 && !cover(file, offset, size, end))
            return std::nullopt;
    }
    // An unstripped image keeps a COFF symbol table and its string table (which begins with its
    // own length) behind the sections.
    if (symbols != 0) {
        const uint64_t strings = symbols + symbolCount * 18;
        uint8_t length[4];
        if (!readAt(file, strings, length, 4) || !cover(file, strings, readLe(length, 4), end))
            return std::nullopt;
    }
    return end;
}

Attachment failed(Attachment::Status status, std::string problem)
{
    Attachment a;
    a.status = status;
    a.problem = std::move(problem);
    return a;
}

}  // namespace

std::optional<uint64_t> executableImageEnd(const ByteSource& file)
{
    uint8_t head[64];
    if (!readAt(file, 0, head, sizeof head))
        return std::nullopt;
    if (std::memcmp(head,
                    "\x7F"
                    "ELF",
                    4) == 0)
        return elfImageEnd(file, head);
    if (head[0] == 'M' && head[1] == 'Z')
        return peImageEnd(file, head);
    return std::nullopt;
}

Attachment readAttachment(const ByteSource& file)
{
    using Status = Attachment::Status;
    const std::optional<uint64_t> imageEnd = executableImageEnd(file);
    if (!imageEnd)
        return failed(Status::NotExecutable, "not a program this player can read");
    const uint64_t start = *imageEnd;
    const uint64_t attached = file.size - start;
    if (attached == 0)
        return {};

    uint8_t header[kHeaderSize];
    const size_t headerBytes = size_t(std::min<uint64_t>(attached, kHeaderSize));
    if (!readAt(file, start, header, headerBytes))
        return failed(Status::Unreadable, "cannot be read");
    if (std::memcmp(header, kMagic, std::min(headerBytes, sizeof kMagic)) != 0)
        return failed(Status::Foreign,
                      "it carries " + std::to_string(attached) + " bytes behind the program that are not a show");
    const uint64_t archiveSize = headerBytes == kHeaderSize ? readLe(header + 8, 8) : UINT64_MAX;
    if (archiveSize == UINT64_MAX || archiveSize > UINT64_MAX - kHeaderSize - kTrailerSize ||
        attached < kHeaderSize + archiveSize + kTrailerSize) {
        std::string whole = archiveSize == UINT64_MAX || archiveSize > UINT64_MAX - kHeaderSize - kTrailerSize
                                ? std::string("more")
                                : std::to_string(kHeaderSize + archiveSize + kTrailerSize);
        return failed(Status::Truncated,
                      "the show attached to it is cut short (" + std::to_string(attached) + " of " + whole +
                          " bytes): copy or bundle it again");
    }
    if (attached > kHeaderSize + archiveSize + kTrailerSize)
        return failed(Status::Foreign,
                      "it carries " + std::to_string(attached - kHeaderSize - archiveSize - kTrailerSize) +
                          " bytes behind its attached show that are not part of it");

    uint8_t trailer[kTrailerSize];
    if (!readAt(file, start + kHeaderSize + archiveSize, trailer, kTrailerSize))
        return failed(Status::Unreadable, "cannot be read");
    if (readLe(trailer, 8) != archiveSize || readLe(trailer + 12, 4) != 0 ||
        std::memcmp(trailer + 16, kMagic, sizeof kMagic) != 0)
        return failed(Status::Damaged, "the show attached to it is damaged (its trailer does not match its header)");
    if (archiveSize > UINT32_MAX)
        return failed(Status::Foreign, "the show attached to it is larger than 4 GB");

    Attachment a;
    a.archive.resize(size_t(archiveSize));
    if (!readAt(file, start + kHeaderSize, a.archive.data(), a.archive.size()))
        return failed(Status::Unreadable, "cannot be read");
    if (crc32(a.archive.data(), a.archive.size()) != uint32_t(readLe(trailer + 8, 4)))
        return failed(Status::Damaged, "the show attached to it is damaged (its checksum does not match)");
    if (a.archive.size() < rar::kMarkerSize || (std::memcmp(a.archive.data(), rar::kMarker, rar::kMarkerSize) != 0 &&
                                                std::memcmp(a.archive.data(), rar::kAltMarker, rar::kMarkerSize) != 0))
        return failed(Status::Foreign, "the data attached to it is not a RAR archive");
    a.status = Status::Found;
    return a;
}

Attachment readAttachment(const std::filesystem::path& path)
{
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    std::ifstream in(path, std::ios::binary);
    if (ec || !in)
        return failed(Attachment::Status::Unreadable, "cannot be read");
    ByteSource file;
    file.size = size;
    file.read = [&in](uint64_t offset, uint8_t* out, size_t count) {
        in.clear();
        return bool(in.seekg(std::streamoff(offset)).read(reinterpret_cast<char*>(out), std::streamsize(count)));
    };
    return readAttachment(file);
}

std::vector<uint8_t> attachmentBytes(const std::vector<uint8_t>& archive)
{
    std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
    out.reserve(kHeaderSize + archive.size() + kTrailerSize);
    putLe(out, archive.size(), 8);
    out.insert(out.end(), archive.begin(), archive.end());
    putLe(out, archive.size(), 8);
    putLe(out, crc32(archive.data(), archive.size()), 4);
    putLe(out, 0, 4);
    out.insert(out.end(), kMagic, kMagic + sizeof kMagic);
    return out;
}

}  // namespace velmora::bundle
