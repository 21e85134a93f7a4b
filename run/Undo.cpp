#include "run/Undo.h"

#include <algorithm>

#include "base/PositionedFile.h"
#include "exif/ByteReader.h"
#include "exif/ExifWriter.h"

namespace tokimori {

namespace {

// How long a photo locked by a run still working on it is waited for.
constexpr int kLockWaitMilliseconds = 60000;

enum class TextState { New, Old, Between, Other };

// Where a journaled text stands now: the run's new bytes, its old ones, a mixture of the two
// (a write cut short), or anything else.
TextState StateOf(const std::string& now, const DateWrite& w) {
    if (now == w.newBytes) return TextState::New;
    if (now == w.oldBytes) return TextState::Old;
    for (size_t i = 0; i < now.size(); ++i)
        if (now[i] != w.newBytes[i] && now[i] != w.oldBytes[i]) return TextState::Other;
    return TextState::Between;
}

} // namespace

UndoPlan PlanUndo(const JournalRecord& record, ByteReader& photo, const FileInstant& modified) {
    UndoPlan plan;
    auto refuse = [&](std::string reason) {
        plan.verdict = UndoPlan::Verdict::Refuse;
        plan.reason = std::move(reason);
        plan.texts.clear();
        plan.times = false;
        return plan;
    };
    // Each journaled text must be a date text the engine finds in this photo now.
    const std::vector<DateSlot> slots = FindDateSlots(photo);
    bool textsBack = false; // some text holds the run's bytes: the run did change the photo
    for (const DateWrite& w : record.writes) {
        const auto slot = std::find_if(slots.begin(), slots.end(),
                                       [&](const DateSlot& s) { return s.offset == w.offset; });
        if (slot == slots.end() || w.newBytes.size() > slot->count ||
            w.oldBytes.size() != w.newBytes.size())
            return refuse("the journal names no date text of this photo at offset " +
                          std::to_string(w.offset));
        std::string now(w.newBytes.size(), '\0');
        if (!photo.bytes(w.offset, std::span(reinterpret_cast<uint8_t*>(now.data()), now.size())))
            return refuse("cannot read the text at offset " + std::to_string(w.offset));
        switch (StateOf(now, w)) {
        case TextState::Other:
            return refuse(std::string(DateTagName(w.tag)) + " changed since the run");
        case TextState::New:
        case TextState::Between:
            if (now != w.oldBytes) {
                plan.texts.push_back(&w);
                textsBack = true;
            }
            break;
        case TextState::Old:
            break;
        }
    }
    // The times go back when texts do, and when the texts already are as before but the times
    // are not (an undo cut off between the two). A run that only set the times is undone only
    // while the photo still has the time it gave it.
    if (textsBack) {
        plan.times = true;
    } else if (!(modified == record.before.modified)) {
        if (record.writes.empty() && !(record.after && modified == *record.after))
            return refuse("the file time changed since the run");
        plan.times = true;
    }
    plan.verdict = plan.times ? UndoPlan::Verdict::Restore : UndoPlan::Verdict::AsBefore;
    return plan;
}

UndoOutcome UndoRecord(const JournalRecord& record, bool dryRun) {
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
        o.reason = "not the file the run changed (another file under that name)";
        return o;
    }
    auto times = file->times();
    if (!times) return fail(times.error());

    ByteReader reader(file.value());
    const UndoPlan plan = PlanUndo(record, reader, times->modified);
    if (reader.failed()) return fail(*reader.error());
    if (plan.verdict == UndoPlan::Verdict::Refuse) {
        o.result = UndoOutcome::Result::Refused;
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
    for (const Entry& e : all) {
        UndoOutcome o = UndoRecord(e.record, dryRun);
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
