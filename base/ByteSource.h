#pragma once
// A small random-access source of bytes: a file read and written at absolute offsets, or a
// buffer in memory for tests and fuzzing. Callers keep offset + length within size().

#include <cstdint>
#include <span>
#include <vector>

#include "base/RunError.h"

namespace tokimori {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual uint64_t size() const = 0;
    virtual Status readAt(uint64_t offset, std::span<uint8_t> out) = 0;
    virtual Status writeAt(uint64_t offset, std::span<const uint8_t> data) = 0;
};

// Bytes in memory; writes change the buffer in place and never grow it.
class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    MemorySource(const uint8_t* data, size_t size) : bytes_(data, data + size) {}

    uint64_t size() const override { return bytes_.size(); }
    Status readAt(uint64_t offset, std::span<uint8_t> out) override;
    Status writeAt(uint64_t offset, std::span<const uint8_t> data) override;

    const std::vector<uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
};

} // namespace tokimori
