#include "run/DateKinds.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "exif/ExifLayout.h"
#include "exif/ExifWriter.h"
#include "exif/FileFormat.h"
#include "exif/MovieTimes.h"
#include "filetime/FileDate.h"
#include "run/CopyDates.h"

namespace tokimori {

namespace {

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian calendar).
int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

bool Digits(const std::string& s, size_t from, size_t n, int& out) {
    out = 0;
    for (size_t i = from; i < from + n; ++i) {
        if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
        out = out * 10 + (s[i] - '0');
    }
    return true;
}

std::optional<FileInstant> InstantOf(const std::string& text) {
    const auto t = ParseDateText(text);
    if (!t) return std::nullopt;
    auto unix = LocalToUnix(*t);
    if (!unix) return std::nullopt;
    return FileInstant{unix.value(), 0};
}

// The creation time of a movie's header, as a file time.
std::optional<FileInstant> MovieInstant(ByteReader& r) {
    auto created = MovieCreated(r);
    if (!created) return std::nullopt;
    return FileInstant{*created, 0};
}

// The text of IFD0's DateTime, when the photo has one the writer could reach.
std::optional<std::string> DateTimeText(ByteReader& r) {
    for (const DateSlot& s : FindDateSlots(r)) {
        if (s.tag != tag::DateTime) continue;
        return r.text(s.offset, s.count);
    }
    return std::nullopt;
}

class ShiftDates final : public RunKind {
  public:
    explicit ShiftDates(const ShiftOptions& o) : o_(o) {}
    const char* name() const override { return "shift"; }

    PhotoPlan plan(ByteReader& r, const PhotoState& now) const override {
        PhotoPlan p;
        if (o_.seconds == 0) {
            p.dates.reachedEnd = true; // nothing moves: no photo changes
            return p;
        }
        bool anyDate = false; // the photo holds DateTimeOriginal or DateTime at all
        p.dates = PlanDateRewrite(
            r,
            [&](const DateSlot& slot, const std::string& old) {
                if (slot.tag == tag::DateTimeOriginal || slot.tag == tag::DateTime ||
                    slot.tag == movietag::CreateDate)
                    anyDate = true;
                if (!o_.filterDate.empty() && old.compare(0, 10, o_.filterDate) != 0)
                    return std::optional<std::string>();
                auto moved = ShiftDateText(old, o_.seconds);
                if (!moved)
                    p.notes.push_back(std::string(DateTagName(slot.tag)) + ": \"" + old +
                                      "\" is not a date that can be moved; left as it is");
                return moved;
            },
            &LocalMovieClock());
        PlanOffsets(r, p.dates, p.notes);
        if (o_.allCopies)
            PlanCopies(r, p, [this](const LocalDateTime& old) {
                const auto moved = ShiftDateText(FormatDateText(old), o_.seconds);
                return moved ? ParseDateText(*moved) : std::nullopt;
            });
        for (const SkippedDate& s : p.dates.skipped)
            anyDate |= s.tag == tag::DateTimeOriginal || s.tag == tag::DateTime;
        anyDate |= !now.summary.EmbeddedDate.empty();
        // The file gets the moved shooting date, else the moved DateTime.
        std::map<uint16_t, std::string> moved;
        for (const DateWrite& w : p.dates.writes)
            moved[w.tag] = w.newBytes;
        for (uint16_t tag : {tag::DateTimeOriginal, tag::DateTime}) {
            if (!moved.count(tag)) continue;
            p.newTime = InstantOf(moved[tag]);
            if (p.newTime) break;
            // A date no file time can hold (before 1601): the file keeps its own times.
            p.keepTimes = true;
            p.notes.push_back(std::string(DateTagName(tag)) + ": \"" + moved[tag] +
                              "\" cannot be a file time; the file keeps its own");
        }
        // A movie without those: the moved creation time of its header.
        for (const DateWrite& w : p.dates.writes) {
            if (p.newTime || p.keepTimes || w.tag != movietag::CreateDate) continue;
            uint64_t value = 0;
            for (char c : w.newBytes)
                value = (value << 8) | static_cast<uint8_t>(c);
            p.newTime = FileInstant{static_cast<int64_t>(value) - kMovieEpoch, 0};
        }
        if (p.newTime) p.keepTimes = false;
        if (!p.newTime && !anyDate && o_.filterDate.empty()) {
            // No shooting date and no DateTime: the file's own time moves, a photo's or a
            // movie's of a kind the program re-dates only.
            if (!IsRedatedFormat(FileFormatOf(r))) {
                p.refusal = Refusal::NotAPhoto;
                return p;
            }
            p.newTime = FileInstant{now.times.modified.seconds + o_.seconds,
                                    now.times.modified.nanoseconds};
            p.dates.reachedEnd = true;
        }
        if (p.dates.writes.empty() && !p.newTime && !p.notes.empty())
            p.refusal = Refusal::NothingToMove;
        return p;
    }

