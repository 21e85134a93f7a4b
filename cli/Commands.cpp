#include "cli/Commands.h"

#include <ostream>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "base/Paths.h"
#include "base/Version.h"
#include "cli/Arguments.h"
#include "cli/Json.h"
#include "cli/Usage.h"
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

int Info(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments a = Parse(args, {}, {});
    if (!a.error.empty()) return Usage(err, a.error);
    const std::vector<std::string>& files = a.paths;
    if (files.empty()) return Usage(err, "info needs at least one FILE");
    int code = 0;
    for (const std::string& path : files) {
        auto [folder, name] = SplitPath(path);
        ExifSummary s;
        auto read = ReadExifInfo(folder, name, s);
        if (!read) {
            ReportError(err, path, read.error());
            code = 1;
            continue;
        }
        out << JsonLine()
                   .utf8("file", path)
                   .number("result", read->entries)
                   .number("TiffBase", s.TiffBase)
                   .text("EmbeddedDate", s.EmbeddedDate)
                   .text("Maker", s.Maker)
                   .text("Model", s.Model)
                   .number("PixelWidth", s.PixelWidth)
                   .number("PixelHeight", s.PixelHeight)
                   .utf8("FileDate", read->FileDate)
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
    if (command == "undo") return Undo(rest, out, err);
    return Usage(err, "unknown command " + command);
}

} // namespace tokimori::cli
