// A whole file mapped read-only into memory: an archive is read in place, without copying it
// into a buffer first (and without touching every page of a fresh buffer).
#pragma once

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

namespace velmora::pack {

class MappedFile {
public:
    MappedFile() = default;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile()
    {
        if (size_ > 0)
            munmap(const_cast<uint8_t*>(data_), size_);
    }

    // False when the file cannot be opened or mapped, or is 4 GB or larger.
    bool open(const char* path)
    {
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
    }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    // Whether `other` (from stat or fstat) is this very file, under whatever name or link.
    bool isFile(const struct stat& other) const { return other.st_dev == device_ && other.st_ino == inode_; }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

}  // namespace velmora::pack
