#include "exif/MovieTimes.h"

#include <string>

#include "exif/FileFormat.h"
#include "exif/IsoBoxes.h"

namespace tokimori {

bool IsMovieTag(uint16_t tag) {
    return tag >= movietag::CreateDate && tag <= movietag::MediaModifyDate;
}

const char* MovieTagName(uint16_t tag) {
    switch (tag) {
    case movietag::CreateDate:
        return "QuickTime:CreateDate";
    case movietag::ModifyDate:
        return "QuickTime:ModifyDate";
    case movietag::TrackCreateDate:
        return "QuickTime:TrackCreateDate";
    case movietag::TrackModifyDate:
        return "QuickTime:TrackModifyDate";
    case movietag::MediaCreateDate:
        return "QuickTime:MediaCreateDate";
    case movietag::MediaModifyDate:
        return "QuickTime:MediaModifyDate";
    default:
        return "";
    }
}

namespace {

// A header's two times: version(1) flags(3), then creation and modification.
void HeaderTimes(ByteReader& r, const IsoBox& box, uint16_t createTag,
                 std::vector<MovieTime>& out) {
    auto version = r.u8(box.payload);
    if (!version || *version > 1) return;
    const uint32_t bytes = *version == 0 ? 4 : 8;
    for (uint32_t k = 0; k < 2; ++k) {
        const uint64_t at = box.payload + 4 + k * bytes;
        if (at + bytes > box.end) return;
        auto value = ReadBigEndian(r, at, bytes);
        if (value && *value != 0)
            out.push_back({static_cast<uint16_t>(createTag + k), at, bytes, *value});
    }
}

} // namespace

std::vector<MovieTime> FindMovieTimes(ByteReader& r) {
    std::vector<MovieTime> out;
    const std::string format = FileFormatOf(r);
    if (format != "MP4" && format != "MOV" && format != "3GP" && format != "CR3") return out;
    auto moov = FindBox(r, 0, r.size(), FourCC("moov"));
    if (!moov) return out;
    WalkBoxes(r, moov->payload, moov->end, [&](const IsoBox& b) {
        if (b.type == FourCC("mvhd")) HeaderTimes(r, b, movietag::CreateDate, out);
        if (b.type != FourCC("trak")) return true;
        WalkBoxes(r, b.payload, b.end, [&](const IsoBox& t) {
            if (t.type == FourCC("tkhd")) HeaderTimes(r, t, movietag::TrackCreateDate, out);
            if (t.type == FourCC("mdia")) {
                if (auto mdhd = FindBox(r, t.payload, t.end, FourCC("mdhd")))
                    HeaderTimes(r, *mdhd, movietag::MediaCreateDate, out);
            }
            return true;
        });
        return true;
    });
    return out;
}

} // namespace tokimori
