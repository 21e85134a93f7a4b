#include "exif/ExifWriter.h"

#include <algorithm>
#include <cctype>

#include "base/PositionedFile.h"
#include "exif/ExifLayout.h"

namespace tokimori {

namespace {

bool IsDateText(const std::string& s) {
    // yyyy:mm:dd[ hh:mm:ss]
    static const char kShape[] = "dddd:dd:dd dd:dd:dd";
    if (s.size() != 10 && s.size() != 19) return false;
    for (size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (kShape[i] == 'd' ? !std::isdigit(c) : c != static_cast<unsigned char>(kShape[i]))
            return false;
    }
    return true;
}

class Planner {
  public:
    Planner(ByteReader& r, const std::string& newText, const std::string& filter)
        : r_(r), newText_(newText), filter_(filter) {}

    DatePlan run() {
        walk();
        // A date entry that points into the TIFF header or a directory's entries would destroy
        // the structure that finds the photo's data: such entries are stepped over.
        std::vector<DateWrite> kept;
        std::vector<uint32_t> keptCounts;
        for (size_t i = 0; i < plan_.writes.size(); ++i) {
            const DateWrite& w = plan_.writes[i];
            bool safe = true;
            for (const auto& [from, to] : structure_)
                if (w.offset < to && from < w.offset + w.newBytes.size()) safe = false;
            if (!safe) {
                plan_.skipped.push_back({w.tag, w.offset, "overlaps the Exif structure"});
                continue;
            }
            kept.push_back(w);
            keptCounts.push_back(counts_[i]);
        }
        plan_.writes = std::move(kept);
        counts_ = std::move(keptCounts);
        plan_.DateChanged = std::any_of(plan_.writes.begin(), plan_.writes.end(),
                                        [](const DateWrite& w) { return w.tag == tag::DateTime; });
        return plan_;
    }

  private:
    // Header(8) and each directory: count(2), entries 12 each, next-directory offset(4).
    void protect(uint64_t from, uint64_t length) { structure_.emplace_back(from, from + length); }

    void walk() {
        auto app1 = FindApp1(r_);
        if (!app1 || !HasExifIdentifier(r_, *app1)) return;
        // APP1: FF E1, length(2) counting itself, then the segment's data.
        auto segmentLength = r_.u16(*app1 + 2, ByteOrder::Big);
        segmentEnd_ = *app1 + 2 + (segmentLength ? *segmentLength : 0);
        tiffBase_ = TiffBaseOf(*app1);

        auto order = ReadByteOrder(r_, tiffBase_);
        if (!order) return;
        order_ = *order;
        protect(tiffBase_, 8);
        auto ifd0Offset = r_.u32(tiffBase_ + 4, order_);
        if (!ifd0Offset) return;

        const uint64_t ifd0 = tiffBase_ + *ifd0Offset;
        auto count0 = r_.u16(ifd0, order_);
        if (!count0 || *count0 == 0) return;
        protect(ifd0, 2 + 12 * uint64_t{*count0} + 4);
        uint32_t exifPointer = 0;
        for (uint32_t k = 0; k < *count0; ++k) {
            auto e = ReadEntry(r_, ifd0, k, order_);
            if (!e) return;
            if (e->tag == tag::DateTime) {
                dateRule(*e);
            } else if (e->tag == tag::ExifIfdPointer) {
                exifPointer = e->value;
            }
        }
        if (exifPointer == 0) {
            plan_.reachedEnd = true;
            return;
        }

        const uint64_t exifIfd = tiffBase_ + exifPointer;
        auto count = r_.u16(exifIfd, order_);
        if (!count || *count == 0) return;
        protect(exifIfd, 2 + 12 * uint64_t{*count} + 4);
        for (uint32_t k = 0; k < *count; ++k) {
            auto e = ReadEntry(r_, exifIfd, k, order_);
            if (!e) return;
            if (e->tag == tag::DateTimeOriginal || e->tag == tag::DateTimeDigitized) dateRule(*e);
        }
        plan_.reachedEnd = true;
    }

    // Plans the rewrite of one date entry.
    void dateRule(const IfdEntry& e) {
        const uint64_t length = newText_.size();
        const uint64_t offset = tiffBase_ + e.value;
        auto skip = [&](const char* why) { plan_.skipped.push_back({e.tag, offset, why}); };
        if (e.type != kTypeAscii) return skip("not ASCII");
        if (e.count < length) return skip("count too small");
        if (!r_.fits(offset, length) || offset + length > segmentEnd_)
            return skip("outside the Exif segment");

        std::string old(length, '\0');
        if (!r_.bytes(offset, std::span(reinterpret_cast<uint8_t*>(old.data()), old.size())))
            return;
        if (!filter_.empty() && !matchesFilter(offset, e.count)) return;
        plan_.writes.push_back(DateWrite{e.tag, offset, std::move(old), newText_});
        counts_.push_back(e.count);
    }

