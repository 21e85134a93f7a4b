#include "base/ByteSource.h"

#include <algorithm>

namespace tokimori {

Status MemorySource::readAt(uint64_t offset, std::span<uint8_t> out) {
    if (offset > bytes_.size() || out.size() > bytes_.size() - offset)
        return MakeError(err::DeviceIo, "read outside the buffer");
    std::copy_n(bytes_.begin() + static_cast<ptrdiff_t>(offset), out.size(), out.begin());
    return {};
}

Status MemorySource::writeAt(uint64_t offset, std::span<const uint8_t> data) {
    if (offset > bytes_.size() || data.size() > bytes_.size() - offset)
        return MakeError(err::DeviceIo, "write outside the buffer");
    std::copy(data.begin(), data.end(), bytes_.begin() + static_cast<ptrdiff_t>(offset));
    return {};
}

} // namespace tokimori
