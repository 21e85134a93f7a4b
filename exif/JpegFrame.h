#pragma once
// The segments at the head of a JPEG file, and the pixel size its frame header states (for
// photos whose Exif data gives none).

#include <cstdint>
#include <functional>
#include <optional>

#include "exif/ByteReader.h"

namespace tokimori {

// One marker segment: FF, its code, a length (2 bytes, counting itself), then its payload.
struct JpegSegment {
    uint8_t code = 0;     // E1 for APP1, ED for APP13, C0 for a frame header, …
    uint64_t marker = 0;  // file offset of its FF
    uint64_t payload = 0; // file offset of the bytes after its length field
    uint32_t length = 0;  // bytes of its payload (the length field's value less 2)
};

// Walks the segments from the start of image up to the first scan (DA) or the end of image
// (D9), handing each to visit in file order until visit answers false. Fill bytes FF before a
// code are stepped over, standalone markers (TEM, RST0 to RST7) have no length. A segment's
// payload may run past the end of the file (a file cut short): its reader finds out. Answers
// false when the file does not start with FF D8, a marker or length is malformed or cannot be
// read before the scan, or after 65 536 segments.
using SegmentVisitor = std::function<bool(const JpegSegment&)>;
bool WalkJpegSegments(ByteReader& r, const SegmentVisitor& visit);

struct FrameSize {
    int32_t width = 0;
    int32_t height = 0; // 0 when the frame defines it later (DNL); the caller shows it as is
};

// The size of the first start-of-frame segment (C0 to C3, C5 to C7, C9 to CB, CD to CF);
// nullopt when the walk ends before one, or its header is cut short.
std::optional<FrameSize> ReadFrameSize(ByteReader& r);

} // namespace tokimori
