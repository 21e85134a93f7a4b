#include "exif/IsoBoxes.h"

#include <algorithm>

namespace tokimori {

bool WalkBoxes(ByteReader& r, uint64_t from, uint64_t to, const BoxVisitor& visit) {
    to = std::min(to, r.size());
    uint64_t p = from;
    for (uint32_t n = 0; n < kMaxBoxes && p < to; ++n) {
        if (to - p < 8) return false;
        auto size = r.u32(p, ByteOrder::Big);
        auto type = r.u32(p + 4, ByteOrder::Big);
        if (!size || !type) return false;
        uint64_t length = *size;
        uint64_t header = 8;
        if (*size == 1) {
            auto large = ReadBigEndian(r, p + 8, 8);
            if (!large || to - p < 16) return false;
            length = *large;
            header = 16;
        } else if (*size == 0) {
            length = to - p;
        }
        if (length < header || length > to - p) return false;
        if (!visit(IsoBox{*type, p, p + header, p + length})) return true;
        p += length;
    }
    return p == to;
}

std::optional<IsoBox> FindBox(ByteReader& r, uint64_t from, uint64_t to, uint32_t type) {
    std::optional<IsoBox> found;
    WalkBoxes(r, from, to, [&](const IsoBox& b) {
        if (b.type == type) found = b;
        return !found;
    });
    return found;
}

std::optional<uint64_t> ReadBigEndian(ByteReader& r, uint64_t offset, unsigned bytes) {
    uint8_t raw[8];
    if (bytes > 8 || !r.bytes(offset, std::span(raw, bytes))) return std::nullopt;
    uint64_t v = 0;
    for (unsigned i = 0; i < bytes; ++i)
        v = (v << 8) | raw[i];
    return v;
}

} // namespace tokimori
