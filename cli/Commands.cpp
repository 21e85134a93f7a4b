#include "cli/Commands.h"

#include <ostream>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>

#include "base/Paths.h"
#include "cli/Json.h"
#include "exif/ExifReader.h"
#include "exif/ExifWriter.h"
#include "filetime/FileDate.h"
#include "run/DateRun.h"
#include "run/Journal.h"
#include "run/OperationLog.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tokimori::cli {

namespace {

const char kUsage[] =
    "usage: tokimori-cli info FILE...\n"
    "       tokimori-cli write --date yyyy:mm:dd [--time hh:mm:ss] [--only-date yyyy:mm:dd] "
    "FILE...\n"
    "       tokimori-cli set --date yyyy:mm:dd [--time hh:mm:ss | --keep-time]\n"
    "                        [--only-date yyyy:mm:dd] [--dry-run] [--no-log] [--recursive]\n"
    "                        [--log-dir DIR] PATH...\n"
    "       tokimori-cli undo JOURNAL [--dry-run]\n"
    "\n"
    "info   prints the Exif summary of each photo, one JSON object per line.\n"
    "write  rewrites the Exif date-time texts in place, nothing else; without --time only the\n"
    "       date part of each text changes; with --only-date only texts of that day change.\n"
    "set    gives photos a new date as the program's run does: rewrites the date-time texts in\n"
    "       place, sets the file times to the same local date and time, writes the day's log\n"
    "       line and an undo journal. PATH is a photo or a folder (its *.jpg and *.jpeg files;\n"
    "       subfolders too with --recursive). Without --time each photo keeps its own time of\n"
    "       day (--keep-time says so explicitly). --dry-run changes nothing and prints what\n"
    "       would change. --no-log writes neither log nor journal. --log-dir puts both in DIR\n"
    "       instead of the program's log folder. One JSON line per photo on stdout; a summary\n"
    "       line (changed, failed, log, journal) on stderr.\n"
    "undo   puts back every photo of a journal whose date texts still hold what the run wrote,\n"
    "       with its old times; a photo changed since is left alone and reported.\n"
    "\n"
    "Exit codes: 0 all done, 1 some photos failed or were refused, 2 bad arguments.\n";

int Usage(std::ostream& err, const std::string& why) {
    if (!why.empty()) err << "tokimori-cli: " << why << "\n";
    err << kUsage;
    return 2;
}

bool IsTerminal(std::ostream& s) {
    if (&s != &std::cerr) return false;
#ifdef _WIN32
    return _isatty(2);
#else
    return isatty(2);
#endif
}

// The folder part (with its closing separator) and the name of a path.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const size_t cut = path.find_last_of("/\\");
    if (cut == std::string::npos) return {"", path};
    return {path.substr(0, cut + 1), path.substr(cut + 1)};
}

void ReportError(std::ostream& err, const std::string& file, const RunError& e) {
    err << JsonLine()
               .utf8("file", file)
               .number("error", e.number)
               .utf8("description", e.description)
               .utf8("detail", e.detail)
               .str()
        << "\n";
}

// A command's arguments: options that take a value, flags, and the paths around them.
struct Arguments {
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    std::vector<std::string> paths;
    std::string error; // why they cannot be used
    std::string value(const std::string& option) const {
        auto it = values.find(option);
        return it == values.end() ? std::string() : it->second;
    }
    bool has(const std::string& flag) const { return flags.count(flag) != 0; }
};

Arguments Parse(const std::vector<std::string>& args, const std::set<std::string>& valued,
                const std::set<std::string>& flags) {
    Arguments out;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (valued.count(a)) {
            if (i + 1 >= args.size()) {
                out.error = a + " needs a value";
                return out;
            }
            out.values[a] = args[++i];
        } else if (flags.count(a)) {
            out.flags.insert(a);
        } else if (a == "--") {
            out.paths.insert(out.paths.end(), args.begin() + static_cast<ptrdiff_t>(i) + 1,
                             args.end());
            break;
        } else if (a.size() > 1 && a[0] == '-') {
            out.error = "unknown option " + a;
            return out;
        } else {
            out.paths.push_back(a);
        }
    }
    return out;
}