  private:
    ShiftOptions o_;
};

class WriteTexts final : public RunKind {
  public:
    WriteTexts(std::string text, std::string filter, bool allCopies)
        : text_(std::move(text)), filter_(std::move(filter)), allCopies_(allCopies) {}
    const char* name() const override { return "write"; }
    PhotoPlan plan(ByteReader& r, const PhotoState&) const override {
        PhotoPlan p;
        p.dates = PlanExifDateWrite(r, text_, filter_, &LocalMovieClock());
        PlanOffsets(r, p.dates, p.notes);
        if (allCopies_)
            PlanCopies(r, p, [this](const LocalDateTime& old) {
                // The new text over the old date and time: the date, or the date and the time.
                std::string text = FormatDateText(old);
                text.replace(0, text_.size(), text_);
                return ParseDateText(text);
            });
        return p;
    }

  private:
    std::string text_;
    std::string filter_;
    bool allCopies_;
};

class FileTimeFromDate final : public RunKind {
  public:
    const char* name() const override { return "filetime"; }
    const char* logKind() const override { return "FileDate"; }

    PhotoPlan plan(ByteReader& r, const PhotoState& now) const override {
        PhotoPlan p;
        p.dates.reachedEnd = true; // nothing of the photo is written
        std::optional<FileInstant> when = InstantOf(now.summary.EmbeddedDate);
        if (!when) {
            if (auto text = DateTimeText(r)) when = InstantOf(*text);
        }
        if (!when) when = MovieInstant(r);
        if (!when) {
            p.refusal = Refusal::NoValidDate;
            return p;
        }
        // A file that already has that time stays as it is (its access time changes with every
        // reading by other programs and does not count).
        if (now.times.modified == *when) return p;
        p.newTime = when;
        return p;
    }
};

} // namespace

std::optional<LocalDateTime> ParseDateText(const std::string& text) {
    // yyyy:mm:dd hh:mm:ss
    if (text.size() != 19 || text[4] != ':' || text[7] != ':' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':')
        return std::nullopt;
    LocalDateTime t;
    if (!Digits(text, 0, 4, t.year) || !Digits(text, 5, 2, t.month) || !Digits(text, 8, 2, t.day) ||
        !Digits(text, 11, 2, t.hour) || !Digits(text, 14, 2, t.minute) ||
        !Digits(text, 17, 2, t.second))
        return std::nullopt;
    if (t.year < 1 || t.month < 1 || t.month > 12 || t.day < 1 || t.hour > 23 || t.minute > 59 ||
        t.second > 59)
        return std::nullopt;
    // The day must exist: going to days and back gives the same date.
    int64_t y;
    int m, d;
    CivilFromDays(DaysFromCivil(t.year, t.month, t.day), y, m, d);
    if (y != t.year || m != t.month || d != t.day) return std::nullopt;
    return t;
}

std::string FormatDateText(const LocalDateTime& t) {
    return FormatDateTime(t, ':', ' ');
}

