#include "run/RunLoop.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <set>
#include <utility>

#include "base/Paths.h"
#include "base/PositionedFile.h"
#include "base/Process.h"
#include "base/SystemError.h"
#include "exif/FileFormat.h"
#include "filetime/FileDate.h"
#include "run/CopyDates.h"
#include "run/DateKinds.h"
#include "run/Journal.h"
#include "run/OperationLog.h"

namespace tokimori {

namespace {

namespace fs = std::filesystem;

// Photos whose journal records reach the disk with one flush before any of them changes: a few
// at first, so that the first photos change at once, then more as the run goes on (one flush
// costs as much as writing dozens of photos). A batch holds its photos open: never more than
// half the files the process may open.
constexpr size_t kFirstBatch = 16;
size_t LargestBatch() {
    static const size_t largest = std::clamp<size_t>(OpenFileLimit() / 2, 1, 256);
    return largest;
}
// How long a photo locked by another run (or program) is waited for.
constexpr int kLockWaitMilliseconds = 60000;

int64_t NowNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The photo's bytes as they will be after the plan's writes, for a dry run's report.
class PlannedSource final : public ByteSource {
  public:
    PlannedSource(ByteSource& base, const std::vector<DateWrite>& writes)
        : base_(base), writes_(writes) {}
    uint64_t size() const override { return base_.size(); }
    Status readAt(uint64_t offset, std::span<uint8_t> out) override {
        Status s = base_.readAt(offset, out);
        if (!s) return s;
        for (const DateWrite& w : writes_) {
            for (size_t i = 0; i < w.newBytes.size(); ++i) {
                const uint64_t at = w.offset + i;
                if (at >= offset && at - offset < out.size())
                    out[static_cast<size_t>(at - offset)] = static_cast<uint8_t>(w.newBytes[i]);
            }
        }
        return {};
    }
    Status writeAt(uint64_t, std::span<const uint8_t>) override {
        return MakeError(err::InvalidCall, "a planned view is not written");
    }

  private:
    ByteSource& base_;
    const std::vector<DateWrite>& writes_;
};

class SetDates final : public RunKind {
  public:
    explicit SetDates(const SetDatesOptions& o)
        : options_(o), newText_(NewDateTextOf(o)), filter_(FilterDateOf(o)) {}
    const char* name() const override { return "set"; }

    PhotoPlan plan(ByteReader& r, const PhotoState& now) const override {
        PhotoPlan p;
        p.dates = PlanExifDateWrite(r, newText_, filter_, &LocalMovieClock());
        PlanOffsets(r, p.dates, p.notes);
        if (options_.allCopies)
            PlanCopies(r, p, [this](const LocalDateTime& old) {
                LocalDateTime t = options_.date;
                const LocalDateTime& clock = options_.keepTime ? old : options_.timeOfDay;
                t.hour = clock.hour;
                t.minute = clock.minute;
                t.second = clock.second;
                return std::optional<LocalDateTime>(t);
            });
        if (p.dates.writes.empty()) return p;
        // The file gets the chosen date, at the chosen time or at its own time of day.
        LocalDateTime when = options_.date;
        const LocalDateTime& clock = options_.keepTime ? now.modifiedLocal : options_.timeOfDay;
        when.hour = clock.hour;
        when.minute = clock.minute;
        when.second = clock.second;
        // Most photos of a run get the same local time: it is converted once.
        if (!(when == lastLocal_)) {
            lastLocal_ = when;
            lastInstant_ = LocalToUnix(when);
        }
        if (!lastInstant_) {
            p.dates.writes.clear();
            p.refusal = Refusal::DateOutOfRange;
            return p;
        }
        p.newTime = FileInstant{lastInstant_.value(), 0};
        return p;
    }

