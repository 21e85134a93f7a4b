#pragma once
// Reads the Exif summary of one JPEG photo: shooting date, maker, model and pixel size; and,
// for showing the photo quickly, its frame size, orientation and embedded thumbnail.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/RunError.h"
#include "exif/ByteReader.h"
#include "exif/DateCopies.h"

namespace tokimori {

struct ExifSummary {
    int32_t TiffBase = 0;     // file offset of the TIFF header; Exif offsets count from here
    std::string EmbeddedDate; // DateTimeOriginal as stored; empty when absent
    std::string Maker;        // Make as stored
    std::string Model;        // Model as stored
    int32_t PixelWidth = 0;   // PixelXDimension; 0 when absent
    int32_t PixelHeight = 0;  // PixelYDimension; 0 when absent
};

// Empties summary and walks the source's Exif data into it. Returns the Exif directory's entry
// count, or 0 when the file has no Exif data by the head and directory rules (what was found
// before the walk ended stays in summary). A Make, Model or DateTimeOriginal whose text lies
// outside the file reads as empty. An I/O failure shows as r.failed().
// Where a text of the summary was read from. Date writes never touch the walked structure, so
// reading the text there again gives what a new walk would.
struct TextPlace {
    uint64_t offset = 0;
    uint32_t count = 0;
    bool present = false;
};
int32_t WalkExifSummary(ByteReader& r, ExifSummary& summary, TextPlace* embeddedDate = nullptr);
// The text at a place, as the reader reads texts (empty when not present or outside the file).
std::string ReadTextAt(ByteReader& r, const TextPlace& place);

struct ExifInfo {
    int32_t entries = 0; // the Exif directory's entry count, or 0: no Exif data
    ExifSummary summary;
    int64_t modifiedUnix = 0; // the last-modification time, as read from the open file
    // The first frame header's size (a movie's: its first picture track's), read only when the
    // Exif data gives no pixel size; 0 when unknown.
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    int32_t orientation = 0;      // IFD0 Orientation 1 to 8; 0 when absent or out of range
    uint64_t thumbnailOffset = 0; // file offset of IFD1's JPEG thumbnail
    uint32_t thumbnailLength = 0; // its length; 0 when the photo carries none
    std::string format;           // FileFormatOf: "JPEG", "HEIC", …; "" for a kind not known
    // A movie's creation time (its movie header's), seconds since 1970 UTC.
    std::optional<int64_t> movieCreated;
};

// The summary, frame size, orientation and thumbnail of the photo r reads (its modification
// time left 0). An I/O failure shows as r.failed().
ExifInfo WalkExifInfo(ByteReader& r);

// Reads folder + name (plain concatenation: folder ends in a separator), and with dates every
// date it holds (ReadPhotoDates). The file is opened for reading only and closed before the
// call returns.
Result<ExifInfo> ReadExifInfo(const std::string& folder, const std::string& name,
                              std::vector<PhotoDate>* dates = nullptr);

} // namespace tokimori
