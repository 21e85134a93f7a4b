#include "exif/MovieTimes.h"

#include <algorithm>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "exif/FileFormat.h"
#include "exif/IsoBoxes.h"

namespace tokimori {

bool IsMovieTag(uint16_t tag) {
    return tag >= movietag::CreateDate && tag <= movietag::CreationDate;
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
    case movietag::CreationDate:
        return "Keys:CreationDate";
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

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFrom(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400, yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

// The creation date of the metadata keys in the meta box at [from, to).
void KeysCreationDate(ByteReader& r, const IsoBox& meta, std::vector<MovieTime>& out) {
    // QuickTime's meta holds boxes at once, the ISO one after a version and flags.
    std::optional<IsoBox> keys, ilst;
    for (uint64_t skip : {0, 4}) {
        keys = FindBox(r, meta.payload + skip, meta.end, FourCC("keys"));
        ilst = FindBox(r, meta.payload + skip, meta.end, FourCC("ilst"));
        if (keys && ilst) break;
    }
    if (!keys || !ilst) return;
    // keys: version and flags, a count, then entries of size(4) namespace(4) name.
    static constexpr std::string_view kName = "com.apple.quicktime.creationdate";
    std::optional<uint32_t> index;
    uint64_t p = keys->payload + 8;
    for (uint32_t k = 1; k < kMaxBoxes && p + 8 <= keys->end && !index; ++k) {
        auto size = r.u32(p, ByteOrder::Big);
        if (!size || *size < 8 || *size > keys->end - p) return;
        if (*size - 8 == kName.size()) {
            std::string name(kName.size(), '\0');
            if (r.bytes(p + 8, std::span(reinterpret_cast<uint8_t*>(name.data()), name.size())) &&
                name == kName)
                index = k;
        }
        p += *size;
    }
    if (!index) return;
    // ilst: an item per key, its type the key's index, holding a data box: type(4), locale(4),
    // the value; type 1 is UTF-8.
    auto item = FindBox(r, ilst->payload, ilst->end, *index);
    if (!item) return;
    auto data = FindBox(r, item->payload, item->end, FourCC("data"));
    if (!data || data->end - data->payload < 8 || data->end - data->payload > 64) return;
    auto type = r.u32(data->payload, ByteOrder::Big);
    if (!type || *type != 1) return;
    const uint64_t at = data->payload + 8;
    std::string text(static_cast<size_t>(data->end - at), '\0');
    if (!r.bytes(at, std::span(reinterpret_cast<uint8_t*>(text.data()), text.size()))) return;
    if (!ParseIsoMovieDate(text)) return;
    out.push_back({movietag::CreationDate, at, static_cast<uint32_t>(text.size()), 0});
}

} // namespace

std::optional<MovieSize> FindMovieSize(ByteReader& r) {
    const std::string format = FileFormatOf(r);
    if (format != "MP4" && format != "MOV" && format != "3GP") return std::nullopt;
    auto moov = FindBox(r, 0, r.size(), FourCC("moov"));
    if (!moov) return std::nullopt;
    std::optional<MovieSize> size;
    WalkBoxes(r, moov->payload, moov->end, [&](const IsoBox& b) {
        if (b.type != FourCC("trak")) return true;
        auto tkhd = FindBox(r, b.payload, b.end, FourCC("tkhd"));
        auto version = tkhd ? r.u8(tkhd->payload) : std::nullopt;
        if (!version || *version > 1) return true;
        const uint64_t at = tkhd->payload + (*version == 0 ? 76 : 88);
        if (at + 8 > tkhd->end) return true;
        auto w = r.u32(at, ByteOrder::Big), h = r.u32(at + 4, ByteOrder::Big);
        if (w && h && (*w >> 16) > 0 && (*h >> 16) > 0)
            size = MovieSize{static_cast<int32_t>(*w >> 16), static_cast<int32_t>(*h >> 16)};
        return !size;
    });
    return size;
}

std::optional<IsoMovieDate> ParseIsoMovieDate(const std::string& s) {
    static const char kShape[] = "dddd-dd-ddTdd:dd:dd";
    if (s.size() < 20) return std::nullopt;
    int64_t n[6] = {};
    for (size_t i = 0, k = 0; i < 19; ++i) {
        if (kShape[i] != 'd') {
            if (s[i] != kShape[i]) return std::nullopt;
            ++k;
            continue;
        }
        if (s[i] < '0' || s[i] > '9') return std::nullopt;
        n[k] = n[k] * 10 + (s[i] - '0');
    }
    if (n[1] < 1 || n[1] > 12 || n[2] < 1 || n[2] > 31 || n[3] > 23 || n[4] > 59 || n[5] > 59)
        return std::nullopt;
    IsoMovieDate d;
    const std::string zone = s.substr(19);
    auto digits = [&](size_t at) {
        return zone[at] >= '0' && zone[at] <= '9' && zone[at + 1] >= '0' && zone[at + 1] <= '9'
                   ? (zone[at] - '0') * 10 + (zone[at + 1] - '0')
                   : -1;
    };
    if (zone == "Z") {
        d.zoneForm = 'Z';
    } else if ((zone.size() == 5 || (zone.size() == 6 && zone[3] == ':')) &&
               (zone[0] == '+' || zone[0] == '-')) {
        const int h = digits(1), m = digits(zone.size() == 5 ? 3 : 4);
        if (h < 0 || h > 23 || m < 0 || m > 59) return std::nullopt;
        d.offset = (zone[0] == '-' ? -1 : 1) * (h * 3600 + m * 60);
        d.zoneForm = zone.size() == 5 ? '4' : '5';
    } else {
        return std::nullopt;
    }
    d.unix = DaysFrom(n[0], n[1], n[2]) * 86400 + n[3] * 3600 + n[4] * 60 + n[5] - d.offset;
    return d;
}

std::string FormatIsoMovieDate(int64_t unix, int offset, char zoneForm) {
    std::string text = MovieTimeText(static_cast<uint64_t>(unix + offset + kMovieEpoch));
    text[4] = text[7] = '-';
    text[10] = 'T';
    if (zoneForm == 'Z') return text + "Z";
    const int a = offset < 0 ? -offset : offset;
    char zone[16];
    std::snprintf(zone, sizeof zone, zoneForm == '4' ? "%c%02d%02d" : "%c%02d:%02d",
                  offset < 0 ? '-' : '+', a / 3600 % 100, a / 60 % 60);
    return text + zone;
}

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
    WalkBoxes(r, moov->payload, moov->end, [&](const IsoBox& b) {
        if (b.type == FourCC("meta")) KeysCreationDate(r, b, out);
        if (b.type == FourCC("udta"))
            if (auto meta = FindBox(r, b.payload, b.end, FourCC("meta")))
                KeysCreationDate(r, *meta, out);
        return std::none_of(out.begin(), out.end(),
                            [](const MovieTime& m) { return m.tag == movietag::CreationDate; });
    });
    return out;
}

} // namespace tokimori