  private:
    mutable LocalDateTime lastLocal_{-1, 0, 0, 0, 0, 0};
    mutable Result<int64_t> lastInstant_{int64_t{0}};
    SetDatesOptions options_;
    std::string newText_;
    std::string filter_;
};

// One photo between its plan and its change: open, locked, its journal record written.
struct Prepared {
    bool busy = false; // another holds the photo's lock (asked without waiting)
    FileIdentity identity;
    TextPlace embeddedDate; // where the shooting date was read
    std::unique_ptr<PositionedFile> file;
    std::unique_ptr<ByteReader> reader;
    PhotoOutcome outcome;
    bool toChange = false;
    // The photo as planned: its size and status change time, checked again before the writes.
    uint64_t plannedSize = 0;
    FileInstant plannedChange;
    bool written = false; // something was written: it goes to the disk with the batch
    bool left = false;    // journaled, but the run left it alone after all
};

// Whether the photo is still what its plan was made from: the same size, no change since (its
// status change time), and the bytes to be replaced read again from the file itself. A lock
// keeps out only the programs that take it; this keeps the run from writing old offsets into a
// photo another program rewrote meanwhile.
bool StillAsPlanned(Prepared& p) {
    auto size = p.file->currentSize();
    auto changed = p.file->changed();
    if (!size || !changed || size.value() != p.plannedSize || !(changed.value() == p.plannedChange))
        return false;
    const std::vector<DateWrite>& writes = p.outcome.plan.dates.writes;
    if (writes.empty()) return true;
    // One read when the texts stand near each other, as they do in a camera's photo.
    uint64_t from = UINT64_MAX, to = 0;
    for (const DateWrite& w : writes) {
        from = std::min(from, w.offset);
        to = std::max(to, w.offset + w.oldBytes.size());
    }
    constexpr uint64_t kOneRead = 64 * 1024;
    std::string bytes;
    if (to - from <= kOneRead) {
        bytes.resize(static_cast<size_t>(to - from));
        if (!p.file->readAt(from,
                            std::span(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size())))
            return false;
    }
    for (const DateWrite& w : writes) {
        if (!bytes.empty()) {
            if (bytes.compare(static_cast<size_t>(w.offset - from), w.oldBytes.size(),
                              w.oldBytes) != 0)
                return false;
            continue;
        }
        std::string now(w.oldBytes.size(), '\0');
        if (!p.file->readAt(w.offset,
                            std::span(reinterpret_cast<uint8_t*>(now.data()), now.size())) ||
            now != w.oldBytes)
            return false;
    }
    return true;
}

class Loop {
  public:
    Loop(const RunKind& kind, const RunRequest& request, const RunPolicy& policy,
         const RunHooks& hooks)
        : kind_(kind), request_(request), policy_(policy), hooks_(hooks),
          logging_(!policy.dryRun && !request.logFolder.empty()) {}

    RunSummary run() {
        if (policy_.checkListedFilesExist && !checkListed()) return summary_;
        if (logging_ && !prepareLog()) return summary_;
        std::vector<Prepared> batch;
        for (size_t i = 0; i < request_.targets.size() && !stopped_; ++i) {
            if (hooks_.progress) hooks_.progress(i, request_.targets.size());
            // A photo another run holds is waited for only while this run holds no other: two
            // runs taking the same photos in different orders never wait on each other.
            Prepared p = prepare(i, batch.empty());
            if (p.busy) {
                commit(batch);
                if (stopped_) break;
                p = prepare(i, true);
            }
            const bool failed = p.outcome.result == PhotoOutcome::Result::Failed;
            batch.push_back(std::move(p));
            if (failed && policy_.stopAtFirstError) stopAfter_ = true;
            if (batch.size() >= batchLimit_ || stopAfter_) {
                commit(batch);
                batchLimit_ = std::min(batchLimit_ * 2, LargestBatch());
            }
        }
        commit(batch);
        return finish();
    }

  private:
    bool checkListed() {
        for (const std::string& path : request_.listed) {
            std::error_code ec;
            if (!fs::is_regular_file(ToFsPath(path), ec)) {
                summary_.stalePath = path;
                summary_.stoppedBy = MakeError(err::FileNotFound, "no longer there: " + path);
                return false;
            }
        }
        return true;
    }

