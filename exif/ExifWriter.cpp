#include "exif/ExifWriter.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

#include "base/Crc32.h"
#include "exif/DateCopies.h"
#include "exif/ExifLayout.h"
#include "exif/ExifPlace.h"
#include "exif/IsoBoxes.h"
#include "exif/MovieTimes.h"

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
    const bool tiffEp = HoldsTiffEpDates(r);
    ExifWalk w = WalkExif(r, [&candidates, tiffEp](Ifd ifd, const IfdEntry& e) {
        if (!ClaimsDateEntry(tiffEp, ifd, e.tag)) return false;
        candidates.push_back({ifd, e});
        // TIFF/EP's dates in IFD0 go by tags of their own.
        if (ifd == Ifd::Ifd0 && e.tag != tag::DateTime)
            candidates.back().entry.tag = e.tag == tag::DateTimeOriginal
                                              ? tag::Ifd0DateTimeOriginal
                                              : tag::Ifd0DateTimeDigitized;
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
        const uint64_t offset = ValueOffset(e);
        const bool reached = c.ifd == Ifd::Ifd0 ? ifd0Read : exifReached;
        std::optional<SkipReason> reason;
        if (e.type != kTypeAscii) {
            reason = SkipReason::NotAscii;
        } else if (e.count < (IsOffsetTag(e.tag) ? 6u : 10u)) {
            reason = SkipReason::CountTooSmall;
        } else if (!r.fits(offset, e.count) || offset + e.count > w.ifd(c.ifd).end) {
            reason = SkipReason::OutsideSegment;
        }
        if (!reached || reason) {
            if (auto v = ValueBytes(e)) w.structure.add(v->from, v->to - v->from);
        }
        if (reached) checked.push_back({e.tag, offset, e.count, reason});
    }
    w.structure.seal();
    // A checksum the structure runs into cannot be written: the texts under it stay as they are.
    const bool sumWritable =
        w.checksum && r.fits(w.checksum->at, 4) && !w.structure.overlaps(w.checksum->at, 4);
    const auto underSum = [&](uint64_t at) {
        return w.checksum && at >= w.checksum->from && at < w.checksum->to;
    };

    // Slots by offset: disjoint texts, so an overlap shows with a neighbour.
    std::map<uint64_t, size_t> byOffset; // offset -> index in out.slots
    for (Checked& c : checked) {
        if (!c.reason &&
            (w.structure.overlaps(c.offset, c.count) || (underSum(c.offset) && !sumWritable)))
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
    // A checksum over the Exif data: written only after the texts under it (AddChecksumWrite).
    if (sumWritable) {
        byOffset.emplace(w.checksum->at, out.slots.size());
        out.slots.push_back({kChecksumTag, w.checksum->at, 4});
    }
    // A movie's times: numbers in its headers, apart from any Exif structure.
    for (const MovieTime& m : FindMovieTimes(r)) {
        auto next = byOffset.lower_bound(m.offset);
        const bool overlaps =
            w.structure.overlaps(m.offset, m.bytes) ||
            (next != byOffset.end() && next->first < m.offset + m.bytes) ||
            (next != byOffset.begin() &&
             std::prev(next)->first + out.slots[std::prev(next)->second].count > m.offset);
        if (overlaps) {
            out.skipped.push_back({m.tag, m.offset, SkipReason::OverlapsStructure});
            continue;
        }
        byOffset.emplace(m.offset, out.slots.size());
        out.slots.push_back({m.tag, m.offset, m.bytes});
        out.reachedEnd = true;
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

// A movie time's number as its local date text, and a new text back as the number of its
// width; nullopt when the clock cannot say or the width cannot hold it.
std::optional<std::string> MovieText(ByteReader& r, const DateSlot& slot, const MovieClock& clock) {
    if (slot.tag == movietag::CreationDate) {
        auto date = ParseIsoMovieDate(StoredText(r, slot.offset, slot.count));
        if (!date) return std::nullopt;
        return clock.localText(date->unix);
    }
    auto value = ReadBigEndian(r, slot.offset, slot.count);
    if (!value || *value > static_cast<uint64_t>(INT64_MAX) / 2) return std::nullopt;
    return clock.localText(static_cast<int64_t>(*value) - kMovieEpoch);
}

std::optional<std::string> MovieBytes(ByteReader& r, const std::string& oldText,
                                      std::string newText, const DateSlot& slot,
                                      const MovieClock& clock) {
    // A date alone keeps the time's own time of day.
    if (newText.size() == 10 && oldText.size() == 19) newText += oldText.substr(10);
    auto unix = clock.unixOf(newText);
    if (slot.tag == movietag::CreationDate) {
        auto old = ParseIsoMovieDate(StoredText(r, slot.offset, slot.count));
        if (!unix || !old) return std::nullopt;
        int offset = old->offset;
        if (old->zoneForm == 'Z') {
            offset = 0;
        } else if (clock.offsetAt(old->unix) == old->offset) {
            auto now = clock.offsetAt(*unix);
            if (!now || *now % 60 != 0) return std::nullopt;
            offset = *now;
        }
        std::string text = FormatIsoMovieDate(*unix, offset, old->zoneForm);
        if (text.size() != slot.count) return std::nullopt;
        return text;
    }
    if (!unix || *unix < -kMovieEpoch) return std::nullopt;
    const uint64_t value = static_cast<uint64_t>(*unix + kMovieEpoch);
    if (value == 0 || (slot.count == 4 && value > UINT32_MAX)) return std::nullopt;
    std::string bytes(slot.count, '\0');
    for (uint32_t i = 0; i < slot.count; ++i)
        bytes[i] = static_cast<char>(value >> (8 * (slot.count - 1 - i)));
    return bytes;
}

} // namespace

Status CheckDateTexts(const std::string& newDateText, const std::string& filterDate) {
    if (!IsDateText(newDateText) ||
        (!filterDate.empty() && (filterDate.size() != 10 || !IsDateText(filterDate))))
        return MakeError(err::InvalidCall, "date text not of the form yyyy:mm:dd[ hh:mm:ss]");
    return {};
}

bool HoldsTiffEpDates(ByteReader& r) {
    const ExifPlace place = LocateExif(r);
    return place.holder == 0 && place.main.base == 0;
}

bool HasMakerNote(ByteReader& r) {
    bool found = false;
    WalkExif(r, [&](Ifd ifd, const IfdEntry& e) {
        found |= ifd == Ifd::Exif && e.tag == tag::MakerNote;
        return false;
    });
    return found;
}

bool ClaimsDateEntry(bool tiffEp, Ifd ifd, uint16_t t) {
    return IsDateEntry(ifd, t) || IsOffsetEntry(ifd, t) ||
           (tiffEp && ifd == Ifd::Ifd0 &&
            (t == tag::DateTimeOriginal || t == tag::DateTimeDigitized));
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

DatePlan PlanDateRewrite(ByteReader& r, const DateRewrite& rewrite, const MovieClock* clock) {
    SlotSearch search = SearchDateSlots(r);
    DatePlan plan;
    plan.reachedEnd = search.reachedEnd;
    for (SkippedDate& s : search.skipped)
        (IsOffsetTag(s.tag) ? plan.skippedOffsets : plan.skipped).push_back(std::move(s));
    for (const DateSlot& slot : search.slots) {
        if (r.failed()) break;
        if (IsOffsetTag(slot.tag) || slot.tag == kChecksumTag) continue;
        if (IsMovieTag(slot.tag)) {
            std::optional<std::string> old = clock ? MovieText(r, slot, *clock) : std::nullopt;
            if (!old) continue;
            auto newText = rewrite(slot, *old);
            if (!newText || newText->empty()) continue;
            auto newBytes = MovieBytes(r, *old, *newText, slot, *clock);
            std::string was(slot.count, '\0');
            if (!newBytes) {
                plan.skipped.push_back({slot.tag, slot.offset, SkipReason::OutOfRange});
            } else if (r.bytes(slot.offset,
                               std::span(reinterpret_cast<uint8_t*>(was.data()), was.size()))) {
                if (was != *newBytes)
                    plan.writes.push_back({slot.tag, slot.offset, was, std::move(*newBytes)});
            }
            continue;
        }
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
                           const std::string& filterDate, const MovieClock* clock) {
    return PlanDateRewrite(
        r,
        [&](const DateSlot&, const std::string& old) {
            std::optional<std::string> out;
            if (filterDate.empty() || old.compare(0, filterDate.size(), filterDate) == 0)
                out = newDateText;
            return out;
        },
        clock);
}

const MovieClock& UtcMovieClock() {
    static const MovieClock clock{[](int64_t unix) -> std::optional<std::string> {
                                      if (unix < -62135596800 || unix > 253402300799)
                                          return std::nullopt;
                                      return MovieTimeText(
                                          static_cast<uint64_t>(unix + kMovieEpoch));
                                  },
                                  [](const std::string& text) -> std::optional<int64_t> {
                                      if (text.size() != 19 || !IsDateText(text))
                                          return std::nullopt;
                                      std::string iso = text + "Z";
                                      iso[4] = iso[7] = '-';
                                      iso[10] = 'T';
                                      auto date = ParseIsoMovieDate(iso);
                                      if (!date || date->unix < -kMovieEpoch) return std::nullopt;
                                      return date->unix;
                                  },
                                  [](int64_t) -> std::optional<int> { return 0; }};
    return clock;
}

ChecksumOutcome AddChecksumWrite(ByteReader& r, DatePlan& plan) {
    const std::optional<BlockChecksum> sum = LocateExif(r).checksum;
    if (!sum) return ChecksumOutcome::None;
    const auto inside = [&](const DateWrite& w) {
        return w.tag != kChecksumTag && w.offset >= sum->from && w.offset < sum->to;
    };
    if (std::none_of(plan.writes.begin(), plan.writes.end(), inside)) return ChecksumOutcome::None;
    // The CRC of the bytes as they are, and as they will be, read in pieces.
    uint32_t before = 0, after = 0;
    std::string piece;
    for (uint64_t at = sum->from; at < sum->to; at += piece.size()) {
        piece.resize(static_cast<size_t>(std::min<uint64_t>(sum->to - at, 65536)));
        if (!r.bytes(at, std::span(reinterpret_cast<uint8_t*>(piece.data()), piece.size())))
            return ChecksumOutcome::Unreadable;
        before = Crc32(piece, before);
        for (const DateWrite& w : plan.writes) {
            if (!inside(w)) continue;
            for (size_t i = 0; i < w.newBytes.size(); ++i)
                if (w.offset + i >= at && w.offset + i < at + piece.size())
                    piece[static_cast<size_t>(w.offset + i - at)] = w.newBytes[i];
        }
        after = Crc32(piece, after);
    }
    std::string stored(4, '\0'), next(4, '\0');
    if (!r.bytes(sum->at, std::span(reinterpret_cast<uint8_t*>(stored.data()), 4)))
        return ChecksumOutcome::Unreadable;
    for (int i = 0; i < 4; ++i)
        next[i] = static_cast<char>(after >> (24 - 8 * i));
    if (Get32(reinterpret_cast<const uint8_t*>(stored.data()), ByteOrder::Big) != before)
        return ChecksumOutcome::WasWrong;
    if (next != stored) plan.writes.push_back({kChecksumTag, sum->at, stored, next});
    return ChecksumOutcome::Added;
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
    case SkipReason::OutOfRange:
        return "the new time does not fit";
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
    case kChecksumTag:
        return "PNG:eXIf-CRC";
    case tag::Ifd0DateTimeOriginal:
        return "IFD0:DateTimeOriginal";
    case tag::Ifd0DateTimeDigitized:
        return "IFD0:DateTimeDigitized";
    default:
        return IsMovieTag(t) ? MovieTagName(t) : CopyTagName(t);
    }
}

} // namespace tokimori
