#include "run/OperationLog.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/Paths.h"
#include "base/Process.h"
#include "base/SystemError.h"

namespace tokimori {

namespace fs = std::filesystem;

namespace {

constexpr char kPrefix[] = "Date";
constexpr char kSuffix[] = ".log";
constexpr size_t kDateLength = 8; // yyyyMMdd

bool SameLetters(const std::string& a, size_t at, const char* b) {
    for (size_t i = 0; b[i]; ++i) {
        if (at + i >= a.size()) return false;
        char c = a[at + i];
        char d = b[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (d >= 'A' && d <= 'Z') d = static_cast<char>(d - 'A' + 'a');
        if (c != d) return false;
    }
    return true;
}

bool IsCalendarDate(const std::string& d8) {
    if (d8.size() != kDateLength) return false;
    for (char c : d8)
        if (c < '0' || c > '9') return false;
    const int y = std::stoi(d8.substr(0, 4)), m = std::stoi(d8.substr(4, 2)),
              d = std::stoi(d8.substr(6, 2));
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12 || d < 1) return false;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= (m == 2 && leap ? 29 : kDays[m - 1]);
}

// Whether the program may write in folder: it makes and removes a file there. An installed copy
// lives under /usr (or /opt); logs never go there.
bool CanWriteIn(const std::string& folder) {
    if (folder.rfind("/usr/", 0) == 0 || folder.rfind("/opt/", 0) == 0) return false;
    const std::string probe =
        JoinPath(folder, ".tokimori-probe-" + std::to_string(CurrentProcessId()));
    auto f = AppendFile::open(probe, AppendFile::Create::Exclusive, FaultSite::LogAppend);
    if (!f) return false;
    return f->discardIfEmpty().ok();
}

} // namespace

LocalDateTime LocalNow() {
    return LocalFromUnix(static_cast<int64_t>(std::time(nullptr)));
}

std::string LogFolder() {
    return LogFolder(ProgramFolder());
}

std::string LogFolder(const std::string& program) {
    if (CanWriteIn(program)) return program;
    const std::string data = UserDataFolder();
    std::error_code ec;
    fs::create_directories(ToFsPath(data), ec);
    return data;
}

Status PrepareLogFolder(const std::string& folder) {
    std::error_code ec;
    const fs::path p = ToFsPath(folder);
    if (!fs::exists(fs::symlink_status(p, ec))) {
        // The folders made here survive a power cut with the journal made in them: each one's
        // entry is handed to the disk in its parent.
        std::vector<fs::path> missing;
        for (fs::path q = p; !q.empty() && !fs::exists(fs::symlink_status(q, ec));
             q = q.parent_path()) {
            missing.push_back(q);
            if (q == q.parent_path()) break;
        }
        fs::create_directories(p, ec);
        if (ec) return ErrorFromCode(ec, "cannot make the log folder", folder);
        for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
            const fs::path parent = it->parent_path();
            Status synced = SyncFolder(parent.empty() ? std::string(".") : FromFsPath(parent));
            if (!synced) return synced;
        }
    }
    if (!fs::is_directory(p, ec))
        return MakeError(err::PathFileAccess, "the log folder is not a folder: " + folder);
    if (!CanWriteIn(folder))
        return MakeError(err::PermissionDenied, "cannot write in the log folder " + folder);
    return {};
}

std::string LogNameFor(const LocalDateTime& d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "Date%04d%02d%02d.log", d.year, d.month, d.day);
    return buf;
}

bool IsLogName(const std::string& name) {
    const size_t prefix = sizeof kPrefix - 1;
    const size_t suffix = sizeof kSuffix - 1;
    return name.size() == prefix + kDateLength + suffix && SameLetters(name, 0, kPrefix) &&
           SameLetters(name, prefix + kDateLength, kSuffix) &&
           IsCalendarDate(name.substr(prefix, kDateLength));
}

std::string LogDateOf(const std::string& name) {
    return name.substr(4, kDateLength);
}

Result<std::string> LogFileName(const std::string& folder, const LocalDateTime& today,
                                const MessageSink& report) {
    const std::string path = JoinPath(folder, LogNameFor(today));
    if (LogFileExists(path, report)) {
        std::error_code ec;
        if (!fs::is_regular_file(fs::symlink_status(ToFsPath(path), ec)))
            return MakeError(err::PathFileAccess, "not a log file: " + path);
        return path;
    }
    for (;;) {
        std::vector<std::string> names; // in the order the listing gives them
        std::error_code ec;
        for (fs::directory_iterator it(ToFsPath(folder), ec), end; !ec && it != end;
             it.increment(ec)) {
            const std::string name = FromFsPath(it->path().filename());
            std::error_code typeError;
            if (IsLogName(name) && it->is_regular_file(typeError) && !it->is_symlink(typeError))
                names.push_back(name);
        }
        if (ec) return ErrorFromCode(ec, "cannot list", folder);
        if (names.size() < 3) break;

        std::string best(kDateLength, '9');
        std::string oldest;
        for (const std::string& name : names) {
            if (best > LogDateOf(name)) {
                best = LogDateOf(name);
                oldest = name;
            }
        }
        if (oldest.empty()) break; // every date sorts after "99999999": nothing is older
        const std::string victim = JoinPath(folder, oldest);
        if (!fs::remove(ToFsPath(victim), ec) || ec)
            return ec ? ErrorFromCode(ec, "cannot delete", victim)
                      : MakeError(err::FileNotFound, "cannot delete " + victim);
        ec.clear();
    }
    return path;
}

std::string FormatLogLine(const LocalDateTime& t, const std::string& kind,
                          const std::string& text) {
    std::string line = FormatDateTime(t, '/', '-');
    line.reserve(line.size() + kind.size() + text.size() + 4);
    line += ' ';
    line += kind;
    line += '>';
    line += text;
    line += "\r\n";
    return line;
}

std::string EscapeControls(const std::string& text, bool escapePercent) {
    const auto plain = [escapePercent](unsigned char c) {
        return c >= 0x20 && c != 0x7F && !(escapePercent && c == '%');
    };
    if (std::all_of(text.begin(), text.end(), plain)) return text;
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F || (escapePercent && c == '%')) {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

MessageRequest LogFailureMessage(const RunError& e) {
    return {"ログ出力時にエラーが発生しました。\n(" + std::to_string(e.number) + ") " +
                e.description,
            "ログ出力エラー", MessageIcon::Critical, MessageButtons::Ok};
}

bool LogFileExists(const std::string& path, const MessageSink& report) {
    std::error_code ec;
    const fs::file_status st = fs::status(ToFsPath(path), ec);
    if (!ec) return fs::exists(st);
    if (ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory)
        return false;
    const RunError e = ErrorFromCode(ec, "cannot look up", path);
    if (report)
        report({std::to_string(e.number) + ":" + e.description, kAppTitle, MessageIcon::None});
    return false;
}

} // namespace tokimori
