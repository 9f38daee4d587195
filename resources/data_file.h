// One data file of the show, opened by its logical name ("STARS.BMP", "teddy.dat", "gold.zen")
// and unpacked whole into memory from the show's data source.
#pragma once

#include <cstdint>
#include <string>

#include "resources/data_stream.h"

namespace velmora {

// Whether a DataFile tells the console what it loads and what failed, or (the checker) nothing.
enum class LoadLines { Print, Silent };

// The archive path of a logical name: "data/" + folder by extension + name.
std::string dataFilePath(const char* name);

// Whether the show's data holds the file `name` (a logical name) with some bytes; says nothing.
bool dataFileExists(const char* name);

class DataFile : public DataStream {
public:
    // Builds dataFilePath(name), prints "load[%s]\n" and extracts the entry. Failure prints
    // "Could not decompress\n" and leaves size() 0 and data() null. A name that is absolute or
    // holds a ".." component is refused that way, with a second line saying why. With
    // LoadLines::Silent none of these lines is printed.
    explicit DataFile(const char* name, LoadLines lines = LoadLines::Print);
    // The size of the data file `name` without unpacking it from a folder source, and without
    // a console line; 0 when it is missing, refused or empty.
    static uintmax_t sizeOf(const char* name);
    ~DataFile() override;
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    int read(void* buffer, uint32_t count) override;
    int write(const void* buffer, uint32_t count) override;
    int seek(uint32_t offset, int origin) override;
    uint32_t tell() const override;
    uint32_t size() const override;
    bool eof() const override;
};

}  // namespace velmora
