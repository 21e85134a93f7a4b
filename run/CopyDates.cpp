#include "run/CopyDates.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "exif/DateCopies.h"
#include "exif/ExifLayout.h"
#include "run/DateKinds.h"

namespace tokimori {

namespace {

// A cursor over a text, reading fixed runs of digits.
struct Cursor {
    const std::string& s;
    size_t i = 0;
    bool digits(size_t n, int& out) {
        if (i + n > s.size()) return false;
        out = 0;
        for (size_t k = 0; k < n; ++k, ++i) {
            if (s[i] < '0' || s[i] > '9') return false;
            out = out * 10 + (s[i] - '0');
        }
        return true;
    }
    bool at(char c) const { return i < s.size() && s[i] == c; }
    bool take(char c) {
        if (!at(c)) return false;
        ++i;
        return true;
    }
};

// A zone "±hh:mm" or "±hhmm" at the cursor.
bool ReadZone(Cursor& c, CopyValue& v) {
    if (!c.at('+') && !c.at('-')) return false;
    const int sign = c.s[c.i++] == '-' ? -1 : 1;
    int h = 0, m = 0;
    if (!c.digits(2, h)) return false;
    v.zone = c.take(':') ? CopyValue::Zone::Colon : CopyValue::Zone::Compact;
    if (!c.digits(2, m) || h > 23 || m > 59) return false;
    v.zoneSeconds = sign * (h * 3600 + m * 60);
    return true;
}

std::string ZoneText(const CopyValue& v) {
    switch (v.zone) {
    case CopyValue::Zone::None:
        return {};
    case CopyValue::Zone::Utc:
        return "Z";
    case CopyValue::Zone::Colon:
        return FormatZoneText(v.zoneSeconds);
    case CopyValue::Zone::Compact: {
        std::string z = FormatZoneText(v.zoneSeconds);
        return z.erase(3, 1);
    }
    }
    return {};
}

// A real date and time of the years 1 to 9999.
bool Real(const LocalDateTime& t) {
    return t.year >= 1 && t.year <= 9999 && ParseDateText(FormatDateText(t)).has_value();
}

std::optional<CopyValue> ParseIptcDate(const std::string& text) {
    Cursor c{text};
    CopyValue v;
    v.parts = 3;
    if (text.size() != 8 || !c.digits(4, v.at.year) || !c.digits(2, v.at.month) ||
        !c.digits(2, v.at.day) || !Real(v.at))
        return std::nullopt;
    return v;
}

// An IPTC time laid over a value of the day.
bool ReadIptcTime(const std::string& text, CopyValue& v) {
    Cursor c{text};
    LocalDateTime t = v.at;
    if (!c.digits(2, t.hour) || !c.digits(2, t.minute) || !c.digits(2, t.second)) return false;
    if (c.i < text.size() && (!ReadZone(c, v) || v.zone != CopyValue::Zone::Compact)) return false;
    if (c.i != text.size() || !Real(t)) return false;
    v.at = t;
    v.parts = 6;
    return FormatIptcTime(v) == text;
}

std::string Stored(ByteReader& r, const DateSlot& s) {
    std::string text = r.text(s.offset, s.count).value_or(std::string());
    return text.substr(0, std::min(text.size(), text.find('\0')));
}

} // namespace

std::optional<CopyValue> ParseXmpDate(const std::string& text) {
    Cursor c{text};
    CopyValue v;
    v.at.month = v.at.day = 1;
    if (!c.digits(4, v.at.year)) return std::nullopt;
    v.parts = 1;
    if (c.at('-') || c.at(':')) {
        v.dateSeparator = text[c.i++];
        if (!c.digits(2, v.at.month)) return std::nullopt;
        v.parts = 2;
        if (c.take(v.dateSeparator)) {
            if (!c.digits(2, v.at.day)) return std::nullopt;
            v.parts = 3;
            if (c.at('T') || c.at(' ')) {
                v.timeSeparator = text[c.i++];
                if (!c.digits(2, v.at.hour) || !c.take(':') || !c.digits(2, v.at.minute))
                    return std::nullopt;
                v.parts = 5;
                if (c.take(':')) {
                    if (!c.digits(2, v.at.second)) return std::nullopt;
                    v.parts = 6;
                    if (c.take('.')) {
                        const size_t from = c.i;
                        while (c.i < text.size() && text[c.i] >= '0' && text[c.i] <= '9')
                            ++c.i;
                        if (c.i == from) return std::nullopt;
                        v.fraction = text.substr(from, c.i - from);
                    }
                }
                if (c.take('Z'))
                    v.zone = CopyValue::Zone::Utc;
                else if ((c.at('+') || c.at('-')) && !ReadZone(c, v))
                    return std::nullopt;
            }
        }
    }
    if (c.i != text.size() || !Real(v.at) || FormatXmpDate(v) != text) return std::nullopt;
    return v;
}

std::string FormatXmpDate(const CopyValue& v) {
    char buf[96];
    const LocalDateTime& t = v.at;
    int n = std::snprintf(buf, sizeof buf, "%04d", t.year);
    if (v.parts >= 2)
        n += std::snprintf(buf + n, sizeof buf - n, "%c%02d", v.dateSeparator, t.month);
    if (v.parts >= 3) n += std::snprintf(buf + n, sizeof buf - n, "%c%02d", v.dateSeparator, t.day);
    if (v.parts >= 5)
        n += std::snprintf(buf + n, sizeof buf - n, "%c%02d:%02d", v.timeSeparator, t.hour,
                           t.minute);
    if (v.parts >= 6) std::snprintf(buf + n, sizeof buf - n, ":%02d", t.second);
    std::string out = buf;
    if (v.parts >= 6 && !v.fraction.empty()) out += "." + v.fraction;
    if (v.parts >= 5) out += ZoneText(v);
    return out;
}

std::string FormatIptcDate(const CopyValue& v) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", v.at.year, v.at.month, v.at.day);
    return buf;
}

