// Hand-made hostile containers around a sound Exif block: HEIF items, CR3 boxes, MP4 headers,
// PNG and WebP chunks and RAF headers that point outside the file, overflow, nest too deep or
// cut texts short. One table: each row a crafted file, the slots FindDateSlots must find and
// the writes a run plans (with a UTC clock for the movie times and the PNG CRC after them).
// For every row: no write lies outside a slot, nothing but the written bytes changes, every
// Exif slot lies inside the block the row names, and a planned CRC is the CRC of the chunk.

#include <gtest/gtest.h>

#include <cstdio>

#include "TestFiles.h"
#include "base/Crc32.h"
#include "exif/MovieTimes.h"

namespace tokimori {
namespace {

using namespace test;

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}
Bytes S(std::string_view s) {
    return Bytes(s.begin(), s.end());
}
Bytes Be(uint64_t v, int n) {
    Bytes b;
    for (int i = n - 1; i >= 0; --i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return b;
}
Bytes Le32(uint32_t v) {
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}
Bytes Box(std::string_view type, const Bytes& payload) {
    return Cat({Be(payload.size() + 8, 4), S(type), payload});
}
Bytes Full(int version, const Bytes& rest) {
    return Cat({Be(version, 1), Be(0, 3), rest});
}
Bytes Times(uint32_t create, uint32_t modify) {
    return Cat({Be(create, 4), Be(modify, 4)});
}

// A file and the part of it the Exif texts may lie in.
struct Built {
    Bytes file;
    uint64_t from = 0, to = 0;
};

const Bytes kTiff = CameraTiff(ByteOrder::Little).build(); // three dates, the last one last
const Bytes kExifTiff = Cat({S("Exif"), Be(0, 2), kTiff});

// HEIF: ftyp, meta (iinf with infe 1 "Exif", iloc v1, optional idat), then the item data in an
// mdat. Each knob is a field of iloc's one entry; nullopt: as a sound file has it.
struct Heif {
    Bytes item = Cat({Be(6, 4), kExifTiff}); // exif_tiff_header_offset, "Exif" 0 0, TIFF
    int method = 0;                          // 1: the item in idat
    bool idat = true;                        // with method 1: the idat box is there
    uint64_t count = 1, id = 1, base = 0;
    std::optional<uint64_t> offset, length;
    Built build() const {
        const Bytes ftyp = Box("ftyp", S("heic\0\0\0\0mif1"));
        const auto meta = [&](uint64_t at) {
            const Bytes iinf = Box(
                "iinf", Full(0, Cat({Be(1, 2), Box("infe", Full(2, Cat({Be(1, 2), Be(0, 2),
                                                                        S("Exif"), Be(0, 1)})))})));
            const Bytes entry =
                Cat({Be(id, 2), Be(method, 2), Be(0, 2), Be(base, 8), Be(1, 2),
                     Be(offset.value_or(at), 8), Be(length.value_or(item.size()), 8)});
            const Bytes iloc =
                Box("iloc", Full(1, Cat({Be(0x88, 1), Be(0x80, 1), Be(count, 2), entry})));
            return Box("meta", Full(0, Cat({Box("hdlr", Full(0, S("\0\0\0\0pict"))), iinf, iloc,
                                            method == 1 && idat ? Box("idat", item) : Bytes{}})));
        };
        const uint64_t head = ftyp.size() + meta(0).size();
        const uint64_t at = method == 1 ? head - item.size() : head + 8;
        return {Cat({ftyp, meta(method == 1 ? 0 : at),
                     method == 1 ? Box("mdat", {}) : Box("mdat", item)}),
                at + 10, at + item.size()};
    }
};

// CR3: ftyp crx, moov holding Canon's uuid (CMT1 IFD0, CMT2 the Exif directory) and an mvhd.
const Bytes kCanon = {0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                      0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};
Bytes Mvhd(int version, uint64_t create, uint64_t modify) {
    const int n = version == 1 ? 8 : 4;
    return Box("mvhd", Full(version, Cat({Be(create, n), Be(modify, n), Be(600, 4), Bytes(88)})));
}
Built Cr3(const Bytes& cmt2, const Bytes& mvhd = Mvhd(0, 3300000000u, 3300000001u)) {
    Tiff ifd0 = CameraTiff(ByteOrder::Little), exif = ifd0;
    ifd0.exif.reset();
    exif.ifd0 = *exif.exif;
    exif.exif.reset();
    const Bytes uuid = Box("uuid", Cat({kCanon, Box("CMT1", ifd0.build()), cmt2}));
    const Bytes file = Cat({Box("ftyp", S("crx \0\0\0\1crx ")), Box("moov", Cat({uuid, mvhd}))});
    return {file, 0, file.size() - mvhd.size()};
}
Bytes Cmt2(ByteOrder order, uint16_t magic = 42, size_t cut = 0) {
    Tiff t = CameraTiff(order);
    t.ifd0 = *t.exif;
    t.exif.reset();
    t.magic = magic;
    Bytes b = t.build();
    b.resize(b.size() - cut);
    return Box("CMT2", b);
}
Bytes Trak(const Bytes& tkhd, const Bytes& mdhd) {
    return Box("trak", Cat({tkhd, Box("mdia", mdhd)}));
}
Built Mp4(const Bytes& moov) {
    return {Cat({Box("ftyp", S("isom\0\0\2\0isom")), Box("moov", moov)}), 0, 0};
}

// PNG: signature, IHDR, the chunks given (each length, type, data, CRC), IEND; the data of the
// first chunk given starts at kPngData.
constexpr uint64_t kPngData = 8 + 25 + 8;
Bytes Chunk(std::string_view type, const Bytes& data, uint32_t crcDelta = 0) {
    const Bytes typed = Cat({S(type), data});
    const uint32_t crc = Crc32({reinterpret_cast<const char*>(typed.data()), typed.size()});
    return Cat({Be(data.size(), 4), typed, Be(crc + crcDelta, 4)});
}
Built Png(const Bytes& before, const Bytes& after = {}) {
    const Bytes head = Cat({S("\x89PNG\r\n\x1a\n"), Chunk("IHDR", Bytes(13, 1)), before});
    return {Cat({head, Chunk("IEND", {}), after}), kPngData, head.size() - 4};
}

// WebP: RIFF size WEBP, VP8X, the chunks given; riff: the RIFF size (nullopt: the true one).
Bytes WebpChunk(std::string_view type, const Bytes& data, std::optional<uint32_t> size = {}) {
    Bytes b = Cat({S(type), Le32(size.value_or(static_cast<uint32_t>(data.size()))), data});
    if (data.size() % 2) b.push_back(0);
    return b;
}
Built Webp(const Bytes& chunks, std::optional<uint32_t> riff = {}) {
    const Bytes body = Cat({S("WEBP"), WebpChunk("VP8X", Bytes(10)), chunks});
    const Bytes file = Cat({S("RIFF"), Le32(riff.value_or(uint32_t(body.size()))), body});
    return {file, 0, file.size()};
}

// RAF: the 84-byte head, the embedded JPEG's offset and length, then the JPEG.
Built Raf(std::optional<uint32_t> offset = {}, std::optional<uint32_t> length = {}) {
    const Bytes jpeg = Jpeg({ExifApp1(kTiff)});
    Bytes head = S("FUJIFILMCCD-RAW 0201FF383501");
    head.resize(84);
    const Bytes file =
        Cat({head, Be(offset.value_or(92), 4), Be(length.value_or(jpeg.size()), 4), jpeg});
    return {file, 92, file.size()};
}

Heif HeifWith(auto change) {
    Heif h;
    change(h);
    return h;
}

// The built file with bytes put at an offset from the first occurrence of a text.
Built Poke(Built b, std::string_view near, int delta, const Bytes& bytes) {
    const auto at = std::search(b.file.begin(), b.file.end(), near.begin(), near.end());
    std::copy(bytes.begin(), bytes.end(), at + delta);
    return b;
}

struct Row {
    const char* what;
    Built built;
    size_t slots, writes; // slots: FindDateSlots's; writes: the plan's, the CRC among them
};

TEST(HostileContainers, SlotsAndWritesStayInsideTheirBlocks) {
    const Built heif = Heif().build(), cr3 = Cr3(Cmt2(ByteOrder::Little));
    const Bytes mvhd = Mvhd(0, 1, 2);
    const Row rows[] = {
        {"HEIF sound", heif, 3, 3},
        {"HEIF in idat", HeifWith([](Heif& h) { h.method = 1; }).build(), 3, 3},
        {"HEIF idat missing", HeifWith([](Heif& h) { h.method = 1, h.idat = false; }).build(), 0,
         0},
        {"HEIF iloc count 65535", HeifWith([](Heif& h) { h.count = 65535; }).build(), 3, 3},
        {"HEIF 65535 items, none the Exif item",
         HeifWith([](Heif& h) { h.count = 65535, h.id = 2; }).build(), 0, 0},
        {"HEIF extent past the file", HeifWith([](Heif& h) { h.offset = 1u << 20; }).build(), 0, 0},
        {"HEIF base+offset overflow", HeifWith([](Heif& h) { h.base = ~0ull - 8; }).build(), 0, 0},
        {"HEIF length past the file", HeifWith([](Heif& h) { h.length = 1u << 20; }).build(), 0, 0},
        {"HEIF item of 3 bytes", HeifWith([](Heif& h) { h.length = 3; }).build(), 0, 0},
        {"HEIF header offset past the item", HeifWith([](Heif& h) { h.item[2] = 16; }).build(), 0,
         0},
        {"HEIF last text past the item",
         HeifWith([](Heif& h) { h.length = h.item.size() - 1; }).build(), 2, 2},
        {"HEIF infe past iinf", Poke(heif, "infe", -4, Be(200, 4)), 0, 0},
        {"HEIF meta past the file", Poke(heif, "meta", -4, Be(1u << 20, 4)), 0, 0},
        {"HEIF iloc of size 0", Poke(heif, "iloc", -4, Be(0, 4)), 3, 3},
        {"HEIF iloc entry past its box", Poke(heif, "iloc", -4, Be(16, 4)), 0, 0},
        {"HEIF infe cut before its type", Poke(heif, "infe", -4, Be(14, 4)), 0, 0},
        {"CR3 sound", cr3, 5, 5},
        {"CR3 CMT1 past uuid", Poke(cr3, "CMT1", -4, Be(1u << 16, 4)), 2, 2},
        {"CR3 CMT2 other byte order", Cr3(Cmt2(ByteOrder::Big)), 3, 3},
        {"CR3 CMT2 bad magic", Cr3(Cmt2(ByteOrder::Little, 43)), 3, 3},
        {"CR3 CMT2 cut into its last text", Cr3(Cmt2(ByteOrder::Little, 42, 1)), 4, 4},
        {"CR3 mvhd version 2", Cr3(Cmt2(ByteOrder::Little), Mvhd(2, 1, 1)), 3, 3},
        {"CR3 mvhd times 0", Cr3(Cmt2(ByteOrder::Little), Mvhd(1, 0, 0)), 3, 3},
        {"CR3 mvhd cut short",
         Cr3(Cmt2(ByteOrder::Little), Box("mvhd", Full(1, Cat({Be(1, 8), Be(2, 4)})))), 4, 4},
        {"MP4 three headers",
         Mp4(Cat({mvhd, Trak(Box("tkhd", Full(1, Be(3, 8))), Box("mdhd", Full(0, Times(4, 5))))})),
         5, 5},
        {"MP4 trak past moov",
         Mp4(Cat({mvhd, Be(64, 4), S("trak"), Box("tkhd", Full(0, Times(3, 4)))})), 2, 2},
        {"MP4 64-bit size", Mp4(Cat({Be(1, 4), S("mvhd"), Be(28, 8), Full(0, Times(6, 7))})), 2, 2},
        {"MP4 huge 64-bit size",
         Mp4(Cat({Be(1, 4), S("mvhd"), Be(~0ull, 8), Full(0, Times(6, 7))})), 0, 0},
        {"MP4 size 0 to the end", Mp4(Cat({Be(0, 4), S("mvhd"), Full(0, Times(6, 7))})), 2, 2},
        {"PNG sound", Png(Chunk("eXIf", kTiff)), 4, 4},
        {"PNG with Exif identifier", Png(Chunk("eXIf", kExifTiff)), 4, 4},
        {"PNG CRC wrong before", Png(Chunk("eXIf", kTiff, 1)), 4, 3},
        {"PNG chunk past the end", Png(Cat({Be(1u << 20, 4), S("eXIf"), kTiff})), 0, 0},
        {"PNG eXIf after IEND", Png({}, Chunk("eXIf", kTiff)), 0, 0},
        {"PNG last text into the CRC: none written",
         Png(Chunk("eXIf", Bytes(kTiff.begin(), kTiff.end() - 1))), 0, 0},
        {"WebP sound", Webp(WebpChunk("EXIF", kExifTiff)), 3, 3},
        {"WebP odd chunk before",
         Webp(Cat({WebpChunk("ICCP", Bytes(5)), WebpChunk("EXIF", kTiff)})), 3, 3},
        {"WebP RIFF past the file", Webp(WebpChunk("EXIF", kTiff), 1u << 30), 3, 3},
        {"WebP RIFF ends inside EXIF", Webp(WebpChunk("EXIF", kTiff), 30), 0, 0},
        {"WebP chunk past the end", Webp(WebpChunk("EXIF", kTiff, 1u << 20)), 0, 0},
        {"RAF sound", Raf(), 3, 3},
        {"RAF offset past the file", Raf(1u << 20), 0, 0},
        {"RAF length past the file", Raf({}, 1u << 20), 0, 0},
        {"RAF length cuts its TIFF header", Raf({}, 16), 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Bytes& file = row.built.file;
        MemorySource src(file);
        ByteReader r(src);
        const std::vector<DateSlot> slots = FindDateSlots(r);
        DatePlan plan = PlanExifDateWrite(r, "2006:12:24 10:00:00", "", &UtcMovieClock());
        AddChecksumWrite(r, plan);
        EXPECT_FALSE(r.failed());
        EXPECT_EQ(slots.size(), row.slots);
        EXPECT_EQ(plan.writes.size(), row.writes);
        // A TIFF header the walk takes lies inside its block.
        const ExifWalk walk = WalkExif(r, {});
        EXPECT_TRUE(!walk.exif || walk.tiffBase + 8 <= walk.segmentEnd);
        for (const DateSlot& s : slots) {
            EXPECT_LE(s.offset + s.count, file.size());
            if (!IsMovieTag(s.tag) && s.tag != kChecksumTag) {
                EXPECT_TRUE(s.offset >= row.built.from && s.offset + s.count <= row.built.to)
                    << "slot at " << s.offset;
            }
        }
        ASSERT_TRUE(ApplyDatePlan(r, plan).ok());
        const Bytes& after = src.bytes();
        for (size_t at : Differences(file, after))
            EXPECT_TRUE(std::any_of(
                plan.writes.begin(), plan.writes.end(),
                [&](const DateWrite& w) {
                    return at >= w.offset && at < w.offset + w.newBytes.size() &&
                           std::any_of(slots.begin(), slots.end(), [&](const DateSlot& s) {
                               return s.offset == w.offset && w.newBytes.size() <= s.count;
                           });
                }))
                << "byte " << at << " changed outside a slot";
        // A CRC written is the one of the eXIf chunk's type and data as they are now.
        for (const DateWrite& w : plan.writes)
            if (w.tag == kChecksumTag) {
                ASSERT_EQ(w.offset, kPngData + Get32(&after[kPngData - 8], ByteOrder::Big));
                const std::string_view typed(reinterpret_cast<const char*>(&after[kPngData - 4]),
                                             w.offset - kPngData + 4);
                EXPECT_EQ(Get32(&after[w.offset], ByteOrder::Big), Crc32(typed));
            }
    }
}

} // namespace
} // namespace tokimori
