#include "run/OperationLog.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/Paths.h"
#include "base/SystemError.h"
#include "run/Journal.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

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

bool CanWriteIn(const std::string& folder) {
#ifdef _WIN32
    const std::string probe = JoinPath(folder, ".tokimori-write-test");
    HANDLE h = CreateFileW(Widen(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
#else
    // An installed copy lives under /usr (or /opt); logs never go there.
    if (folder.rfind("/usr/", 0) == 0 || folder.rfind("/opt/", 0) == 0) return false;
    return access(folder.c_str(), W_OK) == 0;
#endif
}

std::string UserDataFolder() {
#ifdef _WIN32
    const char* base = std::getenv("LOCALAPPDATA");
    std::string folder = base && *base ? std::string(base) : ProgramFolder();
    return JoinPath(folder, "Tokimori");
#else
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg == '/') return JoinPath(xdg, "Tokimori");
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/share/Tokimori";
#endif
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

std::string LogNameFor(const LocalDateTime& d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "Date%04d%02d%02d.log", d.year, d.month, d.day);
    return buf;
}

bool IsLogName(const std::string& name) {
    const size_t prefix = sizeof kPrefix - 1;
    const size_t suffix = sizeof kSuffix - 1;
    return name.size() == prefix + kDateLength + suffix && SameLetters(name, 0, kPrefix) &&
           SameLetters(name, prefix + kDateLength, kSuffix);
}

std::string LogDateOf(const std::string& name) {
    return name.substr(4, kDateLength);
}

Result<std::string> LogFileName(const std::string& folder, const LocalDateTime& today,
                                const MessageSink& report) {
    const std::string path = JoinPath(folder, LogNameFor(today));
    if (LogFileExists(path, report)) return path;
    for (;;) {
        std::vector<std::string> names; // in the order the listing gives them
        std::error_code ec;
        for (fs::directory_iterator it(ToFsPath(folder), ec), end; !ec && it != end;
             it.increment(ec)) {
            const std::string name = FromFsPath(it->path().filename());
            if (IsLogName(name)) names.push_back(name);
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
        // The undo journals of that day go with its log.
        for (fs::directory_iterator it(ToFsPath(folder), ec), end; !ec && it != end;
             it.increment(ec)) {
            const std::string name = FromFsPath(it->path().filename());
            if (IsJournalOf(name, LogDateOf(oldest))) {
                std::error_code ignored;
                fs::remove(it->path(), ignored);
            }
        }
        ec.clear();
    }
    return path;
}

std::string FormatLogLine(const LocalDateTime& t, const std::string& kind,
                          const std::string& text) {
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "%04d/%02d/%02d-%02d:%02d:%02d ", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return stamp + kind + ">" + text + "\r\n";
}

Status AppendLogLine(const std::string& path, const std::string& line) {
#ifdef _WIN32
    const std::string bytes = Utf8ToAnsi(line);
    HANDLE h = CreateFileW(Widen(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return LastSystemError("cannot open", path);
    DWORD put = 0;
    const bool wrote =
        WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) &&
        put == bytes.size();
    RunError failure = wrote ? RunError{} : LastSystemError("cannot write", path);
    if (!CloseHandle(h) && wrote) return LastSystemError("cannot close", path);
    if (!wrote) return failure;
    return {};
#else
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (!f) return LastSystemError("cannot open", path);
    const bool wrote = std::fwrite(line.data(), 1, line.size(), f) == line.size();
    RunError failure = wrote ? RunError{} : LastSystemError("cannot write", path);
    const bool closed = std::fclose(f) == 0;
    if (!wrote) return failure;
    if (!closed) return LastSystemError("cannot close", path);
    return {};
#endif
}

bool WriteLog(const std::string& kind, const std::string& text, const std::string& path,
              const MessageSink& report) {
    Status s = AppendLogLine(path, FormatLogLine(LocalNow(), kind, text));
    if (s.ok()) return true;
    if (report)
        report({"ログ出力時にエラーが発生しました。\n(" + std::to_string(s.error().number) + ") " +
                    s.error().description,
                "ログ出力エラー", MessageIcon::Critical});
    return false;
}

bool LogFileExists(const std::string& path, const MessageSink& report) {
#ifdef _WIN32
    WIN32_FIND_DATAW found{};
    HANDLE h = FindFirstFileW(Widen(path).c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        FindClose(h);
        return true;
    }
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_NO_MORE_FILES)
        return false;
    const RunError e = ErrorFromSystem(code, "cannot look up", path);
#else
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) return true;
    if (errno == ENOENT || errno == ENOTDIR) return false;
    const RunError e = LastSystemError("cannot look up", path);
#endif
    if (report)
        report({std::to_string(e.number) + ":" + e.description, kAppTitle, MessageIcon::None});
    return false;
}

} // namespace tokimori
