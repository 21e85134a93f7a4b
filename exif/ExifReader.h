#pragma once
// Reads the Exif summary of one JPEG photo: shooting date, maker, model and pixel size.

#include <cstdint>
#include <string>

#include "base/RunError.h"
#include "exif/ByteReader.h"

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
// before the walk ended stays in summary). An I/O failure shows as r.failed().
int32_t WalkExifSummary(ByteReader& r, ExifSummary& summary);

struct ExifReadResult {
    int32_t entries = 0;      // the Exif directory's entry count, or 0: no Exif data
    std::string ExifDate;     // the text for lbl_ExifDate: EmbeddedDate
    std::string FileDate;     // the text for lbl_FileDate: last-modification time, general form
    int64_t modifiedUnix = 0; // the same time as read from the file
};

// Reads folder + name (plain concatenation: folder ends in a separator). The file is opened for
// reading only and closed before the call returns.
Result<ExifReadResult> ReadExifInfo(const std::string& folder, const std::string& name,
                                    ExifSummary& summary);

} // namespace tokimori