const MovieClock& LocalMovieClock() {
    static const MovieClock clock{
        [](int64_t unix) -> std::optional<std::string> {
            // 0001-01-01 to 9999-12-31 23:59:59 UTC, a day inside on
            // either side for the zone.
            if (unix < -62135596800 + 86400 || unix > 253402300799 - 86400) return std::nullopt;
            return FormatDateText(LocalFromUnix(unix));
        },
        [](const std::string& text) -> std::optional<int64_t> {
            auto t = ParseDateText(text);
            if (!t) return std::nullopt;
            // A movie holds the same time up to ten times: the
            // zone's offset asked once (LocalZoneAt keeps it).
            if (const auto zone = LocalZoneAt(*t)) return CalendarSeconds(*t) - *zone;
            auto unix = LocalToUnix(*t);
            if (!unix) return std::nullopt;
            return unix.value();
        },
        [](int64_t unix) -> std::optional<int> {
            if (unix < -62135596800 + 86400 || unix > 253402300799 - 86400) return std::nullopt;
            return LocalZoneAt(LocalFromUnix(unix));
        }};
    return clock;
}

std::optional<int64_t> MovieCreated(ByteReader& r) {
    for (const MovieTime& m : FindMovieTimes(r))
        if (m.tag == movietag::CreateDate)
            return static_cast<int64_t>(std::min<uint64_t>(m.value, INT64_MAX / 2)) - kMovieEpoch;
    return std::nullopt;
}

int64_t CalendarSeconds(const LocalDateTime& t) {
    return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

std::optional<int64_t> ParseOffset(const std::string& text) {
    // [+|-][Nd][H:MM[:SS]]
    size_t i = 0;
    int sign = 1;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) sign = text[i++] == '-' ? -1 : 1;
    auto number = [&](size_t maxDigits, int64_t& out) {
        const size_t from = i;
        out = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - from < maxDigits)
            out = out * 10 + (text[i++] - '0');
        return i > from;
    };
    int64_t total = 0;
    bool any = false;
    const size_t start = i;
    int64_t n = 0;
    if (number(7, n) && i < text.size() && text[i] == 'd') {
        ++i;
        total += n * 86400;
        any = true;
    } else {
        i = start;
    }
    if (i < text.size()) {
        int64_t h = 0, m = 0, s = 0;
        if (!number(6, h) || i >= text.size() || text[i++] != ':') return std::nullopt;
        const size_t minutesAt = i;
        if (!number(2, m) || i - minutesAt != 2 || m > 59) return std::nullopt;
        if (i < text.size()) {
            if (text[i++] != ':') return std::nullopt;
            const size_t secondsAt = i;
            if (!number(2, s) || i - secondsAt != 2 || s > 59) return std::nullopt;
        }
        total += h * 3600 + m * 60 + s;
        any = true;
    }
    if (!any || i != text.size()) return std::nullopt;
    return sign * total;
}

std::optional<std::string> ShiftDateText(const std::string& text, int64_t seconds) {
    const auto t = ParseDateText(text);
    if (!t) return std::nullopt;
    const int64_t at = DaysFromCivil(t->year, t->month, t->day) * 86400 + t->hour * 3600 +
                       t->minute * 60 + t->second + seconds;
    const int64_t days = at >= 0 ? at / 86400 : (at - 86399) / 86400;
    const int64_t second = at - days * 86400;
    int64_t y;
    int m, d;
    CivilFromDays(days, y, m, d);
    if (y < 1 || y > 9999) return std::nullopt;
    LocalDateTime out{static_cast<int>(y),
                      m,
                      d,
                      static_cast<int>(second / 3600),
                      static_cast<int>(second % 3600 / 60),
                      static_cast<int>(second % 60)};
    return FormatDateText(out);
}

std::optional<int> ParseZoneText(const std::string& text) {
    // ±hh:mm
    int h = 0, m = 0;
    if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':' ||
        !Digits(text, 1, 2, h) || !Digits(text, 4, 2, m) || h > 23 || m > 59)
        return std::nullopt;
    return (text[0] == '-' ? -1 : 1) * (h * 3600 + m * 60);
}

std::string FormatZoneText(int seconds) {
    const int a = seconds < 0 ? -seconds : seconds;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%c%02d:%02d", seconds < 0 ? '-' : '+', a / 3600, a % 3600 / 60);
    return buf;
}

