#pragma once
// The boxes of an ISO base media file (HEIF/HEIC/AVIF, CR3, MP4, MOV): size(4) type(4), a
// 64-bit size(8) after them when size is 1, the rest of the enclosing range when size is 0.
// Boxes are read through the byte reader and never trusted: a box that does not fit inside its
// parent ends the walk of that parent, and a walk visits at most kMaxBoxes boxes of one parent.

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "exif/ByteReader.h"

namespace tokimori {

struct IsoBox {
    uint32_t type = 0;    // the four characters, first one highest
    uint64_t start = 0;   // file offset of its size field
    uint64_t payload = 0; // file offset of the bytes after its header
    uint64_t end = 0;     // file offset just past it (inside the parent)
};

constexpr uint32_t FourCC(std::string_view s) {
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
           (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}

inline constexpr uint32_t kMaxBoxes = 65536;

// Hands the boxes in [from, to) to visit in file order until it answers false or a box is
// malformed (header cut short, size below its header, past `to`). Answers whether the walk
// reached `to` without a malformed box.
using BoxVisitor = std::function<bool(const IsoBox&)>;
bool WalkBoxes(ByteReader& r, uint64_t from, uint64_t to, const BoxVisitor& visit);

// The first box of a type among [from, to)'s children.
std::optional<IsoBox> FindBox(ByteReader& r, uint64_t from, uint64_t to, uint32_t type);

// An unsigned number of 0, 1, 2, 4 or 8 big-endian bytes at offset (0 bytes: 0).
std::optional<uint64_t> ReadBigEndian(ByteReader& r, uint64_t offset, unsigned bytes);

} // namespace tokimori
