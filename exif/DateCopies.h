#pragma once
// The copies of a photo's Exif dates that its other metadata keeps, and every date it holds.
// Copies stand in the XMP packet of an APP1 segment "http://ns.adobe.com/xap/1.0/" (a property
// in attribute or element form) and in the IPTC-NAA record (resource 0x0404) of an APP13
// segment "Photoshop 3.0" (a dataset). They are found by walking the JPEG's segments and reading
// each packet or record whole through the byte reader, inside its segment; nothing is written
// here, and what a copy's text means is the run's business.

#include <cstdint>
#include <string>
#include <vector>

#include "exif/ByteReader.h"

namespace tokimori {

// The tags plans and journals name copies by: outside the tags of every Exif date, so a write
// of one is never taken for the other.
namespace copytag {
inline constexpr uint16_t XmpModifyDate = 0xF001;           // XMP-xmp:ModifyDate
inline constexpr uint16_t XmpCreateDate = 0xF002;           // XMP-xmp:CreateDate
inline constexpr uint16_t XmpMetadataDate = 0xF003;         // XMP-xmp:MetadataDate (copies none)
inline constexpr uint16_t XmpDateTimeOriginal = 0xF004;     // XMP-exif:DateTimeOriginal
inline constexpr uint16_t XmpDateTimeDigitized = 0xF005;    // XMP-exif:DateTimeDigitized
inline constexpr uint16_t XmpDateCreated = 0xF006;          // XMP-photoshop:DateCreated
inline constexpr uint16_t XmpDateTime = 0xF007;             // XMP-tiff:DateTime
inline constexpr uint16_t IptcDateCreated = 0xF037;         // IPTC 2:55, "CCYYMMDD"
inline constexpr uint16_t IptcTimeCreated = 0xF03C;         // IPTC 2:60, "HHMMSS±HHMM"
inline constexpr uint16_t IptcDigitalCreationDate = 0xF03E; // IPTC 2:62
inline constexpr uint16_t IptcDigitalCreationTime = 0xF03F; // IPTC 2:63
} // namespace copytag

bool IsCopyTag(uint16_t tag);
bool IsIptcTag(uint16_t tag);
// exiftool's names: "XMP-xmp:CreateDate", "IPTC:DateCreated"; "" for any other tag.
const char* CopyTagName(uint16_t tag);
// The Exif date a copy stands for (tag::DateTime, DateTimeOriginal or DateTimeDigitized), as
// the Metadata Working Group's guidelines and exiftool pair them: xmp:ModifyDate and tiff:DateTime
// DateTime; xmp:CreateDate, exif:DateTimeDigitized and IPTC's digital creation DateTimeDigitized;
// exif:DateTimeOriginal, photoshop:DateCreated and IPTC's creation DateTimeOriginal. 0 for a date
// that copies none (xmp:MetadataDate, when the metadata last changed).
uint16_t ExifDateOfCopy(uint16_t tag);
// IPTC's date dataset of a time dataset (2:55 of 2:60, 2:62 of 2:63); 0 for any other tag.
uint16_t IptcDateOfTime(uint16_t tag);

// One copy: its tag, where its text stands and the text as stored (the attribute's value or
// the element's text, blanks around it left out; the dataset's bytes).
struct DateCopy {
    uint16_t tag = 0;
    uint64_t offset = 0; // file offset of its text
    uint32_t length = 0;
    std::string text;
};

// Every copy in the photo, in file order: the properties of each rdf:Description directly in
// rdf:RDF, by their namespaces (whatever prefixes the packet gives them), and the datasets of
// record 2. Packets that hold a 0 byte or are not well-formed as far as the scan goes (an
// unclosed tag, comment or quote, an end tag that closes another element, nesting deeper than
// 64) give none; a record ends at its first byte that starts no dataset, and a resource or
// dataset that runs past its segment is not read. Segments are walked to the first scan.
// With unread, the places that may hold copies and are not read, each once: "XMP extension" (an
// APP1 http://ns.adobe.com/xmp/extension/ segment) and "IPTC split over segments" (an IPTC
// record that runs past its APP13 segment), and "XMP and IPTC of a HEIC file" for a file of
// another kind the program re-dates (its copies are not read).
std::vector<DateCopy> FindDateCopies(ByteReader& r, std::vector<std::string>* unread = nullptr);

// A date the photo holds, for showing them side by side.
struct PhotoDate {
    uint16_t tag = 0;       // the Exif tag (GPS tags too), or a copy tag
    std::string where;      // "IFD0:DateTime", "ExifIFD:DateTimeOriginal", "GPS:GPSDateStamp",
                            // "XMP-xmp:CreateDate", "IPTC:DateCreated", …
    std::string text;       // as stored (GPSTimeStamp: its three numbers as hh:mm:ss[.f])
    std::string offset;     // an Exif date's OffsetTime* text, when it has one
    std::string subSeconds; // an Exif date's SubSecTime* text, when it has one
    uint16_t follows = 0;   // a copy: the Exif date it stands for (ExifDateOfCopy)
};

// The Exif dates (IFD0's DateTime, the Exif directory's DateTimeOriginal and DateTimeDigitized
// with their offsets and sub-seconds, and those of them that stand alone), the GPS date and time
// stamps (satellite time, UTC), then the copies, then a movie's CreateDate and ModifyDate of its
// movie header (UTC, offset "+00:00") and the creation date of its metadata keys, as stored. Texts
// are read as the reader reads them (line feeds as blanks), bounded by their entries' counts;
// entries of other types are left out.
std::vector<PhotoDate> ReadPhotoDates(ByteReader& r);

} // namespace tokimori
