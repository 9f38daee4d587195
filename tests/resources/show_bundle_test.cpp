// Shows attached to players: where an ELF or PE image ends, what the reader makes of good, cut
// short, damaged and foreign attachments, and bundling a bundle again.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/archive.h"
#include "resources/executable_path.h"
#include "resources/show_bundle.h"
#include "tests/support/temp_data_dir.h"
#include "tools/pack/archive_writer.h"
#include "tools/pack/show_bundler.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Status = bundle::Attachment::Status;

Bytes readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Reads from `bytes` and fails the test on any read outside them.
bundle::ByteSource sourceOf(const Bytes& bytes)
{
    bundle::ByteSource source;
    source.size = bytes.size();
    source.read = [&bytes](uint64_t offset, uint8_t* out, size_t count) {
        EXPECT_LE(offset + count, bytes.size()) << "read past the file's end";
        if (offset + count > bytes.size())
            return false;
        std::memcpy(out, bytes.data() + offset, count);
        return true;
    };
    return source;
}

Bytes showArchive(const std::string& script, bool store = false)
{
    pack::SourceEntry entry;
    entry.name = "data\\script.txt";
    entry.data.assign(script.begin(), script.end());
    return pack::buildArchive({entry}, store);
}

void put(Bytes& out, size_t at, uint64_t value, size_t bytes)
{
    for (size_t i = 0; i < bytes; ++i)
        out[at + i] = uint8_t(value >> (8 * i));
}

// A 64-bit PE image as a MinGW linker leaves it unstripped: headers, one section, and a COFF
// symbol table with its string table behind the section. It ends at 0x600 + 2 * 18 + 10.
Bytes peImage()
{
    Bytes pe(0x600 + 2 * 18 + 10, 0);
    pe[0] = 'M';
    pe[1] = 'Z';
    put(pe, 0x3C, 0x40, 4);
    std::memcpy(pe.data() + 0x40, "PE\0\0", 4);
    put(pe, 0x40 + 4, 0x8664, 2);  // machine
    put(pe, 0x40 + 6, 1, 2);       // sections
    put(pe, 0x40 + 12, 0x600, 4);  // symbol table
    put(pe, 0x40 + 16, 2, 4);      // symbols
    put(pe, 0x40 + 20, 240, 2);    // optional header size
    const size_t optional = 0x40 + 24;
    put(pe, optional, 0x20B, 2);       // PE32+
    put(pe, optional + 60, 0x400, 4);  // size of headers
    const size_t section = optional + 240;
    std::memcpy(pe.data() + section, ".text\0\0\0", 8);
    put(pe, section + 16, 0x200, 4);  // raw size
    put(pe, section + 20, 0x400, 4);  // raw data
    put(pe, 0x600 + 2 * 18, 10, 4);   // string table length, itself included
    return pe;
}

