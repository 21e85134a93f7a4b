// libFuzzer harness over the Exif engine: the reader's walk and frame size, the camera's fields
// and the clock error its GPS stamps give, then the writer's plan and writes with and without
// keep-time and a filter, the filter equal to the new date among them. Checks what must hold
// for every input: the size never changes; no byte outside the planned date texts changes; no
// two writes overlap; no write touches the walked structure; every write starts a slot of
// FindDateSlots and fits its count; and since the writes leave the structure alone, the slots
// after the writes are the slots before. A movie's times are planned through a UTC clock, each
// write a number of its slot's width; a PNG's CRC is planned after the texts, the plan's one
// write that is no date, and it is the CRC of the chunk as written. The XMP and IPTC copies are
// found inside the file, apart, in file order; each copy a run plans is written over its own text,
// at its length.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "base/ByteSource.h"
#include "base/Crc32.h"
#include "exif/CameraFields.h"
#include "exif/DateCopies.h"
#include "exif/ExifLayout.h"
#include "exif/ExifPlace.h"
#include "exif/ExifReader.h"
#include "exif/ExifWalker.h"
#include "exif/ExifWriter.h"
#include "exif/JpegFrame.h"
#include "exif/MovieTimes.h"
#include "run/ClockSync.h"
#include "run/CopyDates.h"
#include "run/RunLoop.h"

using namespace tokimori;

namespace {
void Check(bool ok) {
    if (!ok) std::abort();
}

bool IsTextSlot(uint16_t t) {
    return !IsMovieTag(t) && t != kChecksumTag;
}

bool SameSlots(const std::vector<DateSlot>& a, const std::vector<DateSlot>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const DateSlot& x, const DateSlot& y) {
                          return x.tag == y.tag && x.offset == y.offset && x.count == y.count;
                      });
}

void Read(const uint8_t* data, size_t size) {
    MemorySource src(data, size);
    ByteReader r(src);
    ExifSummary s;
    const int32_t entries = WalkExifSummary(r, s);
    Check(!r.failed());
    Check(entries >= 0 && entries <= 65535);
    Check(s.EmbeddedDate.size() <= ByteReader::kMaxText);
    const ExifInfo info = WalkExifInfo(r);
    Check(!r.failed());
    Check(info.entries == entries && info.summary.EmbeddedDate == s.EmbeddedDate &&
          info.summary.Maker == s.Maker && info.summary.Model == s.Model);
    Check(info.orientation >= 0 && info.orientation <= 8);
    Check(info.thumbnailLength == 0 || r.fits(info.thumbnailOffset, info.thumbnailLength));
    Check(info.frameWidth >= 0 && info.frameWidth <= 65535);
    auto frame = ReadFrameSize(r);
    Check(!frame || (frame->width >= 0 && frame->height >= 0));
    const CameraFields f = WalkCameraFields(r, s);
    Check(!r.failed());
    Check(!f.bodySerial || f.bodySerial->size() <= ByteReader::kMaxText);
    // Any stamps give an error between two dates of the calendar, or a reason.
    const ClockError e = ClockErrorByGps(f);
    Check(e.ok() ? ParseDateText(e.trueTime).has_value() : e.problem != ClockProblem::None);
    (void)ReadPhotoDates(r);
    Check(!r.failed());
}

// The copies, and the copies a run plans: each over a copy's own text, at its length, in it.
void CopiesAndCheck(const uint8_t* data, size_t size) {
    MemorySource src(data, size);
    ByteReader r(src);
    const std::vector<DateCopy> copies = FindDateCopies(r);
    Check(!r.failed());
    for (size_t i = 0; i < copies.size(); ++i) {
        const DateCopy& c = copies[i];
        Check(IsCopyTag(c.tag) && r.fits(c.offset, c.length));
        Check(i == 0 || copies[i - 1].offset + copies[i - 1].length <= c.offset);
    }
    PhotoPlan plan;
    plan.dates = PlanExifDateWrite(r, "2006:12:24 10:00:00", "");
    const size_t dates = plan.dates.writes.size();
    PlanCopies(r, plan, [](const LocalDateTime& old) {
        LocalDateTime t = old;
        t.year = 2006;
        return std::optional<LocalDateTime>(t);
    });
    Check(!r.failed());
    for (size_t i = dates; i < plan.dates.writes.size(); ++i) {
        const DateWrite& w = plan.dates.writes[i];
        Check(w.newBytes.size() == w.oldBytes.size());
        Check(std::any_of(copies.begin(), copies.end(), [&w](const DateCopy& c) {
            return c.tag == w.tag && c.offset <= w.offset &&
                   w.offset + w.newBytes.size() <= c.offset + c.length;
        }));
    }
}

// What the walk allows writing in the input, found once: the slots, and the structure as the
// writer sees it (everything but the date and offset entries of their own directories).
struct Allowed {
    std::vector<DateSlot> slots;
    ExifWalk walk;
};

