#pragma once
// The one way the Exif code reads a photo: bounds-checked reads at absolute offsets through a
// small window cache, so a walk over a camera file costs one or two system reads.
//
// Every read checks offset and length against the size in the subtract-from-size form and
// answers nullopt when the bytes are not all inside the source. An I/O failure is kept as the
// reader's error; every later read answers nullopt, so a walk ends and its caller reports it.

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>

#include "base/ByteSource.h"

namespace tokimori {

enum class ByteOrder { Big, Little };

class ByteReader {
  public:
    // Longest text the reader takes: an APP1 segment, and so every Exif text, is shorter.
    static constexpr uint64_t kMaxText = 65535;

    explicit ByteReader(ByteSource& source) : source_(source), size_(source.size()) {}

    uint64_t size() const { return size_; }
    bool fits(uint64_t offset, uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }

    bool bytes(uint64_t offset, std::span<uint8_t> out) {
        // Inside the cached window (which lies inside the source): a copy.
        if (windowLength_ != 0 && !failed() && offset >= windowStart_ &&
            out.size() <= windowLength_ && offset - windowStart_ <= windowLength_ - out.size()) {
            if (!out.empty())
                std::memcpy(out.data(), window_.data() + (offset - windowStart_), out.size());
            return true;
        }
        return bytesThroughSource(offset, out);
    }
    std::optional<uint8_t> u8(uint64_t offset);
    std::optional<uint16_t> u16(uint64_t offset, ByteOrder order);
    std::optional<uint32_t> u32(uint64_t offset, ByteOrder order);

    // A text at offset: bytes up to the first 0, at most maxLength of them and never past the
    // end of the source; a line feed becomes a space. nullopt when offset lies outside the
    // source (a text of no length is empty wherever it points).
    std::optional<std::string> text(uint64_t offset, uint64_t maxLength);

    // Writes through to the source and keeps the cached window in step.
    Status write(uint64_t offset, std::span<const uint8_t> data);

    bool failed() const { return error_.has_value(); }
    const std::optional<RunError>& error() const { return error_; }

  private:
    static constexpr uint64_t kWindow = 8192;
    bool load(uint64_t offset);
    bool bytesThroughSource(uint64_t offset, std::span<uint8_t> out);

    ByteSource& source_;
    uint64_t size_;
    std::optional<RunError> error_;
    std::array<uint8_t, kWindow> window_; // read only where load() filled it
    uint64_t windowStart_ = 0;
    uint64_t windowLength_ = 0; // 0: nothing cached
};

// Integers assembled from bytes in the given order.
inline uint16_t Get16(const uint8_t* p, ByteOrder o) {
    return o == ByteOrder::Big ? static_cast<uint16_t>((p[0] << 8) | p[1])
                               : static_cast<uint16_t>((p[1] << 8) | p[0]);
}
inline uint32_t Get32(const uint8_t* p, ByteOrder o) {
    return o == ByteOrder::Big ? (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) |
                                     (uint32_t{p[2]} << 8) | uint32_t{p[3]}
                               : (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) |
                                     (uint32_t{p[1]} << 8) | uint32_t{p[0]};
}

} // namespace tokimori
