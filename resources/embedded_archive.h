// The show archive linked into the player (target velmora_embedded_data), read from memory only.
#pragma once

#include <cstdint>

extern "C" {
extern const uint8_t velmora_show_archive[];
extern const uint32_t velmora_show_archive_size;
}

namespace velmora {

// The archive's bytes, valid for the life of the program.
inline const uint8_t* embeddedArchiveData()
{
    return velmora_show_archive;
}

inline uint32_t embeddedArchiveSize()
{
    return velmora_show_archive_size;
}

}  // namespace velmora