int Info(const std::vector<std::string>& files, std::ostream& out, std::ostream& err) {
    if (files.empty()) return Usage(err, "info needs at least one FILE");
    int code = 0;
    for (const std::string& path : files) {
        auto [folder, name] = SplitPath(path);
        auto read = ReadExifInfo(folder, name);
        if (!read) {
            ReportError(err, path, read.error());
            code = 1;
            continue;
        }
        const ExifSummary& s = read->summary;
        out << JsonLine()
                   .utf8("file", path)
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
                   .utf8("FileDate", read->fileDate)
                   .str()
            << "\n";
    }
    return code;
}

int Write(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments a = Parse(args, {"--date", "--time", "--only-date"}, {});
    if (!a.error.empty()) return Usage(err, a.error);
    const std::string date = a.value("--date"), time = a.value("--time"),
                      only = a.value("--only-date");
    const std::vector<std::string>& files = a.paths;
    if (date.empty()) return Usage(err, "write needs --date");
    if (files.empty()) return Usage(err, "write needs at least one FILE");
    const std::string newText = time.empty() ? date : date + " " + time;
    if (date.size() != 10 || (!time.empty() && time.size() != 8) ||
        !CheckDateTexts(newText, only).ok())
        return Usage(err, "dates are yyyy:mm:dd, times hh:mm:ss");

    int code = 0;
    for (const std::string& path : files) {
        auto [folder, name] = SplitPath(path);
        auto plan = WriteExifDate(folder, name, newText, only);
        if (!plan) {
            ReportError(err, path, plan.error());
            code = 1;
            continue;
        }
        std::vector<std::string> written;
        for (const DateWrite& w : plan->writes)
            written.emplace_back(DateTagName(w.tag));
        out << JsonLine()
                   .utf8("file", path)
                   .boolean("result", plan->reachedEnd)
                   .boolean("DateChanged", plan->DateChanged)
                   .list("written", written)
                   .str()
            << "\n";
    }
    return code;
}

