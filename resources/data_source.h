// Where DataFile finds the show's files: the archive linked into the player (the default), an
// archive file, or a directory read file by file under the same logical names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

// An archive already in memory; the bytes must outlive every later DataFile.
void useArchiveImage(const uint8_t* data, uint32_t length);

// An archive already in memory, kept by the data source from now on.
void useArchiveBytes(std::vector<uint8_t> image);

// An archive file (read into memory once) or a directory. False, with a reason in `error`,
// when the path cannot be used; the previous source then stays.
bool useDataPath(const char* path, std::string& error);

// Whether the file at `path` on disk begins like an archive that useDataPath reads.
bool isArchiveFile(const char* path);

// Unpacks the file at archive path `path` ("data/textures/STARS.BMP") from the current source.
// On success `*data` is a malloc block of `*size` bytes owned by the caller (null when empty);
// on failure both are null/0. A directory source matches names as the archive does: ASCII
// case ignored, "/", "\" and "_" alike. Without a source every lookup fails.
bool loadDataEntry(const char* path, uint8_t** data, uint32_t* size);

// The size in bytes of the entry at archive path `path`, found as loadDataEntry finds it; 0 when
// it is missing, empty or a folder. A directory source reads nothing to tell.
uintmax_t dataEntrySize(const char* path);

}  // namespace velmora
