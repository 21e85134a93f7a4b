#include "run/Undo.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <utility>

#include "base/PositionedFile.h"
#include "exif/ByteReader.h"
#include "exif/DateCopies.h"
#include "exif/ExifWriter.h"
#include "exif/FileFormat.h"

namespace tokimori {

namespace {

// How long a photo locked by a run still working on it is waited for.
constexpr int kLockWaitMilliseconds = 60000;
// A disk writes whole sectors: a write cut by a power cut is torn at a multiple of this.
constexpr uint64_t kSectorBytes = 512;
// Photos put back are handed to the disk together, this many at a time.
constexpr size_t kUndoBatch = 64;

// A write changes a file's last-write and status-change times together; setting the times (or
// another program touching them) leaves the two apart. Close enough to count as one moment.
bool LastChangeWasAWrite(const PhotoNow& now) {
    const int64_t apart = (now.changed.seconds - now.modified.seconds) * 1000000000LL +
                          (now.changed.nanoseconds - now.modified.nanoseconds);
    return apart >= -2000000000LL && apart <= 2000000000LL;
}

// Whether text, standing at offset, is what a power cut can leave of writes between versions of
// it: where a sector boundary falls inside the text, the part before it from one version and
// the part after it from another.
bool TornBetween(const std::string& text, uint64_t offset,
                 const std::vector<const std::string*>& versions) {
    const uint64_t boundary = (offset / kSectorBytes + 1) * kSectorBytes;
    if (boundary >= offset + text.size()) return false;
    const size_t cut = static_cast<size_t>(boundary - offset);
    auto part = [&](size_t from, size_t length) {
        return std::any_of(versions.begin(), versions.end(), [&](const std::string* v) {
            return v->size() == text.size() && v->compare(from, length, text, from, length) == 0;
        });
    };
    return part(0, cut) && part(cut, text.size() - cut);
}

// Whether the photo's last-write time is one that one of the records gave or found.
bool HoldsATimeOf(const FileInstant& modified, const std::vector<const JournalRecord*>& records) {
    return std::any_of(records.begin(), records.end(), [&](const JournalRecord* r) {
        return (r->after && HeldAs(modified, *r->after)) || r->before.modified == modified;
    });
}

} // namespace

UndoPlan PlanUndo(const JournalRecord& record, ByteReader& photo, const PhotoNow& now,
                  const RelatedRecords& related) {
    UndoPlan plan;
    auto refuse = [&](UndoRefusal refusal, std::string reason) {
        plan.verdict = UndoPlan::Verdict::Refuse;
        plan.refusal = refusal;
        plan.reason = std::move(reason);
        plan.texts.clear();
        plan.times = false;
        return plan;
    };
    // Only a file of a kind the program re-dates is ever written, whatever a journal names.
    if (!IsRedatedFormat(FileFormatOf(photo)))
        return refuse(UndoRefusal::NotAJpeg, "not a kind of file Tokimori re-dates");
    // The times are as this run left them, or as a newer journaled run found or left them, or a
    // write's (a run or an undo cut off between its texts and its times): they go back. As
    // before this run, or as an older run found or left them: they stay. Either way no other
    // hand has touched the photo since.
    const bool timesAfterRun = (record.after && HeldAs(now.modified, *record.after)) ||
                               HoldsATimeOf(now.modified, related.newer) ||
                               (!record.writes.empty() && LastChangeWasAWrite(now));
    const bool olderWrote = std::any_of(related.older.begin(), related.older.end(),
                                        [](const JournalRecord* r) { return !r->writes.empty(); });
    const bool timesBeforeRun = now.modified == record.before.modified ||
                                HoldsATimeOf(now.modified, related.older) ||
                                (olderWrote && LastChangeWasAWrite(now));
    const bool timesOurs = timesAfterRun || timesBeforeRun;
    // Each journaled text must be a date text the engine finds in this photo now: an Exif date
    // text, or a copy of one in the XMP or IPTC data, the very text, of the tag journaled.
    const std::vector<DateSlot> slots = FindDateSlots(photo);
    std::vector<DateCopy> copies;
    if (std::any_of(record.writes.begin(), record.writes.end(),
                    [](const DateWrite& w) { return IsCopyTag(w.tag); }))
        copies = FindDateCopies(photo);
    auto found = [&](const DateWrite& w) {
        if (IsCopyTag(w.tag))
            return std::any_of(copies.begin(), copies.end(), [&](const DateCopy& c) {
                return c.tag == w.tag && c.offset == w.offset && c.length == w.newBytes.size();
            });
        const auto slot = std::find_if(slots.begin(), slots.end(),
                                       [&](const DateSlot& s) { return s.offset == w.offset; });
        return slot != slots.end() && w.newBytes.size() <= slot->count;
    };
    for (const DateWrite& w : record.writes) {
        if (!found(w) || w.oldBytes.size() != w.newBytes.size())
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
            continue;
        }
        // The text as it was before each older run, newest first: the old bytes of their
        // writes laid over this run's old bytes where they overlap (a run that wrote the date
        // alone wrote ten of the nineteen).
        std::vector<std::string> earlier;
        std::string was = w.oldBytes;
        for (const JournalRecord* e : related.older) {
            bool touched = false;
            for (const DateWrite& d : e->writes) {
                if (d.offset >= w.offset + was.size() || w.offset >= d.offset + d.oldBytes.size())
                    continue;
                for (size_t i = 0; i < d.oldBytes.size(); ++i) {
                    const uint64_t at = d.offset + i;
                    if (at >= w.offset && at < w.offset + was.size())
                        was[static_cast<size_t>(at - w.offset)] = d.oldBytes[i];
                }
                touched = true;
            }
            if (touched) earlier.push_back(was);
        }
        // A change of this run's the disk never kept, nor an older run's: gone already.
        if (std::find(earlier.begin(), earlier.end(), text) != earlier.end()) continue;
        std::vector<const std::string*> versions{&w.oldBytes, &w.newBytes};
        for (const std::string& e : earlier)
            versions.push_back(&e);
        if (timesOurs && TornBetween(text, w.offset, versions)) {
            plan.texts.push_back(&w);
            continue;
        }
        plan.changedTag = w.tag;
        return refuse(UndoRefusal::TextChanged,
                      std::string(DateTagName(w.tag)) + " changed since the run");
    }
    // The times go back when texts do; with every text as before, while they are as the run or a
    // newer one left them. Anything else is another program's doing since the run.
    if (!plan.texts.empty()) {
        plan.times = true;
    } else if (timesAfterRun && !(now.modified == record.before.modified)) {
        plan.times = true;
    } else if (!timesBeforeRun) {
        return refuse(UndoRefusal::TimeChanged, "the file time changed since the run");
    }
    plan.verdict = plan.times ? UndoPlan::Verdict::Restore : UndoPlan::Verdict::AsBefore;
    return plan;
}

