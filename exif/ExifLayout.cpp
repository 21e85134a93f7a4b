#include "exif/ExifLayout.h"

#include <cstring>

namespace tokimori {

std::optional<uint64_t> FindApp1(ByteReader& r, uint64_t start) {
    auto soi = r.u16(start, ByteOrder::Big);
    if (!soi || *soi != 0xFFD8) return std::nullopt;
    uint64_t p = start + 2;
    auto marker = r.u16(p, ByteOrder::Big);
    if (!marker) return std::nullopt;
    if (*marker == 0xFFE0) {
        auto length = r.u16(start + 4, ByteOrder::Big);
        if (!length) return std::nullopt;
        p = start + 4 + uint64_t{*length};
        marker = r.u16(p, ByteOrder::Big);
        if (!marker) return std::nullopt;
    }
    if (*marker != 0xFFE1) return std::nullopt;
    return p;
}

bool HasExifIdentifier(ByteReader& r, uint64_t app1) {
    auto id = r.u32(app1 + 4, ByteOrder::Big);
    return id && *id == 0x45786966; // "Exif"
}

std::optional<ByteOrder> ReadByteOrder(ByteReader& r, uint64_t tiffBase) {
    uint8_t mark[2];
    if (!r.bytes(tiffBase, mark)) return std::nullopt;
    if (mark[0] == 'I' && mark[1] == 'I') return ByteOrder::Little;
    if (mark[0] == 'M' && mark[1] == 'M') return ByteOrder::Big;
    return std::nullopt;
}

uint32_t TypeSize(uint16_t type) {
    switch (type) {
    case 3:
    case 8:
        return 2;
    case 4:
    case 9:
    case 11:
    case 13:
        return 4;
    case 5:
    case 10:
    case 12:
        return 8;
    default:
        return 1;
    }
}

uint32_t EntryNumber(const IfdEntry& e, ByteOrder order) {
    return e.type == kTypeShort ? Get16(e.valueField, order) : e.value;
}

std::optional<IfdEntry> ReadEntry(ByteReader& r, uint64_t ifd, uint32_t k, ByteOrder order) {
    uint8_t raw[12];
    if (!r.bytes(ifd + 2 + 12 * uint64_t{k}, raw)) return std::nullopt;
    IfdEntry e;
    e.tag = Get16(raw, order);
    e.type = Get16(raw + 2, order);
    e.count = Get32(raw + 4, order);
    e.value = Get32(raw + 8, order);
    std::memcpy(e.valueField, raw + 8, 4);
    return e;
}

} // namespace tokimori
