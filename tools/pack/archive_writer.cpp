// Archive writer: collects files and directories and lays out the RAR 2.0 headers.
#include "tools/pack/archive_writer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <thread>

#include "resources/crc32.h"
#include "resources/rar_format.h"

namespace velmora::pack {

namespace fs = std::filesystem;

namespace {

constexpr uint8_t kHostMsDos = 0;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;

void put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Fills HeadCRC: the low half of the CRC-32 over the header behind the CRC field.
void sealHeader(std::vector<uint8_t>& out, size_t start)
{
    const uint32_t crc = crc32(out.data() + start + 2, out.size() - start - 2);
    out[start] = uint8_t(crc);
    out[start + 1] = uint8_t(crc >> 8);
}

uint32_t dosTime(const fs::path& path)
{
    std::error_code ec;
    const auto written = fs::last_write_time(path, ec);
    if (ec)
        return 0;
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(written));
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    if (local.tm_year < 80)
        return 0x00210000;  // 1980-01-01, the earliest MS-DOS date
    return uint32_t(local.tm_year - 80) << 25 | uint32_t(local.tm_mon + 1) << 21 | uint32_t(local.tm_mday) << 16 |
           uint32_t(local.tm_hour) << 11 | uint32_t(local.tm_min) << 5 | uint32_t(local.tm_sec / 2);
}

std::string archiveName(const fs::path& relative)
{
    std::string name;
    for (const fs::path& part : relative) {
        const std::string s = part.string();
        if (s.empty() || s == ".")
            continue;
        if (!name.empty())
            name += '\\';
        name += s;
    }
    return name;
}

// One collectEntries call: the real location of the path given, which links must not leave;
// the real folders open on the way down, which a link must not lead back into (it would loop);
// and what is collected or left out.
struct Walk {
    fs::path given;  // as the user spelled it, for the messages
    fs::path root;   // canonical
    std::vector<fs::path> openFolders;  // canonical
    std::vector<SourceEntry>& entries;
    std::vector<std::string>& skipped;
    std::string& error;

    void skip(const fs::path& path, const std::string& why) { skipped.push_back(path.string() + ": " + why); }
};

bool isWithin(const fs::path& inner, const fs::path& outer)
{
    return std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end()).first == outer.end();
}

// Links are followed while they stay inside the folder given: the player reads files, and a
// link entry would reach it as a file holding the link's target text.
bool collect(Walk& walk, const fs::path& path, const fs::path& name)
{
    std::error_code ec;
    const bool link = fs::is_symlink(fs::symlink_status(path, ec));
    const fs::path real = fs::canonical(path, ec);
    if (ec && link) {
        walk.skip(path, "a link that leads nowhere");
        return true;
    }
    if (ec) {
        walk.error = "cannot read " + path.string();
        return false;
    }
    if (!isWithin(real, walk.root)) {
        walk.skip(path, "a link that leads outside " + walk.given.string());
        return true;
    }
    const fs::file_status status = fs::status(path, ec);
    const bool directory = fs::is_directory(status);
    if (!directory && !fs::is_regular_file(status)) {  // a pipe would block the reading for good
        walk.skip(path, "not a regular file or folder");
        return true;
    }
    if (directory && std::find(walk.openFolders.begin(), walk.openFolders.end(), real) != walk.openFolders.end()) {
        walk.skip(path, "a link back into a folder that holds it");
        return true;
    }

    SourceEntry entry;
    entry.name = archiveName(name);
    entry.dosTime = dosTime(path);
    if (entry.name.empty() || entry.name.size() > rar::kMaxNameSize) {
        walk.error = "unusable archive name for " + path.string();
        return false;
    }
    if (!directory) {
        if (!readFile(path, entry.data, walk.error))
            return false;
        walk.entries.push_back(std::move(entry));
        return true;
    }
    entry.directory = true;
    walk.entries.push_back(std::move(entry));
    std::vector<fs::path> children;
    for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
        children.push_back(it->path().filename());
    if (ec) {
        walk.error = "cannot list " + path.string();
        return false;
    }
    std::sort(children.begin(), children.end());
    walk.openFolders.push_back(real);
    for (const fs::path& child : children)
        if (!collect(walk, path / child, name / child))
            return false;
    walk.openFolders.pop_back();
    return true;
}

}  // namespace

bool readFile(const fs::path& path, std::vector<uint8_t>& data, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    std::error_code ec;
    const uintmax_t size = fs::file_size(path, ec);
    if (!in || ec || size > 0xFFFFFFFFu) {
        error = "cannot read " + path.string();
        return false;
    }
    data.resize(size_t(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(data.data()), std::streamsize(size))) {
        error = "cannot read " + path.string();
        return false;
    }
    return true;
}

bool collectEntries(const std::string& path, std::vector<SourceEntry>& entries, std::vector<std::string>& skipped,
                    std::string& error)
{
    const fs::path p = fs::path(path).lexically_normal();
    fs::path name = p.is_absolute() ? p.filename() : p;
    if (name.empty() || name == ".")  // "dir/" normalises to a trailing empty part
        name = p.parent_path().filename();
    return collectEntries(path, name.string(), entries, skipped, error);
}

