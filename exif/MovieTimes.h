#pragma once
// The times a QuickTime or MP4 file (MOV, MP4, M4V, 3GP, and CR3, which is built the same way)
// keeps of itself: the creation and modification times of the movie header (moov/mvhd) and of
// every track's header (trak/tkhd) and media header (trak/mdia/mdhd). Each is seconds since
// 1904-01-01 UTC, 32 bits in a version 0 box, 64 bits in a version 1 box, big-endian; 0 means
// the time was never set. Nothing is written here.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exif/ByteReader.h"

namespace tokimori {

// The tags plans and journals name these times by, outside every Exif and copy tag.
namespace movietag {
inline constexpr uint16_t CreateDate = 0xF101;      // mvhd
inline constexpr uint16_t ModifyDate = 0xF102;      // mvhd
inline constexpr uint16_t TrackCreateDate = 0xF103; // tkhd
inline constexpr uint16_t TrackModifyDate = 0xF104; // tkhd
inline constexpr uint16_t MediaCreateDate = 0xF105; // mdhd
inline constexpr uint16_t MediaModifyDate = 0xF106; // mdhd
// Keys/ilst com.apple.quicktime.creationdate: a text, "2021-04-11T15:47:53-0500"
inline constexpr uint16_t CreationDate = 0xF107;
} // namespace movietag

bool IsMovieTag(uint16_t tag);
// exiftool's names: "QuickTime:CreateDate", "QuickTime:TrackCreateDate", …; "" for another tag.
const char* MovieTagName(uint16_t tag);

// Seconds from 1904-01-01 to 1970-01-01.
inline constexpr int64_t kMovieEpoch = 2082844800;

struct MovieTime {
    uint16_t tag = 0;
    uint64_t offset = 0; // file offset of the number (CreationDate: of its text)
    uint32_t bytes = 4;  // 4 or 8 (CreationDate: the text's length)
    uint64_t value = 0;  // seconds since 1904 UTC, never 0
};

// Every time that is set, in file order, of a file whose top-level boxes hold a moov box (the
// kinds FileFormatOf names MP4, MOV, 3GP and CR3), then the creation date text of the metadata
// keys (moov/meta or moov/udta/meta: keys names it, ilst holds it as UTF-8 data) when it is
// of the form IsoMovieDate reads. Boxes are walked through the byte reader, each inside its
// parent; a header of another version is left out.
std::vector<MovieTime> FindMovieTimes(ByteReader& r);

// The picture size of a movie's first track that has one (tkhd's width and height, 16.16 fixed
// point, whole pixels); nullopt when none does.
struct MovieSize {
    int32_t width = 0, height = 0;
};
std::optional<MovieSize> FindMovieSize(ByteReader& r);

// The creation date's forms: "yyyy-mm-ddThh:mm:ss" then "Z", "+hhmm" or "+hh:mm" (or "-").
struct IsoMovieDate {
    int64_t unix = 0;    // the instant, seconds since 1970 UTC
    int offset = 0;      // seconds east of UTC
    char zoneForm = 'Z'; // 'Z', '4' (+hhmm) or '5' (+hh:mm)
};
std::optional<IsoMovieDate> ParseIsoMovieDate(const std::string& text);
// The instant in the zone of offset, in the form given (a 'Z' form at offset 0 only).
std::string FormatIsoMovieDate(int64_t unix, int offset, char zoneForm);

// A time's value as the UTC date text "yyyy:mm:dd hh:mm:ss" (years past 9999 as they come).
std::string MovieTimeText(uint64_t value);

} // namespace tokimori
