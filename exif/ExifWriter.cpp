#include "exif/ExifWriter.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

#include "exif/DateCopies.h"
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

struct SlotSearch {
    bool reachedEnd = false;
    std::vector<DateSlot> slots; // in the order of the walk
    std::vector<SkippedDate> skipped;
};

// Walks the structure, then decides about each date entry in the order of the walk.
SlotSearch SearchDateSlots(ByteReader& r) {
    struct Candidate {
        Ifd ifd;
        IfdEntry entry;
    };
    std::vector<Candidate> candidates;
    ExifWalk w = WalkExif(r, [&candidates](Ifd ifd, const IfdEntry& e) {
        if (!IsDateEntry(ifd, e.tag) && !IsOffsetEntry(ifd, e.tag)) return false;
        candidates.push_back({ifd, e});
        return true;
    });

    SlotSearch out;
    const WalkedIfd& ifd0 = w.ifd(Ifd::Ifd0);
    const WalkedIfd& exif = w.ifd(Ifd::Exif);
    // The writer's walk: a header without "Exif", a byte order mark or 42, or an empty IFD0
    // ends it with nothing to write; an IFD0 cut short ends it before the Exif directory.
    const bool ifd0Read = w.exif && ifd0.walked && ifd0.count > 0;
    const bool exifReached = ifd0Read && ifd0.complete;
    out.reachedEnd =
        exifReached && (!exif.pointed || (exif.walked && exif.count > 0 && exif.complete));

    // Date entries whose form rules them out, or that the walk does not reach, are value
    // bytes like any other entry's.
    struct Checked {
        uint16_t tag;
        uint64_t offset;
        uint32_t count;
        std::optional<SkipReason> reason; // none: a slot so far
    };
    std::vector<Checked> checked;
    for (const Candidate& c : candidates) {
        const IfdEntry& e = c.entry;
        const uint64_t offset = w.tiffBase + e.value;
        const bool reached = c.ifd == Ifd::Ifd0 ? ifd0Read : exifReached;
        std::optional<SkipReason> reason;
        if (e.type != kTypeAscii) {
            reason = SkipReason::NotAscii;
        } else if (e.count < (IsOffsetTag(e.tag) ? 6u : 10u)) {
            reason = SkipReason::CountTooSmall;
        } else if (!r.fits(offset, e.count) || offset + e.count > w.segmentEnd) {
            reason = SkipReason::OutsideSegment;
        }
        if (!reached || reason) {
            if (auto v = ValueBytes(w, e)) w.structure.add(v->from, v->to - v->from);
        }
        if (reached) checked.push_back({e.tag, offset, e.count, reason});
    }
    w.structure.seal();

    // Slots by offset: disjoint texts, so an overlap shows with a neighbour.
    std::map<uint64_t, size_t> byOffset; // offset -> index in out.slots
    for (Checked& c : checked) {
        if (!c.reason && w.structure.overlaps(c.offset, c.count))
            c.reason = SkipReason::OverlapsStructure;
        if (!c.reason) {
            auto same = byOffset.find(c.offset);
            if (same != byOffset.end()) {
                DateSlot& slot = out.slots[same->second];
                slot.count = std::min(slot.count, c.count);
                continue;
            }
            auto next = byOffset.lower_bound(c.offset);
            if (next != byOffset.end() && next->first < c.offset + c.count)
                c.reason = SkipReason::OverlapsDate;
            if (next != byOffset.begin()) {
                const DateSlot& before = out.slots[std::prev(next)->second];
                if (before.offset + before.count > c.offset) c.reason = SkipReason::OverlapsDate;
            }
        }
        if (c.reason) {
            out.skipped.push_back({c.tag, c.offset, *c.reason});
            continue;
        }
        byOffset.emplace(c.offset, out.slots.size());
        out.slots.push_back({c.tag, c.offset, c.count});
    }
    return out;
}

// The bytes at offset up to the first 0, at most count of them, as stored.
std::string StoredText(ByteReader& r, uint64_t offset, uint32_t count) {
    std::string text(count, '\0');
    if (!r.bytes(offset, std::span(reinterpret_cast<uint8_t*>(text.data()), text.size())))
        return {};
    text.resize(std::min(text.size(), text.find('\0')));
    return text;
}

} // namespace