    bool prepareLog() {
        Status ready = PrepareLogFolder(request_.logFolder);
        if (!ready) {
            summary_.stoppedBy = ready.error();
            return false;
        }
        // Something other than a file under today's log name would stop the first photo's log
        // line after the photo changed: it is found before anything changes.
        const std::string today = JoinPath(request_.logFolder, LogNameFor(LocalNow()));
        std::error_code ec;
        const fs::file_status st = fs::symlink_status(ToFsPath(today), ec);
        if (fs::exists(st) && !fs::is_regular_file(st)) {
            summary_.stoppedBy = MakeError(err::PathFileAccess, "not a log file: " + today);
            return false;
        }
        const int64_t now = static_cast<int64_t>(std::time(nullptr));
        const uint64_t sequence = PruneJournals(request_.logFolder, now);
        JournalHeader header{kind_.name(), now, CurrentProcessId(), request_.where, sequence};
        journal_.emplace(request_.logFolder, std::move(header));
        return true;
    }

    Prepared prepare(size_t index, bool mayWait) {
        Prepared p;
        PhotoOutcome& o = p.outcome;
        o.index = index;
        o.path = AbsolutePath(request_.targets[index]);
        auto fail = [&](const RunError& e) {
            o.result = PhotoOutcome::Result::Failed;
            o.error = e;
            p.reader.reset();
            p.file.reset();
            return std::move(p);
        };
        auto file = PositionedFile::open(o.path, PositionedFile::Mode::ReadWrite);
        if (!file) return fail(file.error());
        p.file = std::make_unique<PositionedFile>(std::move(file.value()));
        // A file reached again (another name, a link) is known before its lock is asked for:
        // this run may still hold that lock.
        const FileIdentity identity = p.file->identity();
        if (done_.count({identity.device, identity.inode})) {
            o.result = PhotoOutcome::Result::Duplicate;
            o.reason = "the same file as a photo already done in this run";
            p.file.reset();
            return p;
        }
        p.identity = identity;
        if (!policy_.dryRun) {
            if (!mayWait) {
                auto taken = p.file->tryLockExclusive();
                if (!taken) return fail(taken.error());
                if (!taken.value()) {
                    p.busy = true;
                    p.file.reset();
                    return p;
                }
            } else {
                Status locked = p.file->lockExclusive(kLockWaitMilliseconds);
                if (!locked) return fail(locked.error());
            }
        }
        done_.insert({identity.device, identity.inode});
        auto times = p.file->times();
        if (!times) return fail(times.error());
        o.timesBefore = times.value();
        const LocalDateTime modifiedLocal = LocalFromUnix(o.timesBefore.modified.seconds);
        o.fileDateText = FormatGeneralDate(modifiedLocal);

        p.reader = std::make_unique<ByteReader>(*p.file);
        o.entries = WalkExifSummary(*p.reader, o.before, &p.embeddedDate);
        if (p.reader->failed()) return fail(*p.reader->error());
        o.plan =
            kind_.plan(*p.reader, PhotoState{o.before, o.entries, o.timesBefore, modifiedLocal});
        // A raw file's maker note holds dates of the camera maker's own: named, never written.
        if (const std::string format = FileFormatOf(*p.reader);
            !o.plan.dates.writes.empty() && format != "JPEG" &&
            (format == "CR3" || HasMakerNote(*p.reader)))
            o.plan.notes.push_back("MakerNote: its own dates, if any, are left as they are");
        if (AddChecksumWrite(*p.reader, o.plan.dates) == ChecksumOutcome::WasWrong)
            o.plan.notes.push_back("PNG eXIf chunk: its CRC did not match its data before the run; "
                                   "left as it was");
        if (p.reader->failed()) return fail(*p.reader->error());
        o.after = o.before;
        o.timesAfter = o.timesBefore;

        const PhotoPlan& plan = o.plan;
        if (plan.refusal != Refusal::None) {
            o.result = plan.refusal == Refusal::OtherCamera ? PhotoOutcome::Result::Excluded
                                                            : PhotoOutcome::Result::Refused;
            o.refusal = plan.refusal;
            o.reason = RefusalText(plan.refusal);
        } else if (!plan.dates.writes.empty() || plan.newTime) {
            p.toChange = true;
            auto changed = p.file->changed();
            if (!changed) return fail(changed.error());
            p.plannedChange = changed.value();
            p.plannedSize = p.file->size();
        } else if (!plan.dates.skipped.empty()) {
            o.result = PhotoOutcome::Result::Skipped;
            o.reason = SkippedText(plan.dates.skipped);
        } else if (!plan.dates.reachedEnd) {
            o.result = PhotoOutcome::Result::NoExif;
            o.format = FileFormatOf(*p.reader);
            if (p.reader->failed()) return fail(*p.reader->error());
        } else {
            o.result = PhotoOutcome::Result::Unchanged;
        }
        if (!p.toChange) p.file.reset(); // nothing more to do with it: closed at once
        return p;
    }

