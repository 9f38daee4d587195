// A fresh show folder: checked whole before the first byte is written, removed again when the
// writing fails part-way.
#include "core/show_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>

namespace velmora {

namespace {

namespace fs = std::filesystem;

#ifndef O_BINARY
#define O_BINARY 0  // Windows' C library translates line ends unless told the file is binary
#endif

// The components of a relative "/"-separated path; empty when the path is absolute, empty, or
// holds an empty, "." or ".." component (it would not stay below the folder as written).
std::vector<std::string> components(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find('/', start), path.size());
        const std::string part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == ".." || part.find('\\') != std::string::npos)
            return {};
        parts.push_back(part);
        start = end + 1;
    }
    return parts;
}

// Why nothing may be written at `path` below `root` (empty when it may): a folder on the way
// that is a link or no folder, or anything at all (a dangling link too) at the file's place.
std::string obstacle(const fs::path& root, const std::vector<std::string>& parts, std::set<fs::path>& folders)
{
    fs::path at = root;
    for (size_t i = 0; i < parts.size(); ++i) {
        at /= parts[i];
        const bool last = i + 1 == parts.size();
        if (!last && folders.count(at))
            continue;
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(at, ec);
        if (status.type() == fs::file_type::not_found)
            return "";  // nothing below a missing folder exists either
        if (ec)
            return "cannot be looked at: " + ec.message();
        if (last)
            return fs::is_symlink(status) ? "is a symbolic link" : "exists already";
        if (fs::is_symlink(status))
            return "lies below the symbolic link " + at.lexically_relative(root).generic_string();
        if (!fs::is_directory(status))
            return "lies below " + at.lexically_relative(root).generic_string() + ", which is no folder";
        folders.insert(at);
    }
    return "";
}

// What one call created, in order, so that a failure can take it back.
struct Created {
    std::vector<fs::path> folders;
    std::vector<fs::path> files;

    // Removes the files, then the folders deepest first. The number of things left behind.
    size_t undo() const
    {
        size_t left = 0;
        std::error_code ec;
        for (auto file = files.rbegin(); file != files.rend(); ++file)
            left += !fs::remove(*file, ec);
        for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
            left += !fs::remove(*folder, ec);
        return left;
    }
};

// Makes `folder` and its missing parents as real folders; an existing one must be a folder. The
// show folder itself may be reached through links (the user named it); below it, `noLinks`.
bool makeFolder(const fs::path& folder, bool noLinks, Created& created, std::string& error)
{
    std::error_code ec;
    const fs::file_status status = noLinks ? fs::symlink_status(folder, ec) : fs::status(folder, ec);
    if (fs::is_directory(status))
        return true;
    if (status.type() != fs::file_type::not_found) {
        error = folder.string() + (fs::is_symlink(status) ? " is a symbolic link" : " is no folder");
        return false;
    }
    if (!noLinks && folder.has_parent_path() && folder.parent_path() != folder &&
        !makeFolder(folder.parent_path(), false, created, error))
        return false;
    if (!fs::create_directory(folder, ec)) {
        error = "cannot create the folder " + folder.string() + ": " +
                (ec ? ec.message() : std::string("something else appeared there"));
        return false;
    }
    created.folders.push_back(folder);
    return true;
}

// Creates the file new (an exclusive create: never over anything, a link included) and writes it
// whole. (Not fopen's "x" mode: Windows' C library has none.)
bool writeNewFile(const fs::path& path, const std::vector<uint8_t>& bytes, Created& created, std::string& error)
{
    const int fd = ::open(path.string().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_BINARY, 0644);
    std::FILE* out = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (fd >= 0 && !out)
        ::close(fd);
    if (!out) {
        error = "cannot write " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    created.files.push_back(path);
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    const int writeErrno = errno;
    if (std::fclose(out) != 0 || !written) {
        error = "cannot write " + path.string() + ": " + std::strerror(written ? errno : writeErrno);
        return false;
    }
    return true;
}

}  // namespace

bool writeShowFolder(const std::string& folder, const std::vector<ShowFolderFile>& files, std::string& error)
{
    const fs::path root(folder);
    std::error_code ec;
    const fs::file_status rootStatus = fs::status(root, ec);
    if (rootStatus.type() != fs::file_type::not_found && !fs::is_directory(rootStatus)) {
        error = folder + " is no folder";
        return false;
    }

    std::vector<std::string> blocked;
    std::set<fs::path> checkedFolders;
    for (const ShowFolderFile& file : files) {
        const std::vector<std::string> parts = components(file.path);
        if (parts.empty()) {
            blocked.push_back(file.path + " would lie outside the folder");
            continue;
        }
        const std::string reason = obstacle(root, parts, checkedFolders);
        if (!reason.empty())
            blocked.push_back(file.path + " " + reason);
    }
    if (!blocked.empty()) {
        error = "refusing to write into " + folder + ": " + blocked.front();
        if (blocked.size() > 1)
            error += " (and " + std::to_string(blocked.size() - 1) + " more in the way)";
        error += "; nothing was written";
        return false;
    }

    Created created;
    bool ok = makeFolder(root, false, created, error);
    for (size_t i = 0; ok && i < files.size(); ++i) {
        const std::vector<std::string> parts = components(files[i].path);
        fs::path path = root;
        for (size_t k = 0; ok && k + 1 < parts.size(); ++k)
            ok = makeFolder(path /= parts[k], true, created, error);
        ok = ok && writeNewFile(path / parts.back(), files[i].bytes, created, error);
    }
    if (ok)
        return true;
    const size_t left = created.undo();
    error += left == 0 ? "; nothing was left behind"
                       : "; " + std::to_string(left) + " of the files and folders written could not be removed";
    return false;
}

}  // namespace velmora
