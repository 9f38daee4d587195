// A whole file mapped read-only into memory: an archive is read in place, without copying it
// into a buffer first (and without touching every page of a fresh buffer).
#pragma once

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstddef>
#include <cstdint>

namespace velmora::pack {

class MappedFile {
public:
    MappedFile() = default;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile()
    {
        if (size_ == 0)
            return;
#ifdef _WIN32
        UnmapViewOfFile(data_);
#else
        munmap(const_cast<uint8_t*>(data_), size_);
#endif
    }

    // False when the file cannot be opened or mapped, or is 4 GB or larger.
    bool open(const char* path)
    {
#ifdef _WIN32
        HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        LARGE_INTEGER length{};
        bool ok = GetFileSizeEx(file, &length) && length.QuadPart >= 0 && length.QuadPart <= 0xFFFFFFFFll;
        identity_ = identityOf(file);
        if (ok && length.QuadPart > 0) {
            HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
            const void* p = mapping ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
            if (mapping)
                CloseHandle(mapping);  // the view keeps the mapping alive
            ok = p != nullptr;
            if (ok) {
                data_ = static_cast<const uint8_t*>(p);
                size_ = size_t(length.QuadPart);
            }
        }
        CloseHandle(file);
        return ok;
#else
        const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        struct stat st {};
        bool ok = fstat(fd, &st) == 0 && st.st_size >= 0 && uint64_t(st.st_size) <= 0xFFFFFFFFu;
        device_ = st.st_dev;
        inode_ = st.st_ino;
        if (ok && st.st_size > 0) {
            // Populated up front: one pass in the kernel instead of a fault per page.
            void* p = mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
            ok = p != MAP_FAILED;
            if (ok) {
                data_ = static_cast<const uint8_t*>(p);
                size_ = size_t(st.st_size);
            }
        }
        ::close(fd);
        return ok;
#endif
    }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

    // Whether the file at `path`, or open as descriptor `fd`, is this very file, under whatever
    // name or link.
#ifdef _WIN32
    bool isFile(const char* path) const
    {
        HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        const bool same = identity_.valid && identityOf(file) == identity_;
        CloseHandle(file);
        return same;
    }
    bool isFile(int fd) const
    {
        return identity_.valid && identityOf(reinterpret_cast<HANDLE>(_get_osfhandle(fd))) == identity_;
    }
#else
    bool isFile(const char* path) const
    {
        struct stat other {};
        return ::stat(path, &other) == 0 && isFile(other);
    }
    bool isFile(int fd) const
    {
        struct stat other {};
        return ::fstat(fd, &other) == 0 && isFile(other);
    }
#endif

private:
#ifdef _WIN32
    // Windows' stat() has no inode: the volume and the file's index name a file.
    struct Identity {
        bool valid = false;
        DWORD volume = 0, indexHigh = 0, indexLow = 0;
        bool operator==(const Identity&) const = default;
    };
    static Identity identityOf(HANDLE file)
    {
        BY_HANDLE_FILE_INFORMATION info;
        if (file == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(file, &info))
            return {};
        return {true, info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    }
    Identity identity_;
#else
    bool isFile(const struct stat& other) const { return other.st_dev == device_ && other.st_ino == inode_; }
    dev_t device_ = 0;
    ino_t inode_ = 0;
#endif
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace velmora::pack