    JournalRecord recordOf(const Prepared& p) const {
        const PhotoOutcome& o = p.outcome;
        JournalRecord r;
        r.changedAt = NowNanoseconds(); // taken under the photo's lock, which the batch holds
        r.path = o.path;
        r.identity = p.identity;
        r.size = p.file->size();
        r.before = o.timesBefore;
        r.after = o.plan.newTime;
        r.writes = o.plan.dates.writes;
        return r;
    }

    // Journals the batch's photos that are to change, with one write, and hands the records to
    // the disk. Answers how many of them may change: all, or when the journal fails, those whose
    // records reached the disk whole (in order); the run then ends after them.
    size_t journalBatch(const std::vector<Prepared>& batch) {
        size_t toChange = 0;
        for (const Prepared& p : batch) {
            if (!p.toChange) continue;
            journal_->add(recordOf(p));
            ++toChange;
        }
        if (toChange == 0) return 0;
        size_t written = 0;
        const Status wrote = journal_->write(written);
        const Status synced = written ? journal_->sync() : Status();
        if (wrote && synced) return toChange;
        summary_.journalFailed = true;
        summary_.stoppedBy = !wrote ? wrote.error() : synced.error();
        stopped_ = true;
        return synced ? written : 0;
    }

    // A batch, its records on the disk: each photo checked and changed in turn (still open and
    // locked), then all of them handed to the disk at once and the journal told so, and only
    // then closed, logged and told, in order.
    void commit(std::vector<Prepared>& batch) {
        if (batch.empty()) return;
        const bool journaling = journal_ && !policy_.dryRun;
        const size_t mayChange = journaling ? journalBatch(batch) : SIZE_MAX;
        const bool journaled = journaling && mayChange > 0 && mayChange != SIZE_MAX;
        size_t changing = 0;
        size_t told = batch.size(); // the photos told; those after a stop are not
        std::vector<PositionedFile*> toSync;
        for (size_t i = 0; i < batch.size(); ++i) {
            Prepared& p = batch[i];
            if (i >= told) {
                p.left = p.toChange;
                continue;
            }
            // A photo whose record is not on the disk stays as it is (closed with the batch).
            if (p.toChange && changing++ >= mayChange) {
                told = i;
                continue;
            }
            if (p.toChange) change(p);
            if (p.written) toSync.push_back(p.file.get());
            if (stopAfter_ && p.outcome.result == PhotoOutcome::Result::Failed) told = i + 1;
        }
        if (!toSync.empty()) {
            Status synced = SyncFiles(toSync);
            if (!synced) {
                summary_.flushFailed = true;
                summary_.stoppedBy = synced.error();
                stopped_ = true;
            }
        }
        if (journaled && !summary_.flushFailed && !summary_.journalFailed) {
            JournalDone done{NowNanoseconds(), 0, {}};
            for (const Prepared& p : batch) {
                if (p.left) done.left.push_back(p.identity);
                if (p.toChange && !p.left) ++done.changed;
            }
            Status s = journal_->done(done);
            if (!s) {
                summary_.journalFailed = true;
                summary_.stoppedBy = s.error();
                stopped_ = true;
            }
        }
        for (size_t i = 0; i < told; ++i) {
            finish(batch[i]);
            deliver(batch[i].outcome);
        }
        if (stopAfter_ || logStopped_) stopped_ = true;
        batch.clear();
    }