Status CheckDateTexts(const std::string& newDateText, const std::string& filterDate) {
    if (!IsDateText(newDateText) ||
        (!filterDate.empty() && (filterDate.size() != 10 || !IsDateText(filterDate))))
        return MakeError(err::InvalidCall, "date text not of the form yyyy:mm:dd[ hh:mm:ss]");
    return {};
}

bool IsDateEntry(Ifd ifd, uint16_t t) {
    return (ifd == Ifd::Ifd0 && t == tag::DateTime) ||
           (ifd == Ifd::Exif && (t == tag::DateTimeOriginal || t == tag::DateTimeDigitized));
}

bool IsOffsetTag(uint16_t t) {
    return t == tag::OffsetTime || t == tag::OffsetTimeOriginal || t == tag::OffsetTimeDigitized;
}

bool IsOffsetEntry(Ifd ifd, uint16_t t) {
    return ifd == Ifd::Exif && IsOffsetTag(t);
}

uint16_t DateTagOfOffset(uint16_t t) {
    switch (t) {
    case tag::OffsetTime:
        return tag::DateTime;
    case tag::OffsetTimeOriginal:
        return tag::DateTimeOriginal;
    case tag::OffsetTimeDigitized:
        return tag::DateTimeDigitized;
    default:
        return 0;
    }
}

std::vector<DateSlot> FindDateSlots(ByteReader& r) {
    return SearchDateSlots(r).slots;
}

DatePlan PlanDateRewrite(ByteReader& r, const DateRewrite& rewrite) {
    SlotSearch search = SearchDateSlots(r);
    DatePlan plan;
    plan.reachedEnd = search.reachedEnd;
    for (SkippedDate& s : search.skipped)
        (IsOffsetTag(s.tag) ? plan.skippedOffsets : plan.skipped).push_back(std::move(s));
    for (const DateSlot& slot : search.slots) {
        if (r.failed()) break;
        if (IsOffsetTag(slot.tag)) continue;
        auto newBytes = rewrite(slot, StoredText(r, slot.offset, slot.count));
        if (!newBytes || newBytes->empty()) continue;
        if (newBytes->size() > slot.count) {
            plan.skipped.push_back({slot.tag, slot.offset, SkipReason::CountTooSmall});
            continue;
        }
        std::string old(newBytes->size(), '\0');
        if (!r.bytes(slot.offset, std::span(reinterpret_cast<uint8_t*>(old.data()), old.size())))
            break;
        plan.writes.push_back({slot.tag, slot.offset, std::move(old), std::move(*newBytes)});
    }
    plan.DateChanged = std::any_of(plan.writes.begin(), plan.writes.end(),
                                   [](const DateWrite& w) { return w.tag == tag::DateTime; });
    return plan;
}

DatePlan PlanExifDateWrite(ByteReader& r, const std::string& newDateText,
                           const std::string& filterDate) {
    return PlanDateRewrite(r, [&](const DateSlot&, const std::string& old) {
        std::optional<std::string> out;
        if (filterDate.empty() || old.compare(0, filterDate.size(), filterDate) == 0)
            out = newDateText;
        return out;
    });
}

Status ApplyDatePlan(ByteReader& r, const DatePlan& plan) {
    for (const DateWrite& w : plan.writes) {
        Status s = r.write(w.offset, std::span(reinterpret_cast<const uint8_t*>(w.newBytes.data()),
                                               w.newBytes.size()));
        if (!s) return s;
    }
    return {};
}

const char* SkipReasonText(SkipReason why) {
    switch (why) {
    case SkipReason::NotAscii:
        return "not ASCII";
    case SkipReason::CountTooSmall:
        return "count too small";
    case SkipReason::OutsideSegment:
        return "outside the Exif segment";
    case SkipReason::OverlapsStructure:
        return "overlaps the Exif structure";
    case SkipReason::OverlapsDate:
        return "overlaps another date text";
    }
    return "";
}

const char* DateTagName(uint16_t t) {
    switch (t) {
    case tag::DateTime:
        return "DateTime";
    case tag::DateTimeOriginal:
        return "DateTimeOriginal";
    case tag::DateTimeDigitized:
        return "DateTimeDigitized";
    case tag::OffsetTime:
        return "OffsetTime";
    case tag::OffsetTimeOriginal:
        return "OffsetTimeOriginal";
    case tag::OffsetTimeDigitized:
        return "OffsetTimeDigitized";
    default:
        return CopyTagName(t);
    }
}

} // namespace tokimori