// The photos a PATH names: a file, or a folder's photos as the file list shows them. Returns how
// many folders could not be listed (each reported on err).
int CollectPhotos(const std::string& path, bool recursive, std::vector<std::string>& out,
                  std::ostream& err) {
    std::error_code ec;
    if (!std::filesystem::is_directory(ToFsPath(path), ec)) {
        out.push_back(path);
        return 0;
    }
    std::vector<std::string> subfolders;
    auto photos = ListPhotos(path, recursive ? &subfolders : nullptr);
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

bool ParseDate(const std::string& s, LocalDateTime& t) {
    return s.size() == 10 &&
           std::sscanf(s.c_str(), "%4d:%2d:%2d", &t.year, &t.month, &t.day) == 3 &&
           CheckDateTexts(s, "").ok() && LocalToUnix({t.year, t.month, t.day, 12, 0, 0}).ok();
}

int Set(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments a = Parse(args, {"--date", "--time", "--only-date", "--log-dir"},
                              {"--keep-time", "--dry-run", "--no-log", "--recursive"});
    if (!a.error.empty()) return Usage(err, a.error);
    const std::string date = a.value("--date"), time = a.value("--time"),
                      only = a.value("--only-date"), logDir = a.value("--log-dir");
    const bool keepTime = a.has("--keep-time"), dryRun = a.has("--dry-run"),
               noLog = a.has("--no-log"), recursive = a.has("--recursive");
    const std::vector<std::string>& paths = a.paths;
    DateRunOptions o;
    if (date.empty()) return Usage(err, "set needs --date");
    if (!ParseDate(date, o.date)) return Usage(err, "--date is a real date yyyy:mm:dd");
    if (!time.empty() && keepTime) return Usage(err, "--time and --keep-time exclude each other");
    o.keepTime = time.empty();
    if (!time.empty()) {
        LocalDateTime t;
        if (time.size() != 8 || !ParseTimeOfDay(time, t).ok())
            return Usage(err, "--time is hh:mm:ss");
        o.timeOfDay = t;
    }
    if (!only.empty()) {
        if (!ParseDate(only, o.matchDay)) return Usage(err, "--only-date is yyyy:mm:dd");
        o.matchDate = true;
    }
    o.dryRun = dryRun;
    if (paths.empty()) return Usage(err, "set needs at least one PATH");

    std::vector<std::string> photos;
    int unlisted = 0;
    for (const std::string& p : paths)
        unlisted += CollectPhotos(p, recursive, photos, err);

    const std::string folder =
        noLog || dryRun ? std::string() : (logDir.empty() ? LogFolder() : logDir);
    DateRunStep step(o, folder, [&err](const MessageRequest& m) {
        err << JsonLine().utf8("log_error", m.text).str() << "\n";
    });
    const bool progress = IsTerminal(err);
    int changed = 0, failed = unlisted;
    for (size_t i = 0; i < photos.size(); ++i) {
        if (progress) err << "\r" << (i + 1) << " / " << photos.size() << std::flush;
        auto [dir, name] = SplitPath(photos[i]);
        ExifSummary s;
        auto r = step.process(dir, name, s);
        if (!r) {
            ++failed;
            out << JsonLine()
                       .utf8("file", photos[i])
                       .number("error", r.error().number)
                       .utf8("description", r.error().description)
                       .utf8("detail", r.error().detail)
                       .str()
                << "\n";
            continue;
        }
        std::vector<std::string> written;
        for (const DateWrite& w : r->plan.writes)
            written.emplace_back(DateTagName(w.tag));
        JsonLine line;
        line.utf8("file", photos[i])
            .boolean("changed", r->changed())
            .list("written", written)
            .text("EmbeddedDate", s.EmbeddedDate)
            .text("NewEmbeddedDate", r->newEmbeddedDate)
            .utf8("FileTime", FormatPanelDate(LocalFromUnix(r->before.modifiedUnix)))
            .utf8("NewFileTime", r->changed()
                                     ? FormatPanelDate(r->newFileTime)
                                     : FormatPanelDate(LocalFromUnix(r->before.modifiedUnix)));
        if (!r->plan.reachedEnd && !r->changed()) line.utf8("note", "no Exif date to change");
        if (r->changed() && !r->times.ok()) {
            line.number("times_error", r->times.error().number)
                .utf8("times_description", r->times.error().description);
            ++failed;
        }
        out << line.str() << "\n";
        if (r->changed()) ++changed;
    }
    if (progress) err << "\r";
    err << JsonLine()
               .number("changed", changed)
               .number("failed", failed)
               .boolean("dry_run", dryRun)
               .utf8("log", step.logPath())
               .utf8("journal", step.journalPath())
               .str()
        << "\n";
    return failed ? 1 : 0;
}

int Undo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments a = Parse(args, {}, {"--dry-run"});
    if (!a.error.empty()) return Usage(err, a.error);
    if (a.paths.size() > 1) return Usage(err, "undo takes one JOURNAL");
    const std::string journal = a.paths.empty() ? std::string() : a.paths[0];
    const bool dryRun = a.has("--dry-run");
    if (journal.empty()) return Usage(err, "undo needs a JOURNAL");
    auto records = ReadJournal(journal);
    if (!records) {
        ReportError(err, journal, records.error());
        return 1;
    }
    int refused = 0;
    for (const JournalRecord& r : records.value()) {
        auto answer = UndoPhoto(r, dryRun);
        JsonLine line;
        line.utf8("file", r.path);
        if (!answer) {
            ++refused;
            line.boolean("restored", false)
                .number("error", answer.error().number)
                .utf8("description", answer.error().description);
        } else if (answer.value() == UndoAnswer::ChangedSince) {
            ++refused;
            line.boolean("restored", false).utf8("reason", "changed since the run");
        } else {
            line.boolean("restored", answer.value() == UndoAnswer::Restored)
                .boolean("would_restore", answer.value() == UndoAnswer::WouldRestore);
        }
        out << line.str() << "\n";
    }
    return refused ? 1 : 0;
}

} // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) return Usage(err, "");
    const std::string& command = args[0];
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h" || command == "help") {
        out << kUsage;
        return 0;
    }
    if (command == "info") return Info(rest, out, err);
    if (command == "write") return Write(rest, out, err);
    if (command == "set") return Set(rest, out, err);
    if (command == "undo") return Undo(rest, out, err);
    return Usage(err, "unknown command " + command);
}

} // namespace tokimori::cli
