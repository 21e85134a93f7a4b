#include "run/DateRun.h"

#include <cstdio>

#include "base/Paths.h"
#include "exif/ExifLayout.h"
#include "filetime/FileDate.h"
#include "run/Journal.h"
#include "run/OperationLog.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tokimori {

namespace {
long CurrentProcessId() {
#ifdef _WIN32
    return static_cast<long>(GetCurrentProcessId());
#else
    return static_cast<long>(getpid());
#endif
}
} // namespace

std::string NewDateTextOf(const DateRunOptions& o) {
    char buf[32];
    if (o.keepTime)
        std::snprintf(buf, sizeof buf, "%04d:%02d:%02d", o.date.year, o.date.month, o.date.day);
    else
        std::snprintf(buf, sizeof buf, "%04d:%02d:%02d %02d:%02d:%02d", o.date.year, o.date.month,
                      o.date.day, o.timeOfDay.hour, o.timeOfDay.minute, o.timeOfDay.second);
    return buf;
}

std::string FilterDateOf(const DateRunOptions& o) {
    if (!o.matchDate) return {};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d:%02d:%02d", o.matchDay.year, o.matchDay.month,
                  o.matchDay.day);
    return buf;
}

std::string LogTextOf(const std::string& path, const std::string& exifDate,
                      const std::string& fileDate) {
    return " [パス-" + path + "] [埋込日付-" + exifDate + "] [ファイル日付-" + fileDate + "]";
}

DateRunStep::DateRunStep(DateRunOptions options, std::string logFolder, MessageSink report)
    : options_(options), newText_(NewDateTextOf(options)), filter_(FilterDateOf(options)),
      logFolder_(std::move(logFolder)), report_(std::move(report)) {
    if (!logFolder_.empty())
        journalPath_ = JoinPath(logFolder_, JournalNameFor(LocalNow(), CurrentProcessId()));
}

Result<PhotoStepResult> DateRunStep::process(const std::string& folder, const std::string& name,
                                             ExifSummary& summary) {
    PhotoStepResult out;
    const std::string path = folder + name;
    auto read = ReadExifInfo(folder, name);
    summary = read ? read->summary : ExifSummary{};
    if (!read) return read.error();
    out.before = std::move(read.value());
    const LocalDateTime own = LocalFromUnix(out.before.modifiedUnix);
    out.fileTimeText = FormatTimeOfDay(own);
    auto timesBefore = ReadFileTimes(path);
    if (!timesBefore) return timesBefore.error();
    out.timesBefore = timesBefore.value();

    // The journal's record reaches the system before the first byte of the photo changes.
    WriteHooks hooks;
    hooks.dryRun = options_.dryRun;
    if (!journalPath_.empty()) {
        hooks.beforeApply = [&](const DatePlan& plan) {
            Status s = AppendJournalRecord(journalPath_, {path, out.timesBefore, plan.writes});
            if (s) journalUsed_ = true;
            return s;
        };
    }
    auto plan = WriteExifDate(folder, name, newText_, filter_, hooks);
    if (!plan) return plan.error();
    out.plan = std::move(plan.value());
    out.newEmbeddedDate = summary.EmbeddedDate;
    for (const DateWrite& w : out.plan.writes)
        if (w.tag == tag::DateTimeOriginal && out.newEmbeddedDate.size() >= w.newBytes.size())
            out.newEmbeddedDate.replace(0, w.newBytes.size(), w.newBytes);
    if (!out.changed()) return out;

    out.newFileTime = options_.date;
    if (options_.keepTime) {
        Status parsed = ParseTimeOfDay(out.fileTimeText, out.newFileTime);
        if (!parsed) return parsed.error();
    } else {
        out.newFileTime.hour = options_.timeOfDay.hour;
        out.newFileTime.minute = options_.timeOfDay.minute;
        out.newFileTime.second = options_.timeOfDay.second;
    }
    if (options_.dryRun) return out;
    out.times = ApplyFileDate(path, out.newFileTime);

    if (!logFolder_.empty()) {
        auto logPath = LogFileName(logFolder_, LocalNow(), report_);
        if (!logPath) return logPath.error();
        out.logged = WriteLog("ExifData",
                              LogTextOf(path, out.before.summary.EmbeddedDate, out.before.fileDate),
                              logPath.value(), report_);
        if (out.logged) logPath_ = logPath.value();
    }
    return out;
}

} // namespace tokimori
