#pragma once
// The TIFF structure of Exif data, and where it stands in a JPEG file, found the same way by the
// reader and the writer (other kinds of file: ExifPlace).

#include <cstdint>
#include <optional>

#include "exif/ByteReader.h"

namespace tokimori {

// Exif tags the program uses.
namespace tag {
inline constexpr uint16_t Make = 0x010F;
inline constexpr uint16_t Model = 0x0110;
inline constexpr uint16_t StripOffsets = 0x0111;
inline constexpr uint16_t Orientation = 0x0112;
inline constexpr uint16_t StripByteCounts = 0x0117;
inline constexpr uint16_t DateTime = 0x0132;
inline constexpr uint16_t Software = 0x0131;
inline constexpr uint16_t JpegThumbnailOffset = 0x0201; // JPEGInterchangeFormat
inline constexpr uint16_t JpegThumbnailLength = 0x0202; // JPEGInterchangeFormatLength
inline constexpr uint16_t ExifIfdPointer = 0x8769;
inline constexpr uint16_t GpsIfdPointer = 0x8825;
inline constexpr uint16_t DateTimeOriginal = 0x9003;
inline constexpr uint16_t DateTimeDigitized = 0x9004;
inline constexpr uint16_t OffsetTime = 0x9010;          // the zone of DateTime, "+02:00"
inline constexpr uint16_t OffsetTimeOriginal = 0x9011;  // of DateTimeOriginal
inline constexpr uint16_t OffsetTimeDigitized = 0x9012; // of DateTimeDigitized
inline constexpr uint16_t SubSecTime = 0x9290;          // fractions of DateTime's second
inline constexpr uint16_t SubSecTimeOriginal = 0x9291;
inline constexpr uint16_t SubSecTimeDigitized = 0x9292;
inline constexpr uint16_t PixelXDimension = 0xA002;
inline constexpr uint16_t PixelYDimension = 0xA003;
inline constexpr uint16_t InteropIfdPointer = 0xA005;
inline constexpr uint16_t MakerNote = 0x927C;
inline constexpr uint16_t BodySerialNumber = 0xA431; // ASCII
// In the GPS directory: satellite time (UTC), never a local date.
inline constexpr uint16_t GpsTimeStamp = 0x0007; // three RATIONALs: hours, minutes, seconds
inline constexpr uint16_t GpsDateStamp = 0x001D; // "yyyy:mm:dd"
// Not tags of a file: the names of DateTimeOriginal and DateTimeDigitized where TIFF/EP puts them
// (IFD0), in plans and journals.
inline constexpr uint16_t Ifd0DateTimeOriginal = 0xF120;
inline constexpr uint16_t Ifd0DateTimeDigitized = 0xF121;
} // namespace tag

inline constexpr uint16_t kTypeAscii = 2;
inline constexpr uint16_t kTypeShort = 3;
inline constexpr uint16_t kTypeLong = 4;
inline constexpr uint16_t kTypeIfd = 13; // a LONG that points to a directory (TIFF/EP)

// Bytes of one value of a TIFF type: BYTE, ASCII, SBYTE, UNDEFINED 1; SHORT, SSHORT 2; LONG,
// SLONG, FLOAT, IFD 4; RATIONAL, SRATIONAL, DOUBLE 8. An unknown type counts 1 byte a value.
uint32_t TypeSize(uint16_t type);

// Offset of the APP1 marker that must carry the Exif block, or nullopt when the head of the
// file rules it out:
//   0      FF D8           start of image
//   2      FF E0 L(2)      optional: one APP0 segment of length L (counting its length bytes)
//   p      FF E1           APP1; p = 2, or 4 + L after an APP0
// Nothing else may stand before the APP1 segment. Offsets count from start (a JPEG embedded in
// another file).
std::optional<uint64_t> FindApp1(ByteReader& r, uint64_t start = 0);

// The APP1 segment at p carries the identifier "Exif" at p + 4; the TIFF header is at p + 10.
bool HasExifIdentifier(ByteReader& r, uint64_t app1);
inline uint64_t TiffBaseOf(uint64_t app1) {
    return app1 + 10;
}

// TIFF header at tiffBase: "II" little-endian or "MM" big-endian, then 42, then the offset of
// IFD0 (4 bytes).
std::optional<ByteOrder> ReadByteOrder(ByteReader& r, uint64_t tiffBase);

// One 12-byte directory entry: tag(2) type(2) count(4) value field(4).
struct IfdEntry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    uint32_t value = 0;         // the value field read as one number
    uint8_t valueField[4] = {}; // the value field as stored
    uint64_t base = 0;          // file offset of the TIFF header value offsets count from
};

// File offset of the value an entry's value field points to.
inline uint64_t ValueOffset(const IfdEntry& e) {
    return e.base + e.value;
}

// The entry's value as one number: a SHORT from the first two bytes of the value field, any
// other type from all four.
uint32_t EntryNumber(const IfdEntry& e, ByteOrder order);

// Entry k of the directory at ifd: count(2), then entries every 12 bytes from ifd + 2.
std::optional<IfdEntry> ReadEntry(ByteReader& r, uint64_t ifd, uint32_t k, ByteOrder order);

} // namespace tokimori