bool collectEntries(const std::string& path, const std::string& name, std::vector<SourceEntry>& entries,
                    std::vector<std::string>& skipped, std::string& error)
{
    const fs::path p = fs::path(path).lexically_normal();
    std::error_code ec;
    if (!fs::exists(p, ec)) {
        error = "no such file or directory: " + path;
        return false;
    }
    Walk walk{p.has_filename() ? p : p.parent_path(), fs::canonical(p, ec), {}, entries, skipped, error};
    if (ec) {
        error = "cannot read " + path;
        return false;
    }
    return collect(walk, p, name);
}

namespace {

// Marker, main header, then each entry's header and packed data. `solid` marks the archive and
// every entry that continues the solid stream.
std::vector<uint8_t> layOut(const std::vector<SourceEntry>& entries, const std::vector<std::vector<uint8_t>>& packed,
                            bool store, bool solid)
{
    std::vector<uint8_t> out(rar::kMarker, rar::kMarker + rar::kMarkerSize);
    const size_t main = out.size();
    put16(out, 0);
    out.push_back(rar::kMainHead);
    put16(out, solid ? rar::kMainSolid : 0);
    put16(out, rar::kMainHeaderSize);
    put16(out, 0);
    put32(out, 0);
    sealHeader(out, main);

    bool streamStarted = false;
    for (size_t i = 0; i < entries.size(); ++i) {
        const SourceEntry& e = entries[i];
        // Empty files of a solid archive are stored: they neither start nor continue the stream.
        const bool stored = store || (solid && e.data.empty());
        uint32_t flags = rar::kLongBlock | (e.directory ? rar::kDirectory : rar::kDict1M);
        if (solid && !e.directory && !stored) {
            if (streamStarted)
                flags |= rar::kSolidContinue;
            streamStarted = true;
        }
        const size_t start = out.size();
        put16(out, 0);
        out.push_back(rar::kFileHead);
        put16(out, flags);
        put16(out, uint32_t(rar::kFileHeaderSize + e.name.size()));
        put32(out, uint32_t(packed[i].size()));
        put32(out, uint32_t(e.data.size()));
        out.push_back(kHostMsDos);
        put32(out, e.directory ? 0 : crc32(e.data.data(), e.data.size()));
        put32(out, e.dosTime);
        out.push_back(rar::kMaxUnpVer);
        out.push_back(stored && !e.directory ? rar::kMethodStore : rar::kMethodBest);
        put16(out, uint32_t(e.name.size()));
        put32(out, e.directory ? kAttrDirectory : kAttrArchive);
        out.insert(out.end(), e.name.begin(), e.name.end());
        sealHeader(out, start);
        out.insert(out.end(), packed[i].begin(), packed[i].end());
    }
    return out;
}

}  // namespace

std::vector<uint8_t> buildArchive(const std::vector<SourceEntry>& entries, bool store, const PackOptions& options)
{
    // Each file is packed alone, so the files are packed on every core at once, the largest
    // first so that no core is left with a large one at the end.
    std::vector<size_t> order(entries.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return entries[a].data.size() > entries[b].data.size();
    });
    std::vector<std::vector<uint8_t>> packed(entries.size());
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (size_t k; (k = next++) < order.size();) {
            const SourceEntry& e = entries[order[k]];
            if (!e.directory)
                packed[order[k]] = store ? e.data : packStream(e.data.data(), e.data.size(), options);
        }
    };
    {
        std::vector<std::jthread> helpers(std::clamp(std::thread::hardware_concurrency(), 1u, 16u) - 1);
        for (std::jthread& t : helpers)
            t = std::jthread(work);
        work();
    }
    return layOut(entries, packed, store, false);
}

std::vector<uint8_t> buildSolidArchive(const std::vector<SourceEntry>& files, const PackOptions& options)
{
    // Directories and empty files come first: an entry without data inside the chain of
    // continued entries breaks it for some readers. The files follow from small to large: a
    // reader unpacks every file before the one it wants, and this order makes the sum of those
    // runs least when each file is read once (a show's loading), at little cost in size.
    std::vector<SourceEntry> entries;
    for (const bool withData : {false, true})
        for (const SourceEntry& e : files)
            if ((!e.directory && !e.data.empty()) == withData)
                entries.push_back(e);
    const auto firstData = std::find_if(
        entries.begin(), entries.end(), [](const SourceEntry& e) { return !e.directory && !e.data.empty(); });
    std::stable_sort(firstData, entries.end(), [](const SourceEntry& a, const SourceEntry& b) {
        return a.data.size() < b.data.size();
    });
    std::vector<uint8_t> joined;
    std::vector<size_t> sizes;
    for (const SourceEntry& e : entries) {
        if (e.directory || e.data.empty())
            continue;
        joined.insert(joined.end(), e.data.begin(), e.data.end());
        sizes.push_back(e.data.size());
    }
    std::vector<std::vector<uint8_t>> streams = packSolid(joined.data(), sizes, options);
    std::vector<std::vector<uint8_t>> packed(entries.size());
    for (size_t i = 0, next = 0; i < entries.size(); ++i)
        if (!entries[i].directory && !entries[i].data.empty())
            packed[i] = std::move(streams[next++]);
    return layOut(entries, packed, false, true);
}

}  // namespace velmora::pack
