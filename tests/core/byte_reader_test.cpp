// The bounds-checked reader: window cache across boundaries, limits, and failing sources.

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "exif/ByteReader.h"

namespace tokimori {
namespace {

// A source that counts its reads and can be made to fail.
class CountingSource : public ByteSource {
  public:
    explicit CountingSource(std::vector<uint8_t> b) : mem_(std::move(b)) {}
    uint64_t size() const override { return mem_.size(); }
    Status readAt(uint64_t o, std::span<uint8_t> out) override {
        ++reads;
        if (fail) return MakeError(err::DeviceIo, "injected");
        return mem_.readAt(o, out);
    }
    Status writeAt(uint64_t o, std::span<const uint8_t> d) override { return mem_.writeAt(o, d); }
    int reads = 0;
    bool fail = false;
    MemorySource mem_;
};

std::vector<uint8_t> Counting(size_t n) {
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<uint8_t>(i * 7 + 1);
    return b;
}

TEST(ByteReader, ReadsAcrossWindowBoundariesAndCachesThem) {
    CountingSource src(Counting(20000));
    ByteReader r(src);
    auto v = r.u32(8190, ByteOrder::Big); // straddles the first two windows
    ASSERT_TRUE(v);
    const auto& b = src.mem_.bytes();
    EXPECT_EQ(*v, (uint32_t{b[8190]} << 24) | (uint32_t{b[8191]} << 16) | (uint32_t{b[8192]} << 8) |
                      b[8193]);
    const int afterStraddle = src.reads;
    EXPECT_TRUE(r.u16(8192, ByteOrder::Little));
    EXPECT_TRUE(r.u16(9000, ByteOrder::Little));
    EXPECT_EQ(src.reads, afterStraddle);
    EXPECT_EQ(*r.u16(0, ByteOrder::Little), uint16_t(b[0] | (b[1] << 8)));
}

TEST(ByteReader, RefusesEveryReadThatLeavesTheSource) {
    MemorySource src(Counting(100));
    ByteReader r(src);
    EXPECT_TRUE(r.u32(96, ByteOrder::Big));
    EXPECT_FALSE(r.u32(97, ByteOrder::Big));
    EXPECT_FALSE(r.u16(UINT64_MAX - 1, ByteOrder::Big));
    EXPECT_FALSE(r.u8(100));
    EXPECT_FALSE(r.fits(1, UINT64_MAX));
    EXPECT_FALSE(r.text(100, 5));
    EXPECT_EQ(r.text(100, 0), std::string());
    EXPECT_FALSE(r.failed());
}

TEST(ByteReader, TextStopsAtZeroCountOrEnd) {
    std::string s = "AB\nC";
    std::vector<uint8_t> b(s.begin(), s.end());
    b.push_back(0);
    b.push_back('D');
    MemorySource src(b);
    ByteReader r(src);
    EXPECT_EQ(*r.text(0, 100), "AB C");
    EXPECT_EQ(*r.text(0, 2), "AB");
    EXPECT_EQ(*r.text(5, 100), "D"); // runs into the end of the source
    std::vector<uint8_t> big(200000, 'x');
    MemorySource large(big);
    ByteReader rl(large);
    EXPECT_EQ(rl.text(0, UINT32_MAX)->size(), ByteReader::kMaxText);
    // Longer texts are read in pieces: line feeds and the zero found in any of them.
    std::string longText(300, 'y');
    longText[10] = '\n';
    longText[290] = '\n';
    longText[295] = 0;
    MemorySource pieces(std::vector<uint8_t>(longText.begin(), longText.end()));
    ByteReader rp(pieces);
    std::string expected = longText.substr(0, 295);
    expected[10] = expected[290] = ' ';
    EXPECT_EQ(*rp.text(0, 1000), expected);
}

TEST(ByteReader, AFailedReadIsKeptAndEndsEveryLaterRead) {
    CountingSource src(Counting(100));
    src.fail = true;
    ByteReader r(src);
    EXPECT_FALSE(r.u16(0, ByteOrder::Big));
    ASSERT_TRUE(r.failed());
    EXPECT_EQ(r.error()->number, 57);
    src.fail = false;
    EXPECT_FALSE(r.u16(0, ByteOrder::Big));
}

TEST(ByteReader, WritesReachTheSourceAndTheCache) {
    MemorySource src(Counting(100));
    ByteReader r(src);
    ASSERT_TRUE(r.u8(10));
    const uint8_t data[] = {0xAA, 0xBB};
    ASSERT_TRUE(r.write(10, data).ok());
    EXPECT_EQ(*r.u16(10, ByteOrder::Big), 0xAABB);
    EXPECT_EQ(src.bytes()[11], 0xBB);
    EXPECT_FALSE(r.write(99, data).ok());
    EXPECT_EQ(src.bytes()[99], Counting(100)[99]);
}

} // namespace
} // namespace tokimori
