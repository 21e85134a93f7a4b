#include "exif/ExifPlace.h"

#include <array>
#include <string>

#include "exif/ExifLayout.h"
#include "exif/FileFormat.h"
#include "exif/IsoBoxes.h"

namespace tokimori {

namespace {

// An APP1 segment with its Exif identifier at app1 (JPEG, and RAF's embedded JPEG), bounded by
// its length field and by limit.
ExifPlace InJpeg(ByteReader& r, uint64_t start, uint64_t limit) {
    ExifPlace p;
    p.holder = FindApp1(r, start);
    if (!p.holder) return p;
    p.identified = HasExifIdentifier(r, *p.holder);
    p.main.base = TiffBaseOf(*p.holder);
    auto length = r.u16(*p.holder + 2, ByteOrder::Big);
    p.main.end = std::min(limit, *p.holder + 2 + (length ? *length : 0));
    return p;
}

// The file itself is a TIFF structure; magic is the number its header carries.
ExifPlace WholeFile(ByteReader& r, uint16_t magic) {
    ExifPlace p;
    p.holder = 0;
    p.identified = true;
    p.main = {0, r.size()};
    p.magic = magic;
    return p;
}

// RAF: the header names its embedded JPEG's offset (at 84) and length (at 88).
ExifPlace InRaf(ByteReader& r) {
    auto offset = r.u32(84, ByteOrder::Big);
    auto length = r.u32(88, ByteOrder::Big);
    if (!offset || !length || *offset < 92 || !r.fits(*offset, *length)) return {};
    ExifPlace p = InJpeg(r, *offset, uint64_t{*offset} + *length);
    // The TIFF header inside the embedded JPEG, not in the raw data after it.
    if (p.holder && (p.main.end < p.main.base || p.main.end - p.main.base < 8)) return {};
    return p;
}

// A HEIF item's data: one extent in the file (construction method 0) or in idat (1).
std::optional<TiffBlock> ItemData(ByteReader& r, const IsoBox& meta, uint32_t item) {
    auto iloc = FindBox(r, meta.payload + 4, meta.end, FourCC("iloc"));
    if (!iloc) return std::nullopt;
    uint64_t p = iloc->payload;
    auto version = r.u8(p);
    auto sizes = r.u8(p + 4);
    auto sizes2 = r.u8(p + 5);
    if (!version || !sizes || !sizes2 || *version > 2) return std::nullopt;
    const unsigned offsetSize = *sizes >> 4, lengthSize = *sizes & 15, baseSize = *sizes2 >> 4;
    const unsigned indexSize = *version == 0 ? 0 : *sizes2 & 15;
    for (unsigned s : {offsetSize, lengthSize, baseSize, indexSize})
        if (s != 0 && s != 4 && s != 8) return std::nullopt;
    const unsigned idSize = *version < 2 ? 2 : 4;
    auto count = ReadBigEndian(r, p + 6, idSize);
    if (!count) return std::nullopt;
    p += 6 + idSize;
    // Each entry inside the box: id, method, reference, base, extent count, extents.
    const uint64_t header = idSize + (*version >= 1 ? 2 : 0) + 4 + baseSize;
    for (uint64_t i = 0; i < *count && i < kMaxBoxes; ++i) {
        if (p > iloc->end || iloc->end - p < header) return std::nullopt;
        auto id = ReadBigEndian(r, p, idSize);
        if (!id) return std::nullopt;
        p += idSize;
        uint64_t method = 0;
        if (*version >= 1) {
            auto m = r.u16(p, ByteOrder::Big);
            if (!m) return std::nullopt;
            method = *m & 15;
            p += 2;
        }
        auto reference = r.u16(p, ByteOrder::Big);
        auto base = ReadBigEndian(r, p + 2, baseSize);
        auto extents = r.u16(p + 2 + baseSize, ByteOrder::Big);
        if (!reference || !base || !extents) return std::nullopt;
        p += 4 + baseSize;
        const unsigned extentSize = indexSize + offsetSize + lengthSize;
        if (uint64_t{*extents} * extentSize > iloc->end - p) return std::nullopt;
        if (*id != item) {
            p += uint64_t{*extents} * extentSize;
            continue;
        }
        // Only an item in one extent of this file is read.
        if (*extents != 1 || *reference != 0 || method > 1) return std::nullopt;
        auto offset = ReadBigEndian(r, p + indexSize, offsetSize);
        auto length = ReadBigEndian(r, p + indexSize + offsetSize, lengthSize);
        if (!offset || !length) return std::nullopt;
        uint64_t from = 0, to = r.size();
        if (method == 1) {
            auto idat = FindBox(r, meta.payload + 4, meta.end, FourCC("idat"));
            if (!idat) return std::nullopt;
            from = idat->payload;
            to = idat->end;
        }
        // start = from + base + offset, inside [from, to), in the subtract-from-size form.
        if (*base > to - from || *offset > to - from - *base) return std::nullopt;
        const uint64_t start = from + *base + *offset;
        if (*length > to - start) return std::nullopt;
        return TiffBlock{start, *length == 0 ? to : start + *length};
    }
    return std::nullopt;
}

// HEIF: the first item of type "Exif" that iinf lists.
ExifPlace InHeif(ByteReader& r) {
    ExifPlace out;
    auto meta = FindBox(r, 0, r.size(), FourCC("meta"));
    if (!meta) return out;
    auto iinf = FindBox(r, meta->payload + 4, meta->end, FourCC("iinf"));
    if (!iinf) return out;
    auto version = r.u8(iinf->payload);
    if (!version) return out;
    std::optional<uint32_t> item;
    WalkBoxes(r, iinf->payload + (*version == 0 ? 6 : 8), iinf->end, [&](const IsoBox& infe) {
        if (infe.type != FourCC("infe")) return true;
        auto v = r.u8(infe.payload);
        if (!v || *v < 2) return true;
        const unsigned idSize = *v == 2 ? 2 : 4;
        if (infe.end - infe.payload < 4 + idSize + 6) return true; // cut before its type
        auto id = ReadBigEndian(r, infe.payload + 4, idSize);
        auto type = r.u32(infe.payload + 4 + idSize + 2, ByteOrder::Big);
        if (id && type && *type == FourCC("Exif")) item = static_cast<uint32_t>(*id);
        return !item;
    });
    if (!item) return out;
    auto data = ItemData(r, *meta, *item);
    if (!data) return out;
    out.holder = data->base;
    // exif_tiff_header_offset(4), then the TIFF header (8) inside the item.
    if (data->end - data->base < 12) return out;
    auto skip = r.u32(data->base, ByteOrder::Big);
    if (!skip || *skip > data->end - data->base - 12) return out;
    out.identified = true;
    out.main = {data->base + 4 + *skip, data->end};
    return out;
}

// CR3: Canon's uuid box in moov holds CMT1 to CMT4.
ExifPlace InCr3(ByteReader& r) {
    static constexpr std::array<uint8_t, 16> kCanon{0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                                                    0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};
    ExifPlace out;
    auto moov = FindBox(r, 0, r.size(), FourCC("moov"));
    if (!moov) return out;
    std::optional<IsoBox> canon;
    WalkBoxes(r, moov->payload, moov->end, [&](const IsoBox& b) {
        std::array<uint8_t, 16> id{};
        if (b.type == FourCC("uuid") && r.bytes(b.payload, id) && id == kCanon) canon = b;
        return !canon;
    });
    if (!canon) return out;
    WalkBoxes(r, canon->payload + 16, canon->end, [&](const IsoBox& b) {
        const TiffBlock block{b.payload, b.end};
        if (b.type == FourCC("CMT1")) {
            out.holder = b.start;
            out.identified = true;
            out.main = block;
        }
        if (b.type == FourCC("CMT2")) out.exif = block;
        if (b.type == FourCC("CMT4")) out.gps = block;
        return true;
    });
    if (!out.identified) out.exif = out.gps = std::nullopt;
    return out;
}

// "Exif" 0 0 before a TIFF header in a chunk of size bytes at base: stepped over.
uint64_t AfterExifIdentifier(ByteReader& r, uint64_t base, uint64_t size) {
    std::array<uint8_t, 6> id{};
    static constexpr std::array<uint8_t, 6> kExif{'E', 'x', 'i', 'f', 0, 0};
    return size >= 6 && r.bytes(base, id) && id == kExif ? base + 6 : base;
}

// PNG: after the signature, chunks of length(4) type(4) data CRC(4), big-endian.
ExifPlace InPng(ByteReader& r) {
    ExifPlace out;
    uint64_t p = 8;
    for (uint32_t n = 0; n < kMaxBoxes && r.fits(p, 12); ++n) {
        auto length = r.u32(p, ByteOrder::Big);
        auto type = r.u32(p + 4, ByteOrder::Big);
        if (!length || !type || !r.fits(p + 8, uint64_t{*length} + 4)) return out;
        const uint64_t data = p + 8, end = data + *length;
        if (*type == FourCC("eXIf")) {
            out.holder = p;
            out.identified = true;
            out.main = {AfterExifIdentifier(r, data, *length), end};
            out.checksum = BlockChecksum{p + 4, end, end};
            return out;
        }
        if (*type == FourCC("IEND")) return out;
        p = end + 4;
    }
    return out;
}

// WebP: the chunks after "RIFF" size "WEBP", each fourcc, size (little-endian), payload, padded
// to an even length.
ExifPlace InWebp(ByteReader& r) {
    ExifPlace out;
    auto riff = r.u32(4, ByteOrder::Little);
    if (!riff) return out;
    const uint64_t end = std::min<uint64_t>(r.size(), uint64_t{*riff} + 8);
    uint64_t p = 12;
    for (uint32_t n = 0; n < kMaxBoxes && p < end && end - p >= 8; ++n) {
        auto type = r.u32(p, ByteOrder::Big);
        auto size = r.u32(p + 4, ByteOrder::Little);
        if (!type || !size || *size > end - p - 8) return out;
        if (*type == FourCC("EXIF")) {
            out.holder = p;
            out.identified = true;
            out.main = {AfterExifIdentifier(r, p + 8, *size), p + 8 + *size};
            return out;
        }
        p += 8 + uint64_t{*size} + (*size & 1);
    }
    return out;
}

} // namespace

ExifPlace LocateExif(ByteReader& r) {
    const std::string format = FileFormatOf(r);
    if (format == "JPEG") return InJpeg(r, 0, r.size());
    if (format == "TIFF" || format == "CR2") return WholeFile(r, 42);
    if (format == "ORF") {
        auto magic = r.u16(2, r.u8(0) == 'I' ? ByteOrder::Little : ByteOrder::Big);
        return WholeFile(r, magic.value_or(0));
    }
    if (format == "RW2") return WholeFile(r, 0x55);
    if (format == "RAF") return InRaf(r);
    if (format == "HEIC" || format == "HEIF" || format == "AVIF") return InHeif(r);
    if (format == "CR3") return InCr3(r);
    if (format == "WebP") return InWebp(r);
    if (format == "PNG") return InPng(r);
    return {};
}

} // namespace tokimori
