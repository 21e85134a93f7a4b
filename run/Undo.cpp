#include "run/Undo.h"

#include <algorithm>
#include <map>
#include <utility>

#include "base/PositionedFile.h"
#include "exif/ByteReader.h"
#include "exif/ExifWriter.h"

namespace tokimori {

namespace {

// How long a photo locked by a run still working on it is waited for.
constexpr int kLockWaitMilliseconds = 60000;

// A write changes a file's last-write and status-change times together; setting the times (or
// another program touching them) leaves the two apart. Close enough to count as one moment.
bool LastChangeWasAWrite(const PhotoNow& now) {
    const int64_t apart = (now.changed.seconds - now.modified.seconds) * 1000000000LL +
                          (now.changed.nanoseconds - now.modified.nanoseconds);
    return apart >= -2000000000LL && apart <= 2000000000LL;
}

} // namespace

UndoPlan PlanUndo(const JournalRecord& record, ByteReader& photo, const PhotoNow& now,
                  const std::vector<const JournalRecord*>& earlier) {
    UndoPlan plan;
    auto refuse = [&](UndoRefusal refusal, std::string reason) {
        plan.verdict = UndoPlan::Verdict::Refuse;
        plan.refusal = refusal;
        plan.reason = std::move(reason);
        plan.texts.clear();
        plan.times = false;
        return plan;
    };
    // Only a JPEG photo is ever written, whatever a journal names.
    const auto soi = photo.u16(0, ByteOrder::Big);
    if (!soi || *soi != 0xFFD8) return refuse(UndoRefusal::NotAJpeg, "not a JPEG photo");
    // Each journaled text must be a date text the engine finds in this photo now.
    const std::vector<DateSlot> slots = FindDateSlots(photo);
    bool textsBack = false; // some text holds the run's bytes: the run did change the photo
    bool beyond = false;    // some text went back beyond this run, to an older run's old bytes
    for (const DateWrite& w : record.writes) {
        const auto slot = std::find_if(slots.begin(), slots.end(),
                                       [&](const DateSlot& s) { return s.offset == w.offset; });
        if (slot == slots.end() || w.newBytes.size() > slot->count ||
            w.oldBytes.size() != w.newBytes.size())
            return refuse(UndoRefusal::NoSuchDateText,
                          "the journal names no date text of this photo at offset " +
                              std::to_string(w.offset));
        std::string text(w.newBytes.size(), '\0');
        if (!photo.bytes(w.offset, std::span(reinterpret_cast<uint8_t*>(text.data()), text.size())))
            return refuse(UndoRefusal::Unreadable,
                          "cannot read the text at offset " + std::to_string(w.offset));
        if (text == w.oldBytes) continue; // already as before this run
        if (text == w.newBytes) {
            plan.texts.push_back(&w);
            textsBack = true;
            continue;
        }
        const bool older = std::any_of(earlier.begin(), earlier.end(), [&](const JournalRecord* e) {
            return std::any_of(e->writes.begin(), e->writes.end(), [&](const DateWrite& d) {
                return d.offset == w.offset && d.oldBytes == text;
            });
        });
        if (!older) {
            plan.changedTag = w.tag;
            return refuse(UndoRefusal::TextChanged,
                          std::string(DateTagName(w.tag)) + " changed since the run");
        }
        beyond = true;
    }
    if (beyond) {
        // An older run's undo (in this same undo) takes it the rest of the way, times too; a
        // text of this run still holding its bytes is something else's doing.
        if (textsBack)
            return refuse(UndoRefusal::MixedRuns, "the texts hold dates of different runs");
        return plan;
    }
    // The times go back when texts do. With every text as before, they go back while the photo
    // still has the time the run gave it (a run whose texts held its date already, or one that
    // only set times), or when a write was the last change (an undo cut off between texts and
    // times); anything else is another program's doing since the run.
    if (textsBack) {
        plan.times = true;
    } else if (!(now.modified == record.before.modified)) {
        const bool ours = (record.after && HeldAs(now.modified, *record.after)) ||
                          (!record.writes.empty() && LastChangeWasAWrite(now));
        if (!ours) return refuse(UndoRefusal::TimeChanged, "the file time changed since the run");
        plan.times = true;
    }
    plan.verdict = plan.times ? UndoPlan::Verdict::Restore : UndoPlan::Verdict::AsBefore;
    return plan;
}

UndoOutcome UndoRecord(const JournalRecord& record, bool dryRun,
                       const std::vector<const JournalRecord*>& earlier) {
    UndoOutcome o;
    o.record = record;
    auto fail = [&](const RunError& e) {
        o.result = UndoOutcome::Result::Failed;
        o.error = e;
        return o;
    };
    auto file = PositionedFile::open(record.path, PositionedFile::Mode::ReadWrite);
    if (!file) return fail(file.error());
    if (!dryRun) {
        Status locked = file->lockExclusive(kLockWaitMilliseconds);
        if (!locked) return fail(locked.error());
    }
    if (!(file->identity() == record.identity) || file->size() != record.size) {
        o.result = UndoOutcome::Result::Refused;
        o.refusal = UndoRefusal::AnotherFile;
        o.reason = "not the file the run changed (another file under that name)";
        return o;
    }
    auto times = file->times();
    if (!times) return fail(times.error());

    ByteReader reader(file.value());
    auto changed = file->changed();
    if (!changed) return fail(changed.error());
    const UndoPlan plan =
        PlanUndo(record, reader, PhotoNow{times->modified, changed.value()}, earlier);
    if (reader.failed()) return fail(*reader.error());
    if (plan.verdict == UndoPlan::Verdict::Refuse) {
        o.result = UndoOutcome::Result::Refused;
        o.refusal = plan.refusal;
        o.changedTag = plan.changedTag;
        o.reason = plan.reason;
        return o;
    }
    if (plan.verdict == UndoPlan::Verdict::AsBefore) {
        o.result = UndoOutcome::Result::AsBefore;
        return o;
    }
    if (dryRun) {
        o.result = UndoOutcome::Result::WouldRestore;
        return o;
    }
    // Later writes first, so that a text written twice gets its first old bytes back.
    for (auto it = plan.texts.rbegin(); it != plan.texts.rend(); ++it) {
        const DateWrite& w = **it;
        Status s =
            reader.write(w.offset, std::span(reinterpret_cast<const uint8_t*>(w.oldBytes.data()),
                                             w.oldBytes.size()));
        if (!s) return fail(s.error());
    }
    Status set = file->setTimes(record.before);
    if (!set) return fail(set.error());
    Status closed = file->close();
    if (!closed) return fail(closed.error());
    o.result = UndoOutcome::Result::Restored;
    return o;
}

UndoSummary UndoJournals(const std::vector<std::string>& journals, bool dryRun,
                         const std::function<void(const UndoOutcome&)>& done) {
    UndoSummary summary;
    struct Entry {
        std::string journal;
        JournalRecord record;
    };
    std::vector<Entry> all;
    for (const std::string& path : journals) {
        auto contents = ReadJournal(path);
        if (!contents) {
            summary.problems.push_back({path, 0, contents.error().detail});
            continue;
        }
        for (const JournalLineProblem& p : contents->problems)
            summary.problems.push_back({path, p.line, p.reason});
        if (contents->cutAtEnd) summary.cutAtEnd.push_back(path);
        for (JournalRecord& r : contents->records)
            all.push_back({path, std::move(r)});
    }
    // Newest change first, across journals: the photo goes back through the runs in the
    // reverse order they changed it.
    std::stable_sort(all.begin(), all.end(), [](const Entry& a, const Entry& b) {
        return a.record.changedAt > b.record.changedAt;
    });
    // Each file's records, newest first; a record's older runs over the same file follow it.
    std::map<std::pair<uint64_t, uint64_t>, std::vector<const JournalRecord*>> byFile;
    std::vector<size_t> place(all.size());
    for (size_t i = 0; i < all.size(); ++i) {
        auto& records = byFile[{all[i].record.identity.device, all[i].record.identity.inode}];
        place[i] = records.size();
        records.push_back(&all[i].record);
    }
    for (size_t i = 0; i < all.size(); ++i) {
        const Entry& e = all[i];
        const auto& records = byFile[{e.record.identity.device, e.record.identity.inode}];
        const std::vector<const JournalRecord*> earlier(
            records.begin() + static_cast<std::ptrdiff_t>(place[i]) + 1, records.end());
        UndoOutcome o = UndoRecord(e.record, dryRun, earlier);
        o.journal = e.journal;
        if (o.result == UndoOutcome::Result::Restored ||
            o.result == UndoOutcome::Result::WouldRestore)
            ++summary.restored;
        else if (o.result == UndoOutcome::Result::AsBefore)
            ++summary.asBefore;
        else
            ++summary.refused;
        if (done) done(o);
    }
    return summary;
}

} // namespace tokimori
