#include "support/DateRun.h"

#include <cstdio>

#include "filetime/FileDate.h"
#include "support/OperationLog.h"

namespace tokimori {

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
      logFolder_(std::move(logFolder)), report_(std::move(report)) {}

Result<PhotoStepResult> DateRunStep::process(const std::string& folder, const std::string& name,
                                             ExifSummary& summary) {
    PhotoStepResult out;
    auto read = ReadExifInfo(folder, name, summary);
    if (!read) return read.error();
    out.before = read.value();
    const LocalDateTime own = LocalFromUnix(out.before.modifiedUnix);
    out.fileTimeText = FormatTimeOfDay(own);

    auto plan = WriteExifDate(folder, name, newText_, filter_);
    if (!plan) return plan.error();
    out.plan = std::move(plan.value());
    if (!out.changed()) return out;

    LocalDateTime when = options_.date;
    if (options_.keepTime) {
        Status parsed = ParseTimeOfDay(out.fileTimeText, when);
        if (!parsed) return parsed.error();
    } else {
        when.hour = options_.timeOfDay.hour;
        when.minute = options_.timeOfDay.minute;
        when.second = options_.timeOfDay.second;
    }
    out.times = ApplyFileDate(folder + name, when);

    if (!logFolder_.empty()) {
        auto logPath = LogFileName(logFolder_, LocalNow(), report_);
        if (!logPath) return logPath.error();
        out.logged = WriteLog("ExifData",
                              LogTextOf(folder + name, out.before.ExifDate, out.before.FileDate),
                              logPath.value(), report_);
    }
    return out;
}

} // namespace tokimori