    void change(Prepared& p) {
        PhotoOutcome& o = p.outcome;
        const PhotoPlan& plan = o.plan;
        o.result = PhotoOutcome::Result::Changed;
        if (policy_.dryRun) {
            PlannedSource planned(*p.file, plan.dates.writes);
            ByteReader view(planned);
            o.after.EmbeddedDate = ReadTextAt(view, p.embeddedDate);
            if (plan.newTime) o.timesAfter = FileTimes{*plan.newTime, *plan.newTime, *plan.newTime};
            return;
        }
        if (!StillAsPlanned(p)) {
            o.result = PhotoOutcome::Result::Refused;
            o.refusal = Refusal::ChangedMeanwhile;
            o.reason = RefusalText(o.refusal);
            p.left = true;
            return;
        }
        p.written = !plan.dates.writes.empty() || plan.newTime;
        Status written = ApplyDatePlan(*p.reader, plan.dates);
        if (!written) {
            // Part of the photo may have changed: its journal record puts it back.
            o.result = PhotoOutcome::Result::Failed;
            o.error = written.error();
            if (policy_.stopAtFirstError) stopAfter_ = true;
            return;
        }
        if (plan.newTime) {
            Status set = p.file->setTimes({*plan.newTime, *plan.newTime, *plan.newTime});
            if (!set) {
                o.timesError = set.error();
                (void)p.file->setTimes(o.timesBefore); // not left at the moment of the writes
            }
        } else if (plan.keepTimes && !plan.dates.writes.empty()) {
            Status kept = p.file->setTimes(o.timesBefore);
            if (!kept) o.timesError = kept.error();
        }
        // The shooting date as the photo holds it now, read back through the same handle.
        o.after.EmbeddedDate = ReadTextAt(*p.reader, p.embeddedDate);
        auto times = p.file->times();
        if (times) o.timesAfter = times.value();
        // A file system that cannot hold the time (ext4 before 1901 or after 2446) keeps another
        // one, which the undo could not tell from another program's: the photo keeps its own
        // times and the run says so; a run that only sets times leaves the photo alone. (FAT's
        // rounding to 2 seconds is holding it.)
        if (times && plan.newTime && !o.timesError &&
            !HeldAs(o.timesAfter.modified, *plan.newTime)) {
            Status back = p.file->setTimes(o.timesBefore);
            if (plan.dates.writes.empty()) {
                o.result = PhotoOutcome::Result::Refused;
                o.refusal = Refusal::TimeNotHeld;
                o.reason = RefusalText(o.refusal);
                if (!back) o.timesError = back.error();
            } else {
                o.timesError = back ? MakeError(err::InvalidCall,
                                                "the file system cannot hold that time; the file "
                                                "keeps its own: " +
                                                    o.path)
                                    : back.error();
            }
            if (auto again = p.file->times()) o.timesAfter = again.value();
        }
    }

    // Closes the photo, and logs it when it changed.
    void finish(Prepared& p) {
        PhotoOutcome& o = p.outcome;
        p.reader.reset();
        if (p.file) {
            Status closed = p.file->close();
            p.file.reset();
            if (!closed && o.result == PhotoOutcome::Result::Changed) {
                o.result = PhotoOutcome::Result::Failed;
                o.error = closed.error();
            }
        }
        if (o.result == PhotoOutcome::Result::Changed && logging_ && !policy_.dryRun) log(o);
    }

    void log(PhotoOutcome& o) {
        // The local time of the line, converted once a second.
        const int64_t second = static_cast<int64_t>(std::time(nullptr));
        if (second != logSecond_) {
            logSecond_ = second;
            logNow_ = LocalFromUnix(second);
        }
        const LocalDateTime now = logNow_;
        const LocalDateTime day{now.year, now.month, now.day, 0, 0, 0};
        if (logStopped_) {
            o.logError = summary_.stoppedBy;
            return;
        }
        if (!logFile_ || !(day == logDay_)) {
            // The day's log, named (and older logs removed) at its first line; it stays open for
            // the rest of the run, one write per line.
            closeLog();
            auto path = LogFileName(request_.logFolder, now, {});
            if (!path) {
                // The log cannot be named: the run ends after this batch, its photos changed.
                summary_.stoppedBy = path.error();
                logStopped_ = true;
                o.logError = path.error();
                return;
            }
            auto file = AppendFile::open(path.value(), AppendFile::Create::OpenOrCreate,
                                         FaultSite::LogAppend);
            if (!file) {
                o.logError = file.error();
                return;
            }
            logFile_.emplace(std::move(file.value()));
            logDay_ = day;
        }
        const std::string text =
            EscapeLogText(LogTextOf(o.path, o.before.EmbeddedDate, o.fileDateText));
        Status s = logFile_->append(ToSystemText(FormatLogLine(now, kind_.logKind(), text)));
        if (!s)
            o.logError = s.error();
        else
            summary_.logPath = logFile_->path();
    }

