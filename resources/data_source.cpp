// The current data source: an archive image in memory or a directory tree.
#include "resources/data_source.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#include "resources/archive.h"
#include "resources/rar_format.h"
#include "resources/unpacked_archive.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

struct DataSource {
    UnpackedArchive archive;          // the archive image: owned by the caller or by `ownedImage`
    std::vector<uint8_t> ownedImage;  // an archive file read by useDataPath
    fs::path directory;               // non-empty: a directory source
};

DataSource& source()
{
    static DataSource current;
    return current;
}

// Reads a whole regular file into a malloc block. Empty files give success with null.
bool readWholeFile(const fs::path& path, uint8_t** data, uint32_t* size)
{
    std::error_code ec;
    const uintmax_t bytes = fs::file_size(path, ec);
    if (ec || bytes > UINT32_MAX)
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    if (bytes == 0)
        return true;
    auto* buffer = static_cast<uint8_t*>(std::malloc(size_t(bytes)));
    if (buffer == nullptr)
        return false;
    if (!in.read(reinterpret_cast<char*>(buffer), std::streamsize(bytes))) {
        std::free(buffer);
        return false;
    }
    *data = buffer;
    *size = uint32_t(bytes);
    return true;
}

// The file or folder under `root` that the archive path `path` names; empty when none.
fs::path findInDirectory(const fs::path& root, const char* path)
{
    std::error_code ec;
    const size_t length = std::strlen(path);
    const bool trailingSeparator = length > 0 && (path[length - 1] == '/' || path[length - 1] == '\\');
    const fs::path exact = root / path;
    if (!trailingSeparator && fs::exists(exact, ec))
        return exact;
    // Not under its exact spelling: look for the name as the archive would match it.
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string relative = it->path().lexically_relative(root).generic_string();
        if (archiveNamesMatch(relative.c_str(), path))
            return it->path();
    }
    return {};
}

bool loadFromDirectory(const fs::path& root, const char* path, uint8_t** data, uint32_t* size)
{
    std::error_code ec;
    const fs::path found = findInDirectory(root, path);
    if (found.empty())
        return false;
    if (fs::is_directory(found, ec))
        return true;  // a directory entry: found, no data
    return readWholeFile(found, data, size);
}

// True when `folder` holds a folder named data, in any letter case.
bool hasDataFolder(const fs::path& folder)
{
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_directory(ec) && archiveNamesMatch(it->path().filename().string().c_str(), "data"))
            return true;
    return false;
}

}  // namespace

void useArchiveImage(const uint8_t* data, uint32_t length)
{
    DataSource& s = source();
    s.directory.clear();
    s.ownedImage.clear();
    s.ownedImage.shrink_to_fit();
    s.archive.reset(data, length);
}

void useArchiveBytes(std::vector<uint8_t> image)
{
    DataSource& s = source();
    s.directory.clear();
    s.ownedImage = std::move(image);
    s.archive.reset(s.ownedImage.data(), uint32_t(s.ownedImage.size()));
}

bool useDataPath(const char* path, std::string& error)
{
    std::error_code ec;
    const fs::path p(path ? path : "");
    if (fs::is_directory(p, ec)) {
        // Every name the show reads begins with data/: a folder without one cannot be a show,
        // unless it is that data folder itself (`--data myshow/data`), whose parent then is.
        fs::path folder = p;
        if (!hasDataFolder(folder)) {
            fs::path named = p.lexically_normal();
            if (!named.has_filename())  // "myshow/data/"
                named = named.parent_path();
            if (!archiveNamesMatch(named.filename().string().c_str(), "data")) {
                error = p.string() + " holds no data/ folder";
                return false;
            }
            folder = named.has_parent_path() ? named.parent_path() : fs::path(".");
        }
        DataSource& s = source();
        s.ownedImage.clear();
        s.ownedImage.shrink_to_fit();
        s.archive.reset(nullptr, 0);
        s.directory = folder;
        return true;
    }
    uint8_t* bytes = nullptr;
    uint32_t size = 0;
    if (!fs::is_regular_file(p, ec) || !readWholeFile(p, &bytes, &size)) {
        error = std::string("cannot read ") + p.string();
        return false;
    }
    std::unique_ptr<uint8_t, decltype(&std::free)> guard(bytes, &std::free);
    if (size < rar::kMarkerSize || (std::memcmp(bytes, rar::kMarker, rar::kMarkerSize) != 0 &&
                                    std::memcmp(bytes, rar::kAltMarker, rar::kMarkerSize) != 0)) {
        error = p.string() + " is neither a directory nor a RAR archive";
        return false;
    }
    DataSource& s = source();
    s.directory.clear();
    s.ownedImage.assign(bytes, bytes + size);
    s.archive.reset(s.ownedImage.data(), size);
    return true;
}

bool isArchiveFile(const char* path)
{
    uint8_t head[rar::kMarkerSize] = {};
    std::ifstream in(path, std::ios::binary);
    if (!in || !in.read(reinterpret_cast<char*>(head), sizeof head))
        return false;
    return std::memcmp(head, rar::kMarker, rar::kMarkerSize) == 0 ||
           std::memcmp(head, rar::kAltMarker, rar::kMarkerSize) == 0;
}

uintmax_t dataEntrySize(const char* path)
{
    DataSource& s = source();
    if (!s.directory.empty()) {
        std::error_code ec;
        const fs::path found = findInDirectory(s.directory, path);
        const uintmax_t bytes = found.empty() ? 0 : fs::file_size(found, ec);
        return ec ? 0 : bytes;
    }
    uint8_t* data = nullptr;
    uint32_t size = 0;
    s.archive.extract(path, &data, &size);
    std::free(data);
    return size;
}

bool loadDataEntry(const char* path, uint8_t** data, uint32_t* size)
{
    *data = nullptr;
    *size = 0;
    DataSource& s = source();
    if (!s.directory.empty())
        return loadFromDirectory(s.directory, path, data, size);
    return s.archive.extract(path, data, size);
}

}  // namespace velmora