namespace {

// Undoes one record against the photo it names. A photo it wrote is handed back still open, to
// reach the disk with the others.
UndoOutcome UndoRecord(const JournalRecord& record, bool dryRun, const RelatedRecords& related,
                       std::unique_ptr<PositionedFile>& written) {
    UndoOutcome o;
    o.record = record;
    auto fail = [&](const RunError& e) {
        o.result = UndoOutcome::Result::Failed;
        o.error = e;
        return o;
    };
    if (record.left) return o; // the run left the photo alone: nothing of it to undo
    auto opened = PositionedFile::open(record.path, PositionedFile::Mode::ReadWrite);
    if (!opened) return fail(opened.error());
    auto file = std::make_unique<PositionedFile>(std::move(opened.value()));
    if (!dryRun) {
        Status locked = file->lockExclusive(kLockWaitMilliseconds);
        if (!locked) return fail(locked.error());
    }
    if (!SameFile(file->identity(), record.identity) || file->size() != record.size) {
        o.result = UndoOutcome::Result::Refused;
        o.refusal = UndoRefusal::AnotherFile;
        o.reason = "not the file the run changed (another file under that name)";
        return o;
    }
    auto times = file->times();
    if (!times) return fail(times.error());

    ByteReader reader(*file);
    auto changed = file->changed();
    if (!changed) return fail(changed.error());
    const UndoPlan plan =
        PlanUndo(record, reader, PhotoNow{times->modified, changed.value()}, related);
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
    o.result = UndoOutcome::Result::Restored;
    written = std::move(file);
    return o;
}

} // namespace

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
    // Each file's records, newest first; a record's older runs over the same file follow it,
    // its newer ones come before it.
    std::map<std::pair<uint64_t, uint64_t>, std::vector<const JournalRecord*>> byFile;
    std::vector<size_t> place(all.size());
    for (size_t i = 0; i < all.size(); ++i) {
        auto& records = byFile[{all[i].record.identity.device, all[i].record.identity.inode}];
        place[i] = records.size();
        if (!all[i].record.left) records.push_back(&all[i].record);
    }

    // Outcomes wait, with the photos they wrote (open and locked), until those are on the disk.
    std::vector<UndoOutcome> waiting;
    std::vector<std::unique_ptr<PositionedFile>> open;
    auto isOpen = [&](const FileIdentity& id) {
        return std::any_of(open.begin(), open.end(), [&](const auto& f) {
            return f->identity().device == id.device && f->identity().inode == id.inode;
        });
    };
    auto tell = [&] {
        std::vector<PositionedFile*> files;
        for (auto& f : open)
            files.push_back(f.get());
        Status synced = SyncFiles(files);
        open.clear();
        for (UndoOutcome& o : waiting) {
            if (!synced && o.result == UndoOutcome::Result::Restored) {
                o.result = UndoOutcome::Result::Failed;
                o.error = synced.error();
            }
            if (o.result == UndoOutcome::Result::Restored ||
                o.result == UndoOutcome::Result::WouldRestore)
                ++summary.restored;
            else if (o.result == UndoOutcome::Result::AsBefore)
                ++summary.asBefore;
            else
                ++summary.refused;
            if (done) done(o);
        }
        waiting.clear();
    };
    for (size_t i = 0; i < all.size(); ++i) {
        const Entry& e = all[i];
        const auto& records = byFile[{e.record.identity.device, e.record.identity.inode}];
        const auto at = records.begin() + static_cast<std::ptrdiff_t>(place[i]);
        RelatedRecords related;
        related.newer.assign(records.begin(), at);
        related.older.assign(e.record.left ? at : at + 1, records.end());
        // A photo that comes again (an older run's record) is on the disk, and its lock let go,
        // before it is read again.
        if (isOpen(e.record.identity)) tell();
        std::unique_ptr<PositionedFile> written;
        UndoOutcome o = UndoRecord(e.record, dryRun, related, written);
        o.journal = e.journal;
        if (written) open.push_back(std::move(written));
        waiting.push_back(std::move(o));
        if (open.size() >= kUndoBatch) tell();
    }
    tell();
    // Every photo is back: the journals say so (the undo window marks such runs).
    if (!dryRun && summary.ok() && !all.empty()) {
        const int64_t at = std::chrono::duration_cast<std::chrono::nanoseconds>(
                               std::chrono::system_clock::now().time_since_epoch())
                               .count();
        for (const std::string& path : journals)
            (void)MarkJournalUndone(path, at); // a mark lost loses nothing: the undo is done
    }
    return summary;
}

} // namespace tokimori