    // Closes the day's log; one this run made and could not write a line to is removed.
    void closeLog() {
        if (!logFile_) return;
        (void)logFile_->discardIfEmpty();
        logFile_.reset();
    }

    void deliver(const PhotoOutcome& o) {
        if (o.changed()) ++summary_.changed;
        if (o.failed()) ++summary_.failed;
        if (o.result == PhotoOutcome::Result::Excluded) ++summary_.excluded;
        if (o.logError) ++summary_.logFailures;
        if (hooks_.photoDone) hooks_.photoDone(o);
    }

    RunSummary finish() {
        closeLog();
        if (journal_) {
            Status closed = journal_->close();
            if (!closed && !summary_.stoppedBy) {
                summary_.journalFailed = true;
                summary_.stoppedBy = closed.error();
            }
            // Only a journal that is there is named (one that could not be made is not).
            if (journal_->used()) summary_.journalPath = journal_->path();
        }
        return summary_;
    }

    const RunKind& kind_;
    const RunRequest& request_;
    const RunPolicy& policy_;
    const RunHooks& hooks_;
    const bool logging_;
    RunSummary summary_;
    std::optional<JournalWriter> journal_;
    std::set<std::pair<uint64_t, uint64_t>> done_;
    bool stopAfter_ = false;
    bool stopped_ = false;
    bool logStopped_ = false;
    std::optional<AppendFile> logFile_;
    LocalDateTime logDay_;
    size_t batchLimit_ = std::min(kFirstBatch, LargestBatch());
    int64_t logSecond_ = -1;
    LocalDateTime logNow_;
};

} // namespace

const char* RefusalText(Refusal why) {
    switch (why) {
    case Refusal::None:
        return "";
    case Refusal::DateOutOfRange:
        return "date or time out of range";
    case Refusal::NotAPhoto:
        return "not a kind of file Tokimori re-dates";
    case Refusal::NothingToMove:
        return "no date that can be moved";
    case Refusal::NoValidDate:
        return "no valid embedded date (DateTimeOriginal or DateTime)";
    case Refusal::TimeNotHeld:
        return "the file system cannot hold that time";
    case Refusal::ChangedMeanwhile:
        return "another program changed the photo while the run worked on it; left as it is";
    case Refusal::OtherCamera:
        return "another camera";
    }
    return "";
}

std::string SkippedText(const std::vector<SkippedDate>& skipped) {
    std::string out;
    for (const SkippedDate& s : skipped) {
        if (!out.empty()) out += "; ";
        out += std::string(DateTagName(s.tag)) + ": " + SkipReasonText(s.reason);
    }
    return out;
}

std::string NewDateTextOf(const SetDatesOptions& o) {
    char buf[32];
    if (o.keepTime)
        std::snprintf(buf, sizeof buf, "%04d:%02d:%02d", o.date.year, o.date.month, o.date.day);
    else
        std::snprintf(buf, sizeof buf, "%04d:%02d:%02d %02d:%02d:%02d", o.date.year, o.date.month,
                      o.date.day, o.timeOfDay.hour, o.timeOfDay.minute, o.timeOfDay.second);
    return buf;
}

std::string FilterDateOf(const SetDatesOptions& o) {
    if (!o.matchDate) return {};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d:%02d:%02d", o.matchDay.year, o.matchDay.month,
                  o.matchDay.day);
    return buf;
}

std::unique_ptr<RunKind> MakeSetDates(const SetDatesOptions& o) {
    return std::make_unique<SetDates>(o);
}

std::string LogTextOf(const std::string& path, const std::string& exifDate,
                      const std::string& fileDate) {
    return " [パス-" + path + "] [埋込日付-" + exifDate + "] [ファイル日付-" + fileDate + "]";
}

RunSummary RunPhotos(const RunKind& kind, const RunRequest& request, const RunPolicy& policy,
                     const RunHooks& hooks) {
    return Loop(kind, request, policy, hooks).run();
}

} // namespace tokimori
