// CRC-32 (reflected polynomial 0xEDB88320), the checksum of archive entries.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmora {

// Continues a CRC-32 over `size` bytes; start with crc 0 (the complements are applied inside).
uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0);

}  // namespace velmora