std::string FormatIptcTime(const CopyValue& v) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02d%02d%02d", v.at.hour, v.at.minute, v.at.second);
    return buf + ZoneText(v);
}

std::optional<CopyValue> CopyValueOf(uint16_t copyTag, const std::string& text,
                                     const std::string& iptcTime) {
    if (!IsIptcTag(copyTag)) return ParseXmpDate(text);
    if (IptcDateOfTime(copyTag)) return std::nullopt; // a time alone is no date
    auto v = ParseIptcDate(text);
    if (v && !iptcTime.empty() && !ReadIptcTime(iptcTime, *v)) return std::nullopt;
    return v;
}

bool SaysTheSame(const CopyValue& copy, const std::string& exifText,
                 const std::string& offsetText) {
    const auto exif = ParseDateText(exifText);
    if (!exif) return false;
    const LocalDateTime& a = copy.at;
    // Without a zone on either side, or on the Exif side (whose zone is then unknown: the
    // camera's wall clock, wherever it was), the date and time must be the same.
    const auto zone = ParseZoneText(offsetText);
    if (copy.zone == CopyValue::Zone::None || copy.parts < 5 || !zone) {
        const int fields[] = {a.year, a.month, a.day, 0, a.hour, a.minute, a.second};
        const int theirs[] = {exif->year, exif->month,  exif->day,   0,
                              exif->hour, exif->minute, exif->second};
        return std::equal(fields, fields + copy.parts + (copy.parts >= 5), theirs);
    }
    // The same moment: each date and time less its zone's offset.
    LocalDateTime ours = a;
    if (copy.parts == 5) ours.second = exif->second;
    const auto mine = ShiftDateText(FormatDateText(ours), -copy.zoneSeconds);
    const auto other = ShiftDateText(FormatDateText(*exif), -*zone);
    return mine && other && *mine == *other;
}

