#include "exif/JpegFrame.h"

namespace tokimori {

namespace {
bool IsStartOfFrame(uint8_t m) {
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}
bool IsStandalone(uint8_t m) {
    return m == 0x01 || (m >= 0xD0 && m <= 0xD7); // TEM, RST0 to RST7: no length follows
}
} // namespace

bool WalkJpegSegments(ByteReader& r, const SegmentVisitor& visit) {
    auto soi = r.u16(0, ByteOrder::Big);
    if (!soi || *soi != 0xFFD8) return false;
    uint64_t p = 2;
    for (int segments = 0; segments < 65536; ++segments) {
        // A marker: FF, any number of fill bytes FF, then the marker's code.
        const uint64_t marker = p;
        auto ff = r.u8(p);
        if (!ff || *ff != 0xFF) return false;
        std::optional<uint8_t> code;
        do {
            code = r.u8(++p);
        } while (code && *code == 0xFF);
        if (!code || *code == 0x00 || *code == 0xD8) return false;
        if (*code == 0xD9 || *code == 0xDA) return true;
        ++p; // p: after the code
        if (IsStandalone(*code)) continue;
        auto length = r.u16(p, ByteOrder::Big);
        if (!length || *length < 2) return false;
        const JpegSegment s{*code, marker, p + 2, static_cast<uint32_t>(*length - 2)};
        if (!visit(s)) return true;
        p += *length;
    }
    return false;
}

std::optional<FrameSize> ReadFrameSize(ByteReader& r) {
    std::optional<FrameSize> size;
    bool cut = false;
    WalkJpegSegments(r, [&](const JpegSegment& s) {
        if (!IsStartOfFrame(s.code)) return true;
        // A frame header: precision(1), height(2), width(2).
        auto height = r.u16(s.payload + 1, ByteOrder::Big);
        auto width = r.u16(s.payload + 3, ByteOrder::Big);
        if (s.length < 5 || !height || !width)
            cut = true;
        else
            size = FrameSize{*width, *height};
        return false;
    });
    return cut ? std::nullopt : size;
}

} // namespace tokimori
