#include "cli/Commands.h"

#include <ostream>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>

#include "base/Paths.h"
#include "base/Process.h"
#include "base/Version.h"
#include "cli/Arguments.h"
#include "cli/Json.h"
#include "cli/Usage.h"
#include "exif/DateCopies.h"
#include "exif/ExifReader.h"
#include "exif/ExifWriter.h"
#include "exif/FileFormat.h"
#include "filetime/FileDate.h"
#include "filetime/LocalTime.h"
#include "run/ClockSync.h"
#include "run/DateKinds.h"
#include "run/OperationLog.h"
#include "run/RunLoop.h"
#include "run/Undo.h"

namespace tokimori::cli {

namespace {

// The arguments of a command, with the options its syntax entry lists.
Arguments ParseFor(const std::string& command, const std::vector<std::string>& args) {
    const CommandSyntax* c = FindCommand(command);
    return Parse(args, c->valued, c->flags);
}

bool IsTerminal(std::ostream& s) {
    return &s == &std::cerr && StandardErrorIsTerminal();
}

// The folder part (with its closing separator) and the name of a path.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const size_t cut = path.find_last_of("/\\");
    if (cut == std::string::npos) return {"", path};
    return {path.substr(0, cut + 1), path.substr(cut + 1)};
}

void ReportError(std::ostream& err, const std::string& file, const RunError& e) {
    err << JsonLine()
               .path("file", file)
               .number("error", e.number)
               .utf8("description", e.description)
               .utf8("detail", e.detail)
               .str()
        << "\n";
}

// Every date a photo holds: where, its text, an Exif date's offset and subseconds, the Exif
// date a copy stands for.
std::vector<JsonLine> DatesJson(const std::vector<PhotoDate>& dates) {
    std::vector<JsonLine> out;
    for (const PhotoDate& d : dates) {
        JsonLine o;
        o.utf8("where", d.where).text("text", d.text);
        if (!d.offset.empty()) o.text("offset", d.offset);
        if (!d.subSeconds.empty()) o.text("subseconds", d.subSeconds);
        if (d.follows) o.utf8("for", DateTagName(d.follows));
        out.push_back(std::move(o));
    }
    return out;
}

int Info(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments a = ParseFor("info", args);
    if (!a.error.empty()) return Usage(err, a.error);
    const std::vector<std::string>& files = a.paths;
    if (files.empty()) return Usage(err, "info needs at least one FILE");
    int code = 0;
    for (const std::string& path : files) {
        auto [folder, name] = SplitPath(path);
        std::vector<PhotoDate> dates;
        auto read = ReadExifInfo(folder, name, &dates);
        if (!read) {
            ReportError(err, path, read.error());
            code = 1;
            continue;
        }
        const ExifSummary& s = read->summary;
        out << JsonLine()
                   .path("file", path)
                   .utf8("format", read->format)
                   .number("result", read->entries)
                   .number("TiffBase", s.TiffBase)
                   .text("EmbeddedDate", s.EmbeddedDate)
                   .text("Maker", s.Maker)
                   .text("Model", s.Model)
                   .number("PixelWidth", s.PixelWidth)
                   .number("PixelHeight", s.PixelHeight)
                   .number("FrameWidth", read->frameWidth)
                   .number("FrameHeight", read->frameHeight)
                   .number("Orientation", read->orientation)
                   .number("ThumbnailOffset", static_cast<int64_t>(read->thumbnailOffset))
                   .number("ThumbnailLength", read->thumbnailLength)
                   .utf8("FileDate", FormatGeneralDate(LocalFromUnix(read->modifiedUnix)))
                   .objects("dates", DatesJson(dates))
                   .str()
            << "\n";
    }
    return code;
}

// What a run left alone in a photo, and why: the dates' and offsets' notes, then the copies'.
std::vector<std::string> NotesOf(const PhotoPlan& plan) {
    std::vector<std::string> notes = plan.notes;
    notes.insert(notes.end(), plan.copyNotes.begin(), plan.copyNotes.end());
    return notes;
}

bool ParseDate(const std::string& s, LocalDateTime& t) {
    return s.size() == 10 &&
           std::sscanf(s.c_str(), "%4d:%2d:%2d", &t.year, &t.month, &t.day) == 3 &&
           CheckDateTexts(s, "").ok() && LocalToUnix({t.year, t.month, t.day, 12, 0, 0}).ok();
}

bool ParseTime(const std::string& s, LocalDateTime& t) {
    return s.size() == 8 && ParseTimeOfDay(s, t).ok();
}

int Write(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments a = ParseFor("write", args);
    if (!a.error.empty()) return Usage(err, a.error);
    const std::string date = a.value("--date"), time = a.value("--time"),
                      only = a.value("--only-date");
    const std::vector<std::string>& files = a.paths;
    if (date.empty()) return Usage(err, "write needs --date");
    if (files.empty()) return Usage(err, "write needs at least one FILE");
    // The same dates and times as set takes: real calendar days, 00:00:00 to 23:59:59.
    LocalDateTime d, t, m;
    if (!ParseDate(date, d)) return Usage(err, "--date is a real date yyyy:mm:dd");
    if (a.values.count("--time") && !ParseTime(time, t))
        return Usage(err, "--time is hh:mm:ss (00:00:00 to 23:59:59)");
    if (a.values.count("--only-date") && !ParseDate(only, m))
        return Usage(err, "--only-date is a real date yyyy:mm:dd");
    const std::string newText = time.empty() ? date : date + " " + time;

    // Through the one run loop, for its lock and its one open per photo; texts only: no file
    // time, no log, no journal.
    RunRequest request;
    for (const std::string& path : files)
        request.targets.push_back(AbsolutePath(path));
    RunHooks hooks;
    int code = 0;
    hooks.photoDone = [&](const PhotoOutcome& o) {
        const std::string& path = files[o.index];
        if (o.result == PhotoOutcome::Result::Failed) {
            ReportError(err, path, o.error);
            code = 1;
            return;
        }
        if (o.result == PhotoOutcome::Result::Duplicate) {
            out << JsonLine().path("file", path).utf8("note", o.reason).str() << "\n";
            return;
        }
        std::vector<std::string> written;
        for (const DateWrite& w : o.plan.dates.writes)
            written.emplace_back(DateTagName(w.tag));
        JsonLine line;
        line.path("file", path)
            .boolean("result", o.plan.dates.reachedEnd)
            .boolean("DateChanged", o.plan.dates.DateChanged)
            .list("written", written);
        if (o.result == PhotoOutcome::Result::Skipped) {
            line.utf8("skipped", o.reason);
            code = 1;
        } else if (o.partlySkipped()) {
            line.utf8("skipped", SkippedText(o.plan.dates.skipped));
            code = 1;
        }
        if (o.result == PhotoOutcome::Result::Refused) {
            line.utf8("refused", o.reason);
            code = 1;
        }
        if (const auto notes = NotesOf(o.plan); !notes.empty()) line.list("notes", notes);
        out << line.str() << "\n";
    };
    (void)RunPhotos(*MakeWriteTexts(newText, only, a.has("--all-copies")), request, RunPolicy{},
                    hooks);
    return code;
}

// The photos a PATH names, as absolute paths: a file, or a folder's photos as the file list
// shows them (and its subfolders' with recursive; a link to a folder is not followed). Returns
// how many folders could not be listed (each reported on err).
int CollectPhotos(const std::string& given, bool recursive, std::vector<std::string>& out,
                  std::ostream& err) {
    const std::string path = AbsolutePath(given);
    std::error_code ec;
    if (!std::filesystem::is_directory(ToFsPath(path), ec)) {
        out.push_back(path);
        return 0;
    }
    std::vector<std::string> subfolders;
    auto photos = ListPhotos(path, recursive ? &subfolders : nullptr, Listing::Everything);
    if (!photos) {
        ReportError(err, path, photos.error());
        return 1;
    }
    for (const std::string& name : photos.value())
        out.push_back(JoinPath(path, name));
    int failed = 0;
    for (const std::string& sub : subfolders)
        failed += CollectPhotos(JoinPath(path, sub), true, out, err);
    return failed;
}

// One JSON line for a photo's outcome.
std::string OutcomeLine(const PhotoOutcome& o) {
    JsonLine line;
    line.path("file", o.path);
    if (o.result == PhotoOutcome::Result::Failed) {
        return line.number("error", o.error.number)
            .utf8("description", o.error.description)
            .utf8("detail", o.error.detail)
            .str();
    }
    if (o.result == PhotoOutcome::Result::Duplicate)
        return line.boolean("changed", false).utf8("note", o.reason).str();
    std::vector<std::string> written;
    for (const DateWrite& w : o.plan.dates.writes)
        written.emplace_back(DateTagName(w.tag));
    line.boolean("changed", o.changed())
        .list("written", o.changed() ? written : std::vector<std::string>())
        .text("EmbeddedDate", o.before.EmbeddedDate)
        .text("NewEmbeddedDate", o.after.EmbeddedDate)
        .utf8("FileTime", FormatPanelDate(LocalFromUnix(o.timesBefore.modified.seconds)))
        .utf8("NewFileTime", FormatPanelDate(LocalFromUnix(o.timesAfter.modified.seconds)));
    switch (o.result) {
    case PhotoOutcome::Result::NoExif:
        // A kind of file the program does not re-date is named as what it is.
        line.utf8("note", IsRedatedFormat(o.format) ? "no Exif date to change"
                          : o.format.empty() ? "not a kind of file Tokimori knows; left as it is"
                                             : o.format + " files are not re-dated yet; left as "
                                                          "they are");
        if (!o.format.empty()) line.utf8("format", o.format);
        break;
    case PhotoOutcome::Result::Skipped:
        line.utf8("skipped", o.reason);
        break;
    case PhotoOutcome::Result::Changed:
        // Written, but not every date text: the ones stepped over, and why.
        if (o.partlySkipped()) line.utf8("skipped", SkippedText(o.plan.dates.skipped));
        break;
    case PhotoOutcome::Result::Refused:
        line.utf8("refused", o.reason);
        break;
    case PhotoOutcome::Result::Excluded:
        line.utf8("skipped", o.reason);
        break;
    default:
        break;
    }
    if (const auto notes = NotesOf(o.plan); !notes.empty()) line.list("notes", notes);
    if (o.timesError)
        line.number("times_error", o.timesError->number)
            .utf8("times_description", o.timesError->description)
            .utf8("times_detail", o.timesError->detail);
    if (o.logError)
        line.number("log_error", o.logError->number)
            .utf8("log_description", o.logError->description)
            .utf8("log_detail", o.logError->detail);
    return line.str();
}

// What a command adds to the summary line, from the run's summary.
using SummaryMore = std::function<void(JsonLine&, const RunSummary&)>;

// Runs kind over the photos of paths with the command line's policy: every photo is tried, one
// JSON line each on out, a summary line on err. Exit code 1 when any photo failed.
int RunCommand(const RunKind& kind, const std::vector<std::string>& paths, bool recursive,
               bool dryRun, bool noLog, const std::string& logDir, std::ostream& out,
               std::ostream& err, const SummaryMore& more) {
    RunRequest request;
    int unlisted = 0;
    for (const std::string& p : paths)
        unlisted += CollectPhotos(p, recursive, request.targets, err);
    request.where = paths.empty() ? std::string() : AbsolutePath(paths.front());
    if (!noLog && !dryRun) request.logFolder = logDir.empty() ? LogFolder() : AbsolutePath(logDir);
    RunPolicy policy;
    policy.dryRun = dryRun;

    const bool progress = IsTerminal(err);
    RunHooks hooks;
    hooks.progress = [&](size_t i, size_t total) {
        if (progress) err << "\r" << (i + 1) << " / " << total << std::flush;
    };
    hooks.photoDone = [&](const PhotoOutcome& o) { out << OutcomeLine(o) << "\n"; };
    const RunSummary s = RunPhotos(kind, request, policy, hooks);
    if (progress) err << "\r";

    JsonLine summary;
    summary.number("changed", static_cast<int64_t>(s.changed))
        .number("failed", static_cast<int64_t>(s.failed) + unlisted)
        .boolean("dry_run", dryRun)
        .path("log", s.logPath)
        .number("log_failed", static_cast<int64_t>(s.logFailures))
        .path("journal", s.journalPath);
    if (s.stoppedBy)
        summary.number("stopped", s.stoppedBy->number)
            .utf8("stopped_description", s.stoppedBy->description)
            .utf8("stopped_detail", s.stoppedBy->detail);
    if (more) more(summary, s);
    err << summary.str() << "\n";
    return s.failed || unlisted || s.stoppedBy ? 1 : 0;
}

// The options every run command shares: --recursive, --dry-run, --no-log, --log-dir.
int RunWithOptions(const RunKind& kind, const Arguments& a, const char* command, std::ostream& out,
                   std::ostream& err, const SummaryMore& more = nullptr) {
    if (a.values.count("--log-dir") && a.value("--log-dir").empty())
        return Usage(err, "--log-dir needs a folder");
    if (a.paths.empty()) return Usage(err, std::string(command) + " needs at least one PATH");
    return RunCommand(kind, a.paths, a.has("--recursive"), a.has("--dry-run"), a.has("--no-log"),
                      a.value("--log-dir"), out, err, more);
}

int Set(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments a = ParseFor("set", args);
    if (!a.error.empty()) return Usage(err, a.error);
    const std::string date = a.value("--date"), time = a.value("--time"),
                      only = a.value("--only-date");
    const bool keepTime = a.has("--keep-time");
    SetDatesOptions o;
    if (date.empty()) return Usage(err, "set needs --date");
    if (!ParseDate(date, o.date)) return Usage(err, "--date is a real date yyyy:mm:dd");
    if (a.values.count("--time") && keepTime)
        return Usage(err, "--time and --keep-time exclude each other");
    o.keepTime = !a.values.count("--time");
    if (a.values.count("--time") && !ParseTime(time, o.timeOfDay))
        return Usage(err, "--time is hh:mm:ss (00:00:00 to 23:59:59)");
    if (a.values.count("--only-date")) {
        if (!ParseDate(only, o.matchDay))
            return Usage(err, "--only-date is a real date yyyy:mm:dd");
        o.matchDate = true;
    }
    o.allCopies = a.has("--all-copies");
    return RunWithOptions(*MakeSetDates(o), a, "set", out, err);
}

// shift --reference PHOTO --to TIME|gps: the photos of the reference's camera move by its
// clock's error, the others are left out and named. The reference must give that error.
int ShiftToReference(const Arguments& a, std::ostream& out, std::ostream& err) {
    if (a.values.count("--by")) return Usage(err, "--by and --reference exclude each other");
    if (!a.values.count("--reference")) return Usage(err, "--to needs --reference PHOTO");
    if (!a.values.count("--to"))
        return Usage(err, "--reference needs --to yyyy:mm:dd hh:mm:ss, or --to gps");
    const std::string to = a.value("--to"), reference = a.value("--reference");
    if (to != "gps" && !ParseDateText(to))
        return Usage(err, "--to is the true time yyyy:mm:dd hh:mm:ss, or gps");
    ShiftOptions o;
    if (a.values.count("--only-date")) {
        LocalDateTime day;
        if (!ParseDate(a.value("--only-date"), day))
            return Usage(err, "--only-date is a real date yyyy:mm:dd");
        o.filterDate = a.value("--only-date");
    }
    const auto fields = ReadCameraFields(AbsolutePath(reference));
    if (!fields)
        return Usage(err, "--reference " + reference + " cannot be read: " +
                              fields.error().description + " (" + fields.error().detail + ")");
    const CameraFields& f = fields.value();
    const ClockError e = to == "gps" ? ClockErrorByGps(f) : ClockErrorAt(f, to);
    if (!e.ok()) return Usage(err, "--reference " + reference + " " + ClockProblemText(e.problem));
    o.seconds = e.seconds;
    return RunWithOptions(*MakeCameraShift(CameraOf(f), o), a, "shift", out, err,
                          [&](JsonLine& line, const RunSummary& s) {
                              line.path("reference", AbsolutePath(reference))
                                  .text("true_time", e.trueTime)
                                  .utf8("offset", FormatOffset(e.seconds))
                                  .number("offset_seconds", e.seconds)
                                  .number("other_camera", static_cast<int64_t>(s.excluded));
                          });
}

int Shift(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments a = ParseFor("shift", args);
    if (!a.error.empty()) return Usage(err, a.error);
    if (a.values.count("--reference") || a.values.count("--to"))
        return ShiftToReference(a, out, err);
    if (!a.values.count("--by"))
        return Usage(err, "shift needs --by OFFSET, or --reference PHOTO and --to");
    const auto seconds = ParseOffset(a.value("--by"));
    if (!seconds)
        return Usage(err, "--by is [+|-][Nd][H:MM[:SS]] with at least one part (+9:00, -1d)");
    ShiftOptions o;
    o.seconds = *seconds;
    if (a.values.count("--only-date")) {
        LocalDateTime day;
        if (!ParseDate(a.value("--only-date"), day))
            return Usage(err, "--only-date is a real date yyyy:mm:dd");
        o.filterDate = a.value("--only-date");
    }
    o.allCopies = a.has("--all-copies");
    return RunWithOptions(*MakeShiftDates(o), a, "shift", out, err);
}

int FileTime(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments a = ParseFor("filetime", args);
    if (!a.error.empty()) return Usage(err, a.error);
    return RunWithOptions(*MakeFileTimeFromDate(), a, "filetime", out, err);
}

int Undo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments a = ParseFor("undo", args);
    if (!a.error.empty()) return Usage(err, a.error);
    if (a.paths.empty()) return Usage(err, "undo needs a JOURNAL");
    const bool dryRun = a.has("--dry-run");
    std::vector<std::string> journals;
    for (const std::string& j : a.paths)
        journals.push_back(AbsolutePath(j));
    const UndoSummary s = UndoJournals(journals, dryRun, [&](const UndoOutcome& o) {
        JsonLine line;
        line.path("file", o.record.path).path("journal", o.journal);
        switch (o.result) {
        case UndoOutcome::Result::Restored:
            line.boolean("restored", true);
            break;
        case UndoOutcome::Result::WouldRestore:
            line.boolean("restored", false).boolean("would_restore", true);
            break;
        case UndoOutcome::Result::AsBefore:
            line.boolean("restored", true).boolean("as_before", true);
            break;
        case UndoOutcome::Result::Refused:
            line.boolean("restored", false).utf8("reason", o.reason);
            break;
        case UndoOutcome::Result::Failed:
            line.boolean("restored", false)
                .number("error", o.error.number)
                .utf8("description", o.error.description)
                .utf8("detail", o.error.detail);
            break;
        }
        out << line.str() << "\n";
    });
    for (const UndoProblem& p : s.problems) {
        JsonLine line;
        line.path("journal", p.journal);
        if (p.line) line.number("line", static_cast<int64_t>(p.line));
        out << line.utf8("unreadable", p.reason).str() << "\n";
    }
    for (const std::string& j : s.cutAtEnd)
        out << JsonLine()
                   .path("journal", j)
                   .utf8("note", "its last record was cut off; that photo was never changed")
                   .str()
            << "\n";
    err << JsonLine()
               .number("restored", static_cast<int64_t>(s.restored))
               .number("as_before", static_cast<int64_t>(s.asBefore))
               .number("refused", static_cast<int64_t>(s.refused))
               .number("unreadable", static_cast<int64_t>(s.problems.size()))
               .boolean("dry_run", dryRun)
               .str()
        << "\n";
    return s.ok() ? 0 : 1;
}

} // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) return Usage(err, "");
    const std::string& command = args[0];
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h" || command == "help") {
        const CommandSyntax* c = rest.size() == 1 ? FindCommand(rest[0]) : nullptr;
        out << (c ? c->help : Overview());
        return 0;
    }
    if (command == "--version") {
        out << kVersion << "\n";
        return 0;
    }
    if (const CommandSyntax* c = FindCommand(command); c && Parse(rest, c->valued, c->flags).help) {
        out << c->help;
        return 0;
    }
    if (command == "info") return Info(rest, out, err);
    if (command == "write") return Write(rest, out, err);
    if (command == "set") return Set(rest, out, err);
    if (command == "shift") return Shift(rest, out, err);
    if (command == "filetime") return FileTime(rest, out, err);
    if (command == "undo") return Undo(rest, out, err);
    return Usage(err, "unknown command " + command);
}

} // namespace tokimori::cli