std::optional<int> LocalZoneAt(const LocalDateTime& t) {
    const int64_t wall =
        DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
    // The zone's rules are asked once per wall time and second of the clock: a run over many
    // photos asks for the same few dates, and asking is slow (every call reads the rules). Kept
    // no longer than a second, and only while TZ says the same, so a zone changed is seen.
    struct Cache {
        std::string tz;
        std::chrono::steady_clock::time_point since;
        std::unordered_map<int64_t, std::optional<int>> zones;
    };
    thread_local Cache cache;
    const char* tz = std::getenv("TZ");
    const auto now = std::chrono::steady_clock::now();
    if (cache.tz != (tz ? tz : "") || now - cache.since > std::chrono::seconds(1) ||
        cache.zones.size() > 4096) {
        cache.tz = tz ? tz : "";
        cache.since = now;
        cache.zones.clear();
    }
    if (const auto known = cache.zones.find(wall); known != cache.zones.end()) return known->second;
    std::optional<int> zone;
    if (const auto instant = LocalToUnix(t)) {
        const int64_t offset = wall - instant.value();
        // A local mean time of an old date (Amsterdam's +00:19:32) is no offset a zone text holds.
        if (offset % 60 == 0) zone = static_cast<int>(offset);
    }
    cache.zones.emplace(wall, zone);
    return zone;
}

void PlanOffsets(ByteReader& r, DatePlan& plan, std::vector<std::string>& notes) {
    if (plan.writes.empty()) return;
    const std::vector<DateSlot> slots = FindDateSlots(r);
    // A date text as stored (whole), and as the plan leaves it.
    auto stored = [&](const DateSlot& s) {
        std::string text = r.text(s.offset, s.count).value_or(std::string());
        return text.substr(0, std::min(text.size(), text.find('\0')));
    };
    auto noteOf = [&](uint16_t offsetTag, const std::string& why) {
        notes.push_back(std::string(DateTagName(offsetTag)) + ": " + why + "; left as it is");
    };
    for (const DateSlot& s : slots) {
        if (!IsOffsetTag(s.tag)) continue;
        const uint16_t dateTag = DateTagOfOffset(s.tag);
        const auto w = std::find_if(plan.writes.begin(), plan.writes.end(),
                                    [&](const DateWrite& d) { return d.tag == dateTag; });
        if (w == plan.writes.end()) continue; // its date stays: so does its zone
        const auto date = std::find_if(slots.begin(), slots.end(), [&](const DateSlot& d) {
            return d.tag == dateTag && d.offset == w->offset;
        });
        if (date == slots.end()) continue;
        std::string after = stored(*date);
        const std::string before = after;
        after.replace(0, std::min(after.size(), w->newBytes.size()), w->newBytes);
        const std::string zone = stored(s);
        const auto oldAt = ParseDateText(before), newAt = ParseDateText(after);
        const auto oldZone = ParseZoneText(zone);
        if (!oldZone) {
            noteOf(s.tag, "\"" + zone + "\" is no offset");
            continue;
        }
        const auto localThen = oldAt ? LocalZoneAt(*oldAt) : std::nullopt;
        if (!localThen || *localThen != *oldZone) {
            noteOf(s.tag, "\"" + zone + "\" is not this computer's zone at " + before);
            continue;
        }
        const auto localNow = newAt ? LocalZoneAt(*newAt) : std::nullopt;
        if (!localNow) {
            noteOf(s.tag, "no zone for " + after);
            continue;
        }
        const std::string text = FormatZoneText(*localNow);
        if (text == zone) continue;
        plan.writes.push_back({s.tag, s.offset, zone.substr(0, text.size()), text});
    }
    // Offsets unsafe to write whose date texts change are named.
    for (const SkippedDate& k : plan.skippedOffsets)
        if (std::any_of(plan.writes.begin(), plan.writes.end(),
                        [&](const DateWrite& d) { return d.tag == DateTagOfOffset(k.tag); }))
            noteOf(k.tag, std::string("unsafe to write (") + SkipReasonText(k.reason) + ")");
}

std::unique_ptr<RunKind> MakeShiftDates(const ShiftOptions& o) {
    return std::make_unique<ShiftDates>(o);
}

std::unique_ptr<RunKind> MakeWriteTexts(const std::string& newDateText,
                                        const std::string& filterDate, bool allCopies) {
    return std::make_unique<WriteTexts>(newDateText, filterDate, allCopies);
}

std::unique_ptr<RunKind> MakeFileTimeFromDate() {
    return std::make_unique<FileTimeFromDate>();
}

} // namespace tokimori