    // The old text, as earlier rewrites of this walk leave it, begins with the filter date.
    bool matchesFilter(uint64_t offset, uint32_t count) {
        const uint64_t n = std::min<uint64_t>(filter_.size(), count);
        std::string head(n, '\0');
        if (!r_.bytes(offset, std::span(reinterpret_cast<uint8_t*>(head.data()), head.size())))
            return false;
        for (const DateWrite& w : plan_.writes) {
            for (uint64_t i = 0; i < n; ++i) {
                if (offset + i >= w.offset && offset + i - w.offset < w.newBytes.size())
                    head[i] = w.newBytes[offset + i - w.offset];
            }
        }
        // A text that ends (0 byte) before ten characters cannot match; line feeds read as
        // blanks, and a date holds neither.
        return head.size() == filter_.size() && head == filter_;
    }

  public:
    std::vector<uint32_t> counts_; // the entry count of each planned write

  private:
    ByteReader& r_;
    const std::string& newText_;
    const std::string& filter_;
    DatePlan plan_;
    uint64_t tiffBase_ = 0;
    uint64_t segmentEnd_ = 0;
    ByteOrder order_ = ByteOrder::Big;
    std::vector<std::pair<uint64_t, uint64_t>> structure_; // [from, to) never written
};

} // namespace

Status CheckDateTexts(const std::string& newDateText, const std::string& filterDate) {
    if (!IsDateText(newDateText) ||
        (!filterDate.empty() && (filterDate.size() != 10 || !IsDateText(filterDate))))
        return MakeError(err::InvalidCall, "date text not of the form yyyy:mm:dd[ hh:mm:ss]");
    return {};
}

DatePlan PlanExifDateWrite(ByteReader& r, const std::string& newDateText,
                           const std::string& filterDate) {
    return Planner(r, newDateText, filterDate).run();
}

std::vector<DateSlot> FindDateSlots(ByteReader& r) {
    const std::string probe = "0000:00:00", noFilter;
    Planner planner(r, probe, noFilter);
    const DatePlan plan = planner.run();
    std::vector<DateSlot> out;
    for (size_t i = 0; i < plan.writes.size(); ++i)
        out.push_back({plan.writes[i].tag, plan.writes[i].offset, planner.counts_[i]});
    return out;
}

Status ApplyDatePlan(ByteReader& r, const DatePlan& plan) {
    for (const DateWrite& w : plan.writes) {
        Status s = r.write(w.offset, std::span(reinterpret_cast<const uint8_t*>(w.newBytes.data()),
                                               w.newBytes.size()));
        if (!s) return s;
    }
    return {};
}

Result<DatePlan> WriteExifDate(const std::string& folder, const std::string& name,
                               const std::string& newDateText, const std::string& filterDate) {
    return WriteExifDate(folder, name, newDateText, filterDate, WriteHooks{});
}

Result<DatePlan> WriteExifDate(const std::string& folder, const std::string& name,
                               const std::string& newDateText, const std::string& filterDate,
                               const WriteHooks& hooks) {
    Status valid = CheckDateTexts(newDateText, filterDate);
    if (!valid) return valid.error();

    auto file = PositionedFile::open(folder + name, PositionedFile::Mode::ReadWrite);
    if (!file) return file.error();
    ByteReader reader(file.value());
    DatePlan plan = PlanExifDateWrite(reader, newDateText, filterDate);
    if (reader.failed()) return *reader.error();
    if (!hooks.dryRun && !plan.writes.empty()) {
        if (hooks.beforeApply) {
            Status ready = hooks.beforeApply(plan);
            if (!ready) return ready.error();
        }
        Status written = ApplyDatePlan(reader, plan);
        if (!written) return written.error();
    }
    Status closed = file->close();
    if (!closed) return closed.error();
    return plan;
}

const char* DateTagName(uint16_t t) {
    switch (t) {
    case tag::DateTime:
        return "DateTime";
    case tag::DateTimeOriginal:
        return "DateTimeOriginal";
    case tag::DateTimeDigitized:
        return "DateTimeDigitized";
    default:
        return "";
    }
}

} // namespace tokimori
