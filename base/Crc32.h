#pragma once
// CRC-32, the polynomial of zlib and PNG (IEEE): of the journal's lines and of PNG chunks.

#include <cstdint>
#include <string_view>

namespace tokimori {

// The CRC of bytes; given the CRC of the bytes before them, that of the whole run
// (Crc32(b, Crc32(a)) == Crc32(a + b)).
uint32_t Crc32(std::string_view bytes, uint32_t crc = 0);

} // namespace tokimori
