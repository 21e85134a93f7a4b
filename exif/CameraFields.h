#pragma once
// What a photo tells of the camera that took it and of the moment, beyond its Exif summary: the
// body's serial number, the zone of its shooting date and the GPS receiver's date and time. Read
// to tell which photos one camera took and how far its clock was off. Maker notes are not read.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/RunError.h"
#include "exif/ByteReader.h"
#include "exif/ExifLayout.h"
#include "exif/ExifReader.h"

namespace tokimori {

struct Rational {
    uint32_t numerator = 0;
    uint32_t denominator = 0;
};

// GPSDateStamp and GPSTimeStamp as stored, each when its entry is there.
struct GpsStamps {
    std::optional<std::string> date;
    bool timeEntry = false; // the GPSTimeStamp entry is there
    // Its three RATIONALs, when it is RATIONAL, count 3, inside the file.
    std::optional<std::array<Rational, 3>> time;
};

struct CameraFields {
    std::string make, model;      // Make and Model as the summary reads them
    std::string dateTimeOriginal; // as the summary reads it
    // BodySerialNumber (ASCII), when there and not empty or blank.
    std::optional<std::string> bodySerial;
    std::optional<std::string> offsetTimeOriginal; // OffsetTimeOriginal (ASCII) as stored
    GpsStamps gps;
};

// The fields of the photo r reads: Make, Model and DateTimeOriginal taken from its summary (as
// WalkExifSummary read it), the rest by one walk; the later of two equal entries wins. An I/O
// failure shows as r.failed().
CameraFields WalkCameraFields(ByteReader& r, const ExifSummary& summary);

// The fields of the photo at path, opened for reading only and closed before the call returns.
Result<CameraFields> ReadCameraFields(const std::string& path);

} // namespace tokimori
