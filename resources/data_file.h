// One data file of the show, opened by its logical name ("STARS.BMP", "teddy.dat", "gold.zen")
// and unpacked whole into memory from the show's data source.
#pragma once

#include "resources/data_stream.h"

namespace velmora {

class DataFile : public DataStream {
public:
    // Builds "data/" + folder by extension + name, prints "load[%s]\n" and extracts the entry.
    // Failure prints "Could not decompress\n" and leaves size() 0 and data() null. A name that
    // is absolute or holds a ".." component is refused that way, with a second line saying why.
    explicit DataFile(const char* name);
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
