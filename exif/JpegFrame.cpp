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

std::optional<FrameSize> ReadFrameSize(ByteReader& r) {
    auto soi = r.u16(0, ByteOrder::Big);
    if (!soi || *soi != 0xFFD8) return std::nullopt;
    uint64_t p = 2;
    for (int segments = 0; segments < 65536; ++segments) {
        // A marker: FF, any number of fill bytes FF, then the marker's code.
        auto ff = r.u8(p);
        if (!ff || *ff != 0xFF) return std::nullopt;
        std::optional<uint8_t> code;
        do {
            code = r.u8(++p);
        } while (code && *code == 0xFF);
        if (!code || *code == 0x00 || *code == 0xD8 || *code == 0xD9 || *code == 0xDA)
            return std::nullopt;
        ++p; // p: after the code
        if (IsStandalone(*code)) continue;
        // A segment: length(2), counting itself; a frame header then has precision(1),
        // height(2), width(2).
        auto length = r.u16(p, ByteOrder::Big);
        if (!length || *length < 2) return std::nullopt;
        if (IsStartOfFrame(*code)) {
            if (*length < 7) return std::nullopt;
            auto height = r.u16(p + 3, ByteOrder::Big);
            auto width = r.u16(p + 5, ByteOrder::Big);
            if (!height || !width) return std::nullopt;
            return FrameSize{*width, *height};
        }
        p += *length;
    }
    return std::nullopt;
}

} // namespace tokimori
