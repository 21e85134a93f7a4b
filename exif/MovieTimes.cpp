#include "exif/MovieTimes.h"

#include <cstdio>
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

std::string MovieTimeText(uint64_t value) {
    // Days since 0000-03-01 to the civil date (proleptic Gregorian): 1904-01-01 is day 695 361.
    const uint64_t seconds = value % 86400;
    const int64_t z = static_cast<int64_t>(value / 86400) + 695361;
    const int64_t era = z / 146097, doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100), mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1, month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2);
    char text[96];
    std::snprintf(text, sizeof text, "%04lld:%02lld:%02lld %02llu:%02llu:%02llu",
                  static_cast<long long>(year), static_cast<long long>(month),
                  static_cast<long long>(day), static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds / 60 % 60),
                  static_cast<unsigned long long>(seconds % 60));
    return text;
}

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
