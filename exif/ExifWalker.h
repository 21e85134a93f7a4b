#pragma once
// The one walk over a photo's Exif structure, shared by the reader, the date writer and the
// undo check. It finds the Exif data where the kind of file keeps it (ExifPlace), walks IFD0, the
// Exif directory, its Interoperability directory, the GPS directory and IFD1, hands every entry to
// a visitor and records the structure it walked: the bytes that a writer must never touch. What the
// entries mean is the visitor's business.
//
// Bounds: each directory is walked at most once (a pointer to a directory already walked is not
// followed), so a walk visits at most five directories of at most 65 535 entries each.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "exif/ByteReader.h"
#include "exif/ExifLayout.h"
#include "exif/ExifPlace.h"

namespace tokimori {

enum class Ifd : uint8_t { Ifd0, Exif, Interop, Gps, Ifd1 };
inline constexpr size_t kIfdKinds = 5;

// [from, to) in file offsets.
struct ByteRange {
    uint64_t from = 0;
    uint64_t to = 0;
};

// Byte ranges never to be written. add() any number, then seal() once; overlaps() answers in
// logarithmic time. Only bytes below the limit (the file's size) are kept: nothing is written
// past the end of a file.
class ProtectedRanges {
  public:
    explicit ProtectedRanges(uint64_t limit = UINT64_MAX) : limit_(limit) {}
    void add(uint64_t from, uint64_t length);
    void seal();
    bool overlaps(uint64_t from, uint64_t length) const; // needs seal()
    const std::vector<ByteRange>& ranges() const { return ranges_; }

  private:
    uint64_t limit_;
    std::vector<ByteRange> ranges_;
};

struct WalkedIfd {
    bool pointed = false;  // IFD0, or a directory a non-zero pointer names
    bool walked = false;   // its entry count was read and its entries visited
    uint64_t offset = 0;   // file offset of its entry count
    uint16_t count = 0;    // entries it claims
    bool complete = false; // every one of them was read
    uint64_t base = 0;     // file offset of the TIFF header its offsets count from
    uint64_t end = 0;      // end of the part of the file that holds its block
};

struct ExifWalk {
    // JPEG: the APP1 segment in the place the head allows; other kinds: the start of the part
    // of the file that holds the Exif data (ExifPlace's holder).
    std::optional<uint64_t> app1;
    uint64_t tiffBase = 0; // IFD0's TIFF header (JPEG: app1 + 10); its offsets count from here
    bool exif = false;     // identifier, byte order mark and magic number all present
    ByteOrder order = ByteOrder::Big;
    uint64_t segmentEnd = 0; // end of IFD0's block (JPEG: of the APP1 segment by its length)
    std::array<WalkedIfd, kIfdKinds> ifds{};
    // IFD1's JPEG thumbnail (0x0201 offset, 0x0202 length) when it lies inside the file and
    // the APP1 segment.
    std::optional<ByteRange> thumbnail;
    // The TIFF header, every walked directory (count, entries, next offset), the value bytes
    // of every entry the visitor did not claim, and IFD1's thumbnail or strip.
    ProtectedRanges structure;
    std::optional<BlockChecksum> checksum; // PNG: the eXIf chunk's CRC

    const WalkedIfd& ifd(Ifd which) const { return ifds[static_cast<size_t>(which)]; }
};

// Called for every entry read, directory by directory in the order IFD0, Exif, Interop, GPS,
// IFD1 and entry by entry. Answering true claims the entry's value bytes: they stay out of the
// recorded structure and the caller decides about them (adding them to it before sealing).
using EntryVisitor = std::function<bool(Ifd, const IfdEntry&)>;

// The walk; the returned structure is not yet sealed, so a caller may add the value bytes of
// claimed entries it leaves alone. Read failures end the walk where they happen
// (r.failed() tells an I/O failure).
ExifWalk WalkExif(ByteReader& r, const EntryVisitor& visit);

// File range of an entry's value when it stands outside the value field (more than 4 bytes),
// else nullopt.
std::optional<ByteRange> ValueBytes(const IfdEntry& e);

} // namespace tokimori