void PlanCopies(ByteReader& r, PhotoPlan& photo, const CopyRule& rule) {
    DatePlan& plan = photo.dates;
    if (plan.writes.empty()) return; // no Exif date changes: nor does a copy
    std::vector<std::string> unread;
    const std::vector<DateCopy> copies = FindDateCopies(r, &unread);
    for (const std::string& place : unread) {
        photo.copyNotes.push_back(place + ": not read; its dates are left as they are");
        photo.copiesUnread.push_back(place);
    }
    if (copies.empty() || r.failed()) return;

    // The Exif dates: whether the photo holds each, and how the plan changes it (its whole text
    // before and after). Two entries sharing one text are one slot, of the first one's tag.
    struct Change {
        bool held = false;
        bool changes = false;
        std::string before, after;
    };
    std::map<uint16_t, Change> exif;
    const std::vector<DateSlot> slots = FindDateSlots(r);
    for (const DateSlot& s : slots)
        exif[s.tag].held = true;
    for (const SkippedDate& k : plan.skipped)
        exif[k.tag].held = true;
    for (const DateWrite& w : plan.writes) {
        const auto slot = std::find_if(slots.begin(), slots.end(), [&](const DateSlot& s) {
            return s.tag == w.tag && s.offset == w.offset && !IsOffsetTag(s.tag);
        });
        if (slot == slots.end()) continue;
        Change& c = exif[w.tag];
        c.changes = true;
        c.before = c.after = Stored(r, *slot);
        c.after.replace(0, std::min(c.after.size(), w.newBytes.size()), w.newBytes);
    }
    // The change a copy follows: its own Exif date's, else (none held) the shooting date's, else
    // DateTime's; nullptr when that one stays.
    auto followed = [&](uint16_t date) -> const Change* {
        for (uint16_t t : {date, tag::DateTimeOriginal, tag::DateTime}) {
            const auto it = exif.find(t);
            if (it != exif.end() && it->second.held)
                return it->second.changes ? &it->second : nullptr;
        }
        return nullptr;
    };

    std::map<uint16_t, int> standing;           // how often each tag stands
    std::map<uint16_t, const DateCopy*> timeOf; // IPTC times by their dates' tags
    for (const DateCopy& c : copies) {
        ++standing[c.tag];
        if (const uint16_t date = IptcDateOfTime(c.tag)) timeOf[date] = &c;
    }
    // A zone kept is told; a copy left alone is told and its tag kept (each once a tag).
    std::set<uint16_t> kept, left;
    auto tell = [&](uint16_t t, const std::string& why) {
        if (kept.insert(t).second)
            photo.copyNotes.push_back(std::string(CopyTagName(t)) + ": " + why);
    };
    auto note = [&](uint16_t t, const std::string& why) {
        if (!left.insert(t).second) return;
        photo.copiesLeft.push_back(t);
        photo.copyNotes.push_back(std::string(CopyTagName(t)) + ": " + why);
    };

    std::vector<DateWrite> writes;
    for (const DateCopy& c : copies) {
        const uint16_t follows = ExifDateOfCopy(c.tag);
        const Change* change = follows ? followed(follows) : nullptr;
        if (!change) continue;
        if (const uint16_t date = IptcDateOfTime(c.tag)) {
            if (!standing.count(date))
                note(c.tag, std::string("no ") + CopyTagName(date) + " with it; left as it is");
            continue; // planned with its date
        }
        const auto t = timeOf.find(c.tag);
        const DateCopy* time = t == timeOf.end() ? nullptr : t->second;
        if (standing[c.tag] > 1) {
            note(c.tag, "stands more than once in the photo; left as it is");
            continue;
        }
        if (time && standing[time->tag] > 1) {
            note(c.tag, std::string(CopyTagName(time->tag)) +
                            " stands more than once in the photo; left as it is");
            continue;
        }
        const std::string shown = "\"" + c.text + (time ? " " + time->text : "") + "\"";
        const auto value = CopyValueOf(c.tag, c.text, time ? time->text : "");
        if (!value) {
            note(c.tag, shown + " is not a date; left as it is");
            continue;
        }
        CopyValue next = *value;
        if (value->parts >= 5) {
            const auto moved = rule(value->at);
            if (!moved) {
                note(c.tag, shown + " cannot be moved so; left as it is");
                continue;
            }
            next.at = *moved;
            if (value->parts == 5) next.at.second = 0;
        } else {
            const auto before = ParseDateText(change->before), after = ParseDateText(change->after);
            const LocalDateTime& a = value->at;
            if (!before || !after || before->year != a.year ||
                (value->parts >= 2 && before->month != a.month) ||
                (value->parts >= 3 && before->day != a.day)) {
                note(c.tag, shown + " is not the day of the Exif date \"" + change->before +
                                "\" it follows; left as it is");
                continue;
            }
            next.at = {after->year,
                       value->parts >= 2 ? after->month : 1,
                       value->parts >= 3 ? after->day : 1,
                       0,
                       0,
                       0};
        }
        if (value->zone != CopyValue::Zone::None) {
            const auto then = LocalZoneAt(value->at);
            if (then && *then == value->zoneSeconds) {
                const auto now = LocalZoneAt(next.at);
                if (!now) {
                    note(c.tag, "no local zone for the new date and time; left as it is");
                    continue;
                }
                next.zoneSeconds = *now;
            } else {
                tell(c.tag, "its zone is not this computer's zone at " + shown + "; kept");
            }
        }
        // The new texts, each of the old one's length ("Z" cannot become "+01:00").
        std::vector<std::pair<const DateCopy*, std::string>> texts;
        if (IsIptcTag(c.tag)) {
            texts.emplace_back(&c, FormatIptcDate(next));
            if (time) texts.emplace_back(time, FormatIptcTime(next));
        } else {
            if (next.zone == CopyValue::Zone::Utc && next.zoneSeconds != 0)
                next.zone = CopyValue::Zone::Colon;
            texts.emplace_back(&c, FormatXmpDate(next));
        }
        if (std::any_of(texts.begin(), texts.end(),
                        [](const auto& x) { return x.second.size() != x.first->length; })) {
            note(c.tag, shown + " would become \"" + texts.front().second +
                            (time ? " " + texts.back().second : "") +
                            "\", of another length; left as it is");
            continue;
        }
        for (const auto& [place, text] : texts)
            if (text != place->text)
                writes.push_back({place->tag, place->offset, place->text, text});
    }
    // Never onto another write, whatever a file says (segments do not overlap).
    for (DateWrite& w : writes) {
        const bool apart = std::none_of(plan.writes.begin(), plan.writes.end(), [&](auto& o) {
            return w.offset < o.offset + o.newBytes.size() &&
                   o.offset < w.offset + w.newBytes.size();
        });
        if (apart) plan.writes.push_back(std::move(w));
    }
}

} // namespace tokimori
