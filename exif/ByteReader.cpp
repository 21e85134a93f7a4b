#include "exif/ByteReader.h"

#include <algorithm>
#include <cstring>

namespace tokimori {

// Caches the aligned window holding offset; false when that read fails.
bool ByteReader::load(uint64_t offset) {
    const uint64_t start = offset - offset % kWindow;
    const uint64_t length = std::min<uint64_t>(kWindow, size_ - start);
    windowLength_ = 0;
    Status s = source_.readAt(start, std::span<uint8_t>(window_.data(), length));
    if (!s) {
        error_ = s.error();
        return false;
    }
    windowStart_ = start;
    windowLength_ = length;
    return true;
}

bool ByteReader::bytesThroughSource(uint64_t offset, std::span<uint8_t> out) {
    if (failed() || !fits(offset, out.size())) return false;
    while (!out.empty()) {
        if (windowLength_ == 0 || offset < windowStart_ || offset - windowStart_ >= windowLength_) {
            if (!load(offset)) return false;
        }
        const uint64_t at = offset - windowStart_;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(out.size(), windowLength_ - at));
        std::memcpy(out.data(), window_.data() + at, n);
        out = out.subspan(n);
        offset += n;
    }
    return true;
}

std::optional<uint8_t> ByteReader::u8(uint64_t offset) {
    uint8_t b[1];
    if (!bytes(offset, b)) return std::nullopt;
    return b[0];
}

std::optional<uint16_t> ByteReader::u16(uint64_t offset, ByteOrder order) {
    uint8_t b[2];
    if (!bytes(offset, b)) return std::nullopt;
    return Get16(b, order);
}

std::optional<uint32_t> ByteReader::u32(uint64_t offset, ByteOrder order) {
    uint8_t b[4];
    if (!bytes(offset, b)) return std::nullopt;
    return Get32(b, order);
}

std::optional<std::string> ByteReader::text(uint64_t offset, uint64_t maxLength) {
    if (failed()) return std::nullopt;
    if (maxLength == 0) return std::string();
    if (offset >= size_) return std::nullopt;
    const uint64_t limit = std::min({maxLength, kMaxText, size_ - offset});
    std::string out;
    uint8_t chunk[256];
    for (uint64_t done = 0; done < limit;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(sizeof chunk, limit - done));
        if (!bytes(offset + done, std::span<uint8_t>(chunk, n))) return std::nullopt;
        const auto* end = static_cast<const uint8_t*>(std::memchr(chunk, 0, n));
        const size_t kept = end ? static_cast<size_t>(end - chunk) : n;
        const size_t from = out.size();
        out.append(reinterpret_cast<const char*>(chunk), kept);
        std::replace(out.begin() + static_cast<std::ptrdiff_t>(from), out.end(), '\n', ' ');
        if (end) return out;
        done += n;
    }
    return out;
}

Status ByteReader::write(uint64_t offset, std::span<const uint8_t> data) {
    if (!fits(offset, data.size())) return MakeError(err::DeviceIo, "write outside the file");
    Status s = source_.writeAt(offset, data);
    if (!s) return s;
    // Mirror the bytes into the cached window where they overlap it.
    for (size_t i = 0; i < data.size(); ++i) {
        const uint64_t at = offset + i;
        if (windowLength_ != 0 && at >= windowStart_ && at - windowStart_ < windowLength_)
            window_[static_cast<size_t>(at - windowStart_)] = data[i];
    }
    return {};
}

} // namespace tokimori