TEST(ShowBundle, AttachmentsOnElfAndPeImages)
{
    const Bytes elf = readFile(platform::executablePath());
    ASSERT_GT(elf.size(), 1000u);
    const Bytes pe = peImage();
    ASSERT_EQ(bundle::executableImageEnd(sourceOf(elf)), elf.size());
    ASSERT_EQ(bundle::executableImageEnd(sourceOf(pe)), pe.size());

    const Bytes archive = showArchive("<demo></demo>");
    const Bytes attachment = bundle::attachmentBytes(archive);
    ASSERT_EQ(attachment.size(), bundle::kHeaderSize + archive.size() + bundle::kTrailerSize);
    const size_t archiveAt = bundle::kHeaderSize;
    const size_t trailerAt = bundle::kHeaderSize + archive.size();

    struct Case {
        const char* name;
        size_t keep;             // bytes of the attachment kept
        ptrdiff_t flipAt = -1;   // a byte of the attachment inverted
        const char* extra = "";  // bytes written behind it
        Status status;
    };
    const Case cases[] = {
        {"none", 0, -1, "", Status::None},
        {"good", attachment.size(), -1, "", Status::Found},
        {"cut in the trailer", attachment.size() - 1, -1, "", Status::Truncated},
        {"cut in the archive", archiveAt + archive.size() / 2, -1, "", Status::Truncated},
        {"cut in the header", 11, -1, "", Status::Truncated},
        {"cut in the magic", 3, -1, "", Status::Truncated},
        {"damaged archive", attachment.size(), ptrdiff_t(archiveAt + archive.size() / 2), "", Status::Damaged},
        {"damaged checksum", attachment.size(), ptrdiff_t(trailerAt + 8), "", Status::Damaged},
        {"trailer disagrees on size", attachment.size(), ptrdiff_t(trailerAt), "", Status::Damaged},
        {"foreign trailer", 0, -1, "PK\x05\x06 not a show", Status::Foreign},
        {"bytes behind the show", attachment.size(), -1, "junk", Status::Foreign},
    };
    for (const Bytes* image : {&elf, &pe}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (image == &pe ? " (PE)" : " (ELF)"));
            Bytes file = *image;
            file.insert(file.end(), attachment.begin(), attachment.begin() + ptrdiff_t(c.keep));
            if (c.flipAt >= 0)
                file[image->size() + size_t(c.flipAt)] ^= 0xFF;
            file.insert(file.end(), c.extra, c.extra + std::strlen(c.extra));
            const bundle::Attachment found = bundle::readAttachment(sourceOf(file));
            EXPECT_EQ(found.status, c.status) << found.problem;
            EXPECT_EQ(found.problem.empty(), c.status == Status::None || c.status == Status::Found);
            EXPECT_EQ(found.problem.find('\n'), std::string::npos);
            if (c.status == Status::Found) {
                EXPECT_EQ(found.archive, archive);
            }
        }
    }

    // A complete attachment with its checksum right whose data is not an archive.
    Bytes notRar = elf;
    const Bytes text = bundle::attachmentBytes(Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'});
    notRar.insert(notRar.end(), text.begin(), text.end());
    EXPECT_EQ(bundle::readAttachment(sourceOf(notRar)).status, Status::Foreign);
    // Neither ELF nor PE, and an ELF whose section table points past the file's end.
    EXPECT_EQ(bundle::readAttachment(sourceOf(Bytes(100, 'x'))).status, Status::NotExecutable);
    const Bytes cut(elf.begin(), elf.begin() + ptrdiff_t(elf.size() / 2));
    EXPECT_EQ(bundle::readAttachment(sourceOf(cut)).status, Status::NotExecutable);
}

// A bundle bundled again carries the new show alone, behind the same image; a show folder
// without data/ and a damaged show archive are refused before anything is written.
TEST(ShowBundle, BundlingReplacesTheAttachment)
{
    testing::TempDataDir show;
    show.write("data/script.txt", std::string("<demo name=\"first\"></demo>"));
    const fs::path player = show.root() / "player";
    fs::copy_file(platform::executablePath(), player);
    const uint64_t imageSize = fs::file_size(player);

    pack::BundleRequest request;
    request.show = show.root();
    request.player = player;
    request.output = player;  // in place
    std::string summary;
    std::vector<std::string> skipped;
    std::string error;
    ASSERT_TRUE(pack::bundleShow(request, summary, skipped, error)) << error;
    show.write("data/script.txt", std::string("<demo name=\"second, longer than the first\"></demo>"));
    ASSERT_TRUE(pack::bundleShow(request, summary, skipped, error)) << error;

    const Bytes bundled = readFile(player);
    const bundle::Attachment found = bundle::readAttachment(player);
    ASSERT_EQ(found.status, Status::Found) << found.problem;
    EXPECT_EQ(bundled.size(), imageSize + bundle::kHeaderSize + found.archive.size() + bundle::kTrailerSize);
    uint8_t* script = nullptr;
    uint32_t scriptSize = 0;
    ASSERT_TRUE(extractArchiveEntry(
        found.archive.data(), uint32_t(found.archive.size()), "data/script.txt", &script, &scriptSize));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(script), scriptSize),
              "<demo name=\"second, longer than the first\"></demo>");
    std::free(script);
    EXPECT_TRUE((fs::status(player).permissions() & fs::perms::owner_exec) != fs::perms::none);

    // A show archive with a damaged byte, and a folder that is not a show.
    Bytes damaged = showArchive("<demo></demo>", true);
    damaged[damaged.size() - 3] ^= 0xFF;
    const fs::path damagedPath = show.root() / "damaged.rar";
    std::ofstream(damagedPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(damaged.data()), std::streamsize(damaged.size()));
    for (const fs::path& bad : {damagedPath, show.root() / "data"}) {
        request.show = bad;
        request.output = show.root() / "never";
        EXPECT_FALSE(pack::bundleShow(request, summary, skipped, error));
        EXPECT_FALSE(error.empty());
        EXPECT_FALSE(fs::exists(request.output));
    }
}

}  // namespace
}  // namespace velmora
