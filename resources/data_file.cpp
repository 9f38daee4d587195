// DataFile: logical name to archive path, whole-file extraction, and the stream operations.
#include "resources/data_file.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "resources/data_source.h"

namespace velmora {
namespace {

constexpr size_t kMaxPath = 511;  // the archive path fits a 512-character buffer

bool endsWith(const char* name, size_t length, const char* extension)
{
    const size_t n = std::strlen(extension);
    if (length < 4 || length < n)  // names shorter than four characters have no extension
        return false;
    for (size_t i = 0; i < n; ++i) {
        char c = name[length - n + i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != extension[i])
            return false;
    }
    return true;
}

}  // namespace

std::string dataFilePath(const char* name)
{
    const size_t length = std::strlen(name);
    std::string path = "data/";
    if (endsWith(name, length, ".tga") || endsWith(name, length, ".bmp"))
        path += "textures/";
    if (endsWith(name, length, ".it") || endsWith(name, length, ".xm") || endsWith(name, length, ".s3m") ||
        endsWith(name, length, ".mod") || endsWith(name, length, ".wav") || endsWith(name, length, ".mp3"))
        path += "music/";
    if (endsWith(name, length, ".zen") || endsWith(name, length, ".3ds"))
        path += "scenes/";
    path += name;
    return path;
}

namespace {

// True when the name would resolve outside the show's data: an absolute path (a drive letter
// too, which names another place on Windows), or a ".." component ("/" and "\\" both separate,
// as the archive treats them alike).
bool leavesTheShow(const char* name)
{
    if (name[0] == '/' || name[0] == '\\')
        return true;
    if (std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':')
        return true;
    for (const char* part = name; *part;) {
        const size_t length = std::strcspn(part, "/\\");
        if (length == 2 && part[0] == '.' && part[1] == '.')
            return true;
        part += length;
        if (*part)
            ++part;
    }
    return false;
}

}  // namespace

bool dataFileExists(const char* name) { return DataFile(name, LoadLines::Silent).size() > 0; }

DataFile::DataFile(const char* name, LoadLines lines)
{
    if (!name)
        name = "";
    const bool print = lines == LoadLines::Print;
    const std::string path = dataFilePath(name);
    if (print)
        std::printf("load[%s]\n", path.c_str());
    uint8_t* bytes = nullptr;
    uint32_t count = 0;
    if (leavesTheShow(name)) {
        if (print) {
            std::printf("Could not decompress\n");
            std::printf("[%s] points outside the show's data: refused\n", name);
        }
        return;
    }
    if (path.size() > kMaxPath || !loadDataEntry(path.c_str(), &bytes, &count)) {
        if (print)
            std::printf("Could not decompress\n");
        return;
    }
    size_ = count;
    if (count != 0)
        data_ = bytes;
}

uintmax_t DataFile::sizeOf(const char* name)
{
    if (!name || leavesTheShow(name))
        return 0;
    const std::string path = dataFilePath(name);
    return path.size() > kMaxPath ? 0 : dataEntrySize(path.c_str());
}

DataFile::~DataFile()
{
    std::free(data_);
    data_ = nullptr;
    position_ = 0;
    size_ = 0;
}

int DataFile::read(void* buffer, uint32_t count)
{
    if (position_ >= size_)
        return 0;
    const uint32_t n = count < size_ - position_ ? count : size_ - position_;
    if (n > 0)
        std::memcpy(buffer, data_ + position_, n);
    position_ += n;
    return 0;
}

int DataFile::write(const void* buffer, uint32_t count)
{
    if (position_ >= size_)
        return 0;
    const uint32_t n = count < size_ - position_ ? count : size_ - position_;
    if (n > 0)
        std::memcpy(data_ + position_, buffer, n);
    position_ += n;
    return 0;
}

int DataFile::seek(uint32_t offset, int origin)
{
    switch (origin) {
    case 0: position_ = offset; break;
    case 1: position_ += offset; break;
    case 2: position_ = size_ - offset; break;
    default: break;
    }
    return 0;
}

uint32_t DataFile::tell() const
{
    return position_;
}

uint32_t DataFile::size() const
{
    return size_;
}

bool DataFile::eof() const
{
    return position_ >= size_;
}

}  // namespace velmora
