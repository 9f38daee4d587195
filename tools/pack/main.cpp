// velmora-pack: creates, lists, extracts and tests RAR 2.0 archives. Reading goes through the
// player's own extractor.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "resources/archive.h"
#include "resources/unpacked_archive.h"
#include "tools/pack/archive_writer.h"
#include "tools/pack/mapped_file.h"
#include "tools/pack/show_bundler.h"

// Windows' C library translates line ends unless told the file is binary; it has no close-on-exec.
#ifndef O_BINARY
#define O_BINARY 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

namespace {

using namespace velmora;

int usage()
{
    std::fprintf(stderr,
                 "usage: velmora-pack create [--store | --solid] OUT.rar PATH...\n"
                 "       velmora-pack list ARCHIVE\n"
                 "       velmora-pack extract ARCHIVE NAME [-o FILE]\n"
                 "       velmora-pack test ARCHIVE\n"
                 "       velmora-pack bundle SHOW -o OUT [--player PLAYER | --windows]\n"
                 "  bundle: OUT is the player with SHOW (a show folder holding data/, or its\n"
                 "  archive) attached, one file that plays the show; the player is the Linux one\n"
                 "  beside velmora-pack unless --player names one or --windows picks the Windows one\n");
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
        case ArchiveWalk::Step::Entry:
            entries.push_back(entry);
            break;
        case ArchiveWalk::Step::End:
        case ArchiveWalk::Step::SubBlock:
            return true;
        case ArchiveWalk::Step::Broken:
            error = "broken block header";
            return false;
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
    std::vector<std::string> skipped;
    std::string error;
    for (; i < argc; ++i)
        if (!pack::collectEntries(argv[i], entries, skipped, error))
            return fail(error);
    for (const std::string& line : skipped)
        std::fprintf(stderr, "velmora-pack: skipped %s\n", line.c_str());
    // On a terminal, the share of the bytes packed so far.
    pack::PackOptions options;
    uint64_t total = 0;
    for (const pack::SourceEntry& e : entries)
        total += e.data.size();
    std::atomic<uint64_t> done{0};
    std::mutex printing;
    const bool showProgress = !store && total > 0 && isatty(STDERR_FILENO);
    if (showProgress)
        options.progress = [&](size_t bytes) {
            const uint64_t now = done += bytes;
            const std::lock_guard<std::mutex> lock(printing);
            std::fprintf(
                stderr, "\rvelmora-pack: packed %3d%% of %.1f MB", int(now * 100 / total), double(total) / 1e6);
        };
    const std::vector<uint8_t> archive =
        solid ? pack::buildSolidArchive(entries, options) : pack::buildArchive(entries, store, options);
    if (showProgress)
        std::fputc('\n', stderr);
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
            std::printf("%10u %10u %-5s %08X  %s\n",
                        e.unpSize,
                        e.packSize,
                        e.method == 0x30 ? "store" : "pack",
                        e.fileCrc,
                        e.name.c_str());
    }
    return ok ? 0 : fail(error);
}

// Writes all of `size` bytes to `fd`.
bool writeAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

// Writes the entry out as it is unpacked, so that its size does not matter. FILE is opened only
// once the entry is found, and removed again when its data turns out damaged or cannot be written.
// The output is never the archive itself, under any name: the entry would replace what it is
// read from.
int extract(int argc, char** argv)
{
    if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "-o") == 0))
        return usage();
    pack::MappedFile image;
    if (!image.open(argv[0]))
        return fail(std::string("cannot read ") + argv[0]);
    const char* path = argc == 4 ? argv[3] : nullptr;
    int fd = path ? -1 : STDOUT_FILENO;
#ifdef _WIN32
    if (!path)
        _setmode(STDOUT_FILENO, _O_BINARY);
#endif
    if (path ? image.isFile(path) : image.isFile(fd))
        return fail("refusing to write onto the archive being read");
    bool writeFailed = false;
    const auto sink = [&](const uint8_t* data, size_t size) {
        if (fd < 0)
            fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_BINARY, 0644);
        writeFailed = fd < 0 || !writeAll(fd, data, size);
        return !writeFailed;
    };
    bool ok = streamArchiveEntry(image.data(), uint32_t(image.size()), argv[1], sink);
    if (ok && fd < 0)
        ok = sink(nullptr, 0);  // an empty entry still makes its file
    if (path && fd >= 0 && ::close(fd) != 0)
        ok = !(writeFailed = true);
    if (ok)
        return 0;
    struct stat st {};
    if (path && fd >= 0 && ::stat(path, &st) == 0 && S_ISREG(st.st_mode))
        ::unlink(path);  // no partial or damaged file is left behind
    if (writeFailed)
        return fail(path ? std::string("cannot write ") + path : std::string("cannot write to standard output"));
    std::vector<ArchiveEntry> entries;
    std::string error;
    walkEntries(image, entries, error);
    for (const ArchiveEntry& e : entries)
        if (archiveNamesMatch(e.name.c_str(), argv[1]))
            return fail(std::string(argv[1]) + ": damaged entry (data or CRC error)");
    return fail(std::string(argv[1]) + ": not in the archive");
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
    UnpackedArchive unpacked;  // a solid archive in one pass, not once more for every entry
    unpacked.reset(image.data(), uint32_t(image.size()));
    for (const ArchiveEntry& e : entries) {
        uint8_t* data = nullptr;
        uint32_t size = 0;
        const bool ok = unpacked.extract(e.name.c_str(), &data, &size);
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

int bundle(int argc, char** argv)
{
    pack::BundleRequest request;
    bool showGiven = false;
    for (int i = 0; i < argc; ++i) {
        const std::string argument = argv[i];
        if ((argument == "-o" || argument == "--player") && i + 1 < argc && *argv[i + 1] != '\0')
            (argument == "-o" ? request.output : request.player) = argv[++i];
        else if (argument == "--windows")
            request.windows = true;
        else if (!showGiven && !argument.empty() && argument[0] != '-') {
            request.show = argument;
            showGiven = true;
        } else
            return usage();
    }
    if (!showGiven || request.output.empty() || (request.windows && !request.player.empty()))
        return usage();
    std::string summary;
    std::vector<std::string> skipped;
    std::string error;
    const bool ok = pack::bundleShow(request, summary, skipped, error);
    for (const std::string& line : skipped)
        std::fprintf(stderr, "velmora-pack: skipped %s\n", line.c_str());
    if (!ok)
        return fail(error);
    std::printf("%s\n", summary.c_str());
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
    if (command == "bundle")
        return bundle(argc - 2, argv + 2);
    return usage();
}
