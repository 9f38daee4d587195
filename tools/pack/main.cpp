// velmora-pack: creates, lists, extracts and tests RAR 2.0 archives. Reading goes through the
// player's own extractor.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "resources/archive.h"
#include "tools/pack/archive_writer.h"
#include "tools/pack/mapped_file.h"

namespace {

using namespace velmora;

int usage()
{
    std::fprintf(stderr,
                 "usage: velmora-pack create [--store | --solid] OUT.rar PATH...\n"
                 "       velmora-pack list ARCHIVE\n"
                 "       velmora-pack extract ARCHIVE NAME [-o FILE]\n"
                 "       velmora-pack test ARCHIVE\n");
    return 2;
}

int fail(const std::string& reason)
{
    std::fprintf(stderr, "velmora-pack: %s\n", reason.c_str());
    return 1;
}

// All file entries the extractor can reach, in archive order. False when the walk breaks.
bool walkEntries(const pack::MappedFile& image, std::vector<ArchiveEntry>& entries, std::string& error)
{
    ArchiveWalk walk(image.data(), uint32_t(image.size()));
    if (!walk.open()) {
        error = "not a RAR archive or its main header is cut short";
        return false;
    }
    ArchiveEntry entry;
    for (;;) {
        switch (walk.next(entry)) {
        case ArchiveWalk::Step::Entry: entries.push_back(entry); break;
        case ArchiveWalk::Step::End:
        case ArchiveWalk::Step::SubBlock: return true;
        case ArchiveWalk::Step::Broken: error = "broken block header"; return false;
        }
    }
}

int create(int argc, char** argv)
{
    bool store = false;
    bool solid = false;
    int i = 0;
    if (i < argc && std::strcmp(argv[i], "--store") == 0) {
        store = true;
        ++i;
    } else if (i < argc && std::strcmp(argv[i], "--solid") == 0) {
        solid = true;
        ++i;
    }
    if (argc - i < 2)
        return usage();
    const char* out = argv[i++];
    std::vector<pack::SourceEntry> entries;
    std::string error;
    for (; i < argc; ++i)
        if (!pack::collectEntries(argv[i], entries, error))
            return fail(error);
    const std::vector<uint8_t> archive = solid ? pack::buildSolidArchive(entries) : pack::buildArchive(entries, store);
    std::ofstream file(out, std::ios::binary);
    if (!file.write(reinterpret_cast<const char*>(archive.data()), std::streamsize(archive.size())))
        return fail(std::string("cannot write ") + out);
    return 0;
}

int list(const char* path)
{
    pack::MappedFile image;
    std::vector<ArchiveEntry> entries;
    std::string error;
    if (!image.open(path))
        return fail(std::string("cannot read ") + path);
    const bool ok = walkEntries(image, entries, error);
    for (const ArchiveEntry& e : entries) {
        if (e.isDirectory())
            std::printf("%10s %10s %-5s %8s  %s\\\n", "-", "-", "dir", "", e.name.c_str());
        else
            std::printf("%10u %10u %-5s %08X  %s\n", e.unpSize, e.packSize, e.method == 0x30 ? "store" : "pack",
                        e.fileCrc, e.name.c_str());
    }
    return ok ? 0 : fail(error);
}

int extract(int argc, char** argv)
{
    if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "-o") == 0))
        return usage();
    pack::MappedFile image;
    if (!image.open(argv[0]))
        return fail(std::string("cannot read ") + argv[0]);
    uint8_t* data = nullptr;
    uint32_t size = 0;
    if (!extractArchiveEntry(image.data(), uint32_t(image.size()), argv[1], &data, &size)) {
        std::vector<ArchiveEntry> entries;
        std::string error;
        walkEntries(image, entries, error);
        for (const ArchiveEntry& e : entries)
            if (archiveNamesMatch(e.name.c_str(), argv[1]))
                return fail(std::string(argv[1]) + ": damaged entry (data or CRC error)");
        return fail(std::string(argv[1]) + ": not in the archive");
    }
    std::unique_ptr<uint8_t, decltype(&std::free)> guard(data, &std::free);
    if (argc == 4) {
        std::ofstream out(argv[3], std::ios::binary);
        if (!out || !out.write(reinterpret_cast<const char*>(data), size))
            return fail(std::string("cannot write ") + argv[3]);
        return 0;
    }
    return std::fwrite(data, 1, size, stdout) == size ? 0 : fail("cannot write to standard output");
}

int test(const char* path)
{
    pack::MappedFile image;
    std::vector<ArchiveEntry> entries;
    std::string error;
    if (!image.open(path))
        return fail(std::string("cannot read ") + path);
    const bool walked = walkEntries(image, entries, error);
    int failures = 0;
    for (const ArchiveEntry& e : entries) {
        uint8_t* data = nullptr;
        uint32_t size = 0;
        const bool ok = extractArchiveEntry(image.data(), uint32_t(image.size()), e.name.c_str(), &data, &size);
        std::free(data);
        std::printf("%-6s %s\n", ok ? "OK" : "FAILED", e.name.c_str());
        failures += ok ? 0 : 1;
    }
    if (!walked)
        return fail(error);
    if (failures > 0)
        return fail(std::to_string(failures) + " damaged entries");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    if (command == "create")
        return create(argc - 2, argv + 2);
    if (command == "list" && argc == 3)
        return list(argv[2]);
    if (command == "extract")
        return extract(argc - 2, argv + 2);
    if (command == "test" && argc == 3)
        return test(argv[2]);
    return usage();
}
