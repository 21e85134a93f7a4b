#pragma once
// Where a file's Exif data stands, by the kind of file it is (told by its content): the TIFF
// header (or headers) the Exif walk starts from, and the part of the file that holds them.
//   JPEG        the APP1 segment the head allows (ExifLayout's FindApp1), "Exif" 0 0, TIFF
//   TIFF, raw   the file itself is the TIFF structure (CR2, DNG, NEF, ARW, …; ORF's and
//               RW2's own magic numbers)
//   RAF         the APP1 segment of its embedded JPEG
//   HEIF/HEIC/AVIF  the item of type "Exif" (meta/iinf/iloc, stored in one extent in the file
//               or in idat): a 4-byte offset to the TIFF header, then the data
//   CR3         moov/uuid(Canon)/CMT1 (IFD0), CMT2 (the Exif directory), CMT4 (GPS), each a
//               TIFF structure of its own
//   WebP        the RIFF chunk "EXIF" ("Exif" 0 0 before the TIFF header or not)
//   PNG         the chunk "eXIf" (the same), whose CRC covers its type and data
// A block's end bounds the texts a writer may touch: the segment, item, box or chunk.

#include <cstdint>
#include <optional>

#include "exif/ByteReader.h"

namespace tokimori {

struct TiffBlock {
    uint64_t base = 0; // file offset of the TIFF header; offsets inside count from here
    uint64_t end = 0;  // file offset just past the part of the file that holds it
};

// A checksum over the part holding the Exif data, which must follow any write inside it.
struct BlockChecksum {
    uint64_t from = 0; // the bytes it covers: [from, to)
    uint64_t to = 0;
    uint64_t at = 0; // where it stands: 4 bytes, big-endian CRC-32
};

struct ExifPlace {
    // JPEG: the APP1 marker the head allows (the identifier may still be missing); other kinds:
    // the start of the box, item or chunk holding the data. Absent: no place for Exif data.
    std::optional<uint64_t> holder;
    bool identified = false; // the holder is Exif data (JPEG: its identifier "Exif" 0 0)
    TiffBlock main;          // the block of IFD0
    // CR3 keeps the Exif and GPS directories in blocks of their own: each block's first
    // directory is that directory.
    std::optional<TiffBlock> exif, gps;
    uint16_t magic = 42; // the number after the byte order mark (ORF 0x4F52/0x5352, RW2 0x55)
    std::optional<BlockChecksum> checksum; // PNG's chunk CRC
};

ExifPlace LocateExif(ByteReader& r);

} // namespace tokimori