Allowed FindAllowed(const uint8_t* data, size_t size) {
    MemorySource src(data, size);
    ByteReader r(src);
    Allowed a;
    const bool tiffEp = HoldsTiffEpDates(r);
    a.walk = WalkExif(
        r, [tiffEp](Ifd ifd, const IfdEntry& e) { return ClaimsDateEntry(tiffEp, ifd, e.tag); });
    a.walk.structure.seal();
    a.slots = FindDateSlots(r);
    Check(!r.failed());
    for (size_t i = 0; i < a.slots.size(); ++i) {
        const DateSlot& s = a.slots[i];
        const bool offset = s.tag >= tag::OffsetTime && s.tag <= tag::OffsetTimeDigitized;
        const bool movie = IsMovieTag(s.tag), crc = s.tag == kChecksumTag;
        Check(movie ? s.count == 4 || s.count == 8
              : crc ? s.count == 4
                    : s.count >= (offset ? 6u : 10u));
        Check(r.fits(s.offset, s.count));
        Check(!a.walk.structure.overlaps(s.offset, s.count));
        for (size_t j = 0; j < i; ++j)
            Check(a.slots[j].offset + a.slots[j].count <= s.offset ||
                  s.offset + s.count <= a.slots[j].offset);
    }
    return a;
}

void WriteAndCheck(const uint8_t* data, size_t size, const Allowed& allowed,
                   const std::string& text, const std::string& filter, bool walkAgain) {
    MemorySource src(data, size);
    ByteReader r(src);
    DatePlan plan = PlanExifDateWrite(r, text, filter, &UtcMovieClock());
    const ChecksumOutcome sum = AddChecksumWrite(r, plan);
    Check(!r.failed() && sum != ChecksumOutcome::Unreadable);
    const std::vector<DateSlot>& slots = allowed.slots;
    for (size_t i = 0; i < plan.writes.size(); ++i) {
        const DateWrite& w = plan.writes[i];
        if (IsMovieTag(w.tag) || w.tag == kChecksumTag)
            Check(w.newBytes.size() == w.oldBytes.size() && w.newBytes != w.oldBytes);
        else
            Check(w.newBytes == text && w.oldBytes.size() == text.size());
        // The CRC is the last write and the only one of its kind.
        Check(w.tag != kChecksumTag ||
              (i + 1 == plan.writes.size() && sum == ChecksumOutcome::Added));
        Check(w.offset + w.newBytes.size() <= size);
        Check(!allowed.walk.structure.overlaps(w.offset, w.newBytes.size()));
        Check(std::any_of(slots.begin(), slots.end(), [&w](const DateSlot& s) {
            return s.offset == w.offset && s.tag == w.tag &&
                   (IsTextSlot(s.tag) ? w.newBytes.size() <= s.count
                                      : w.newBytes.size() == s.count);
        }));
        for (size_t j = 0; j < i; ++j)
            Check(plan.writes[j].offset + plan.writes[j].newBytes.size() <= w.offset ||
                  w.offset + w.newBytes.size() <= plan.writes[j].offset);
    }
    Check(plan.DateChanged == std::any_of(plan.writes.begin(), plan.writes.end(),
                                          [](auto& w) { return w.tag == tag::DateTime; }));

    Check(ApplyDatePlan(r, plan).ok());
    const auto& after = src.bytes();
    Check(after.size() == size);
    // Outside the writes (disjoint, checked above) every byte is as it was.
    std::vector<std::pair<uint64_t, uint64_t>> written;
    for (const DateWrite& w : plan.writes)
        written.emplace_back(w.offset, w.offset + w.newBytes.size());
    std::sort(written.begin(), written.end());
    uint64_t from = 0;
    written.emplace_back(size, size);
    for (const auto& [start, end] : written) {
        Check(start == from || std::memcmp(after.data() + from, data + from, start - from) == 0);
        from = end;
    }

    // The writes left the structure as it was: a second walk finds the same slots. A CRC
    // written is the one of the bytes it covers as they are now.
    MemorySource again(after);
    ByteReader r2(again);
    if (walkAgain) Check(SameSlots(FindDateSlots(r2), slots));
    if (!plan.writes.empty() && plan.writes.back().tag == kChecksumTag) {
        const BlockChecksum c = *LocateExif(r2).checksum;
        Check(c.at == plan.writes.back().offset && c.to <= size);
        const std::string_view covered(reinterpret_cast<const char*>(after.data() + c.from),
                                       c.to - c.from);
        Check(Get32(after.data() + c.at, ByteOrder::Big) == Crc32(covered));
    }
}

// A rule that keeps some texts, lengthens some past their count and rewrites the rest.
void RewriteAndCheck(const uint8_t* data, size_t size) {
    MemorySource src(data, size);
    ByteReader r(src);
    DatePlan plan = PlanDateRewrite(
        r, [](const DateSlot& slot, const std::string& old) -> std::optional<std::string> {
            Check(old.size() <= slot.count && old.find('\0') == std::string::npos);
            if (slot.offset % 3 == 0) return std::nullopt;
            if (slot.offset % 3 == 1) return std::string(slot.count + 1, 'x');
            return std::string(slot.count, 'y');
        });
    Check(!r.failed());
    for (const DateWrite& w : plan.writes)
        Check(w.offset % 3 == 2 && w.offset + w.newBytes.size() <= size);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Read(data, size);
    const Allowed allowed = FindAllowed(data, size);
    // Every slot rewritten: the walk after it must find the same slots.
    WriteAndCheck(data, size, allowed, "2006:12:24 10:00:00", "", true);
    WriteAndCheck(data, size, allowed, "2006:12:24", "", false);
    WriteAndCheck(data, size, allowed, "2006:12:24 10:00:00", "2008:05:30", false);
    // --only-date D --date D: the filter equal to the new date, with and without keep-time.
    WriteAndCheck(data, size, allowed, "2008:05:30 10:00:00", "2008:05:30", false);
    WriteAndCheck(data, size, allowed, "2008:05:30", "2008:05:30", false);
    RewriteAndCheck(data, size);
    CopiesAndCheck(data, size);
    return 0;
}
