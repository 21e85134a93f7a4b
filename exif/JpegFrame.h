#pragma once
// The pixel size a JPEG file's frame header states, for photos whose Exif data gives none.

#include <cstdint>
#include <optional>

#include "exif/ByteReader.h"

namespace tokimori {

struct FrameSize {
    int32_t width = 0;
    int32_t height = 0; // 0 when the frame defines it later (DNL); the caller shows it as is
};

// Walks the segments from the start of image to the first start-of-frame marker (C0 to C3, C5 to
// C7, C9 to CB, CD to CF) and returns its size. nullopt when the file does not start with FF D8,
// a scan (DA) or the end of image (D9) comes first, a length is malformed or runs past the end,
// or after 65 536 segments.
std::optional<FrameSize> ReadFrameSize(ByteReader& r);

} // namespace tokimori
