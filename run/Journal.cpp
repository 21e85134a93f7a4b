#include "run/Journal.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "base/Paths.h"
#include "base/PositionedFile.h"
#include "base/SystemError.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tokimori {

namespace {

std::string Escape(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c < 0x20 || c == '%' || c == 0x7F) {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool Unescape(const std::string& s, std::string& out) {
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out.push_back(s[i]);
            continue;
        }
        if (i + 2 >= s.size()) return false;
        const int hi = HexDigit(s[i + 1]), lo = HexDigit(s[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
    }
    return true;
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

bool FromHex(const std::string& hex, std::string& out) {
    if (hex.size() % 2) return false;
    out.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out.push_back(static_cast<char>(hi * 16 + lo));
    }
    return true;
}

std::string Instant(const FileInstant& t) {
    return std::to_string(t.seconds) + "." + std::to_string(t.nanoseconds);
}

bool ParseInstant(const std::string& s, FileInstant& t) {
    const size_t dot = s.find('.');
    if (dot == std::string::npos) return false;
    try {
        size_t used = 0;
        t.seconds = std::stoll(s.substr(0, dot), &used);
        if (used != dot) return false;
        t.nanoseconds = static_cast<int32_t>(std::stol(s.substr(dot + 1), &used));
        return used == s.size() - dot - 1 && t.nanoseconds >= 0 && t.nanoseconds < 1000000000;
    } catch (...) {
        return false;
    }
}

std::vector<std::string> Split(const std::string& line, char sep) {
    std::vector<std::string> out;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, sep))
        out.push_back(field);
    return out;
}

bool ParseRecord(const std::string& line, JournalRecord& r) {
    const std::vector<std::string> f = Split(line, '\t');
    if (f.size() < 6 || f[0] != "photo" || f.back() != "end") return false;
    if (!Unescape(f[1], r.path)) return false;
    if (f[2].rfind("m=", 0) != 0 || !ParseInstant(f[2].substr(2), r.before.modified)) return false;
    if (f[3].rfind("a=", 0) != 0 || !ParseInstant(f[3].substr(2), r.before.accessed)) return false;
    if (f[4].rfind("c=", 0) != 0 || !ParseInstant(f[4].substr(2), r.before.created)) return false;
    r.writes.clear();
    for (size_t i = 5; i + 1 < f.size(); ++i) {
        const std::vector<std::string> w = Split(f[i], ':');
        if (w.size() != 5 || w[0] != "w") return false;
        DateWrite d;
        try {
            d.tag = static_cast<uint16_t>(std::stoul(w[1], nullptr, 16));
            d.offset = std::stoull(w[2]);
        } catch (...) {
            return false;
        }
        if (!FromHex(w[3], d.oldBytes) || !FromHex(w[4], d.newBytes) ||
            d.oldBytes.size() != d.newBytes.size())
            return false;
        r.writes.push_back(std::move(d));
    }
    return !r.writes.empty();
}

} // namespace

std::string JournalNameFor(const LocalDateTime& t, long processId) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "Date%04d%02d%02d-%02d%02d%02d-%ld.journal", t.year, t.month,
                  t.day, t.hour, t.minute, t.second, processId);
    return buf;
}

bool IsJournalOf(const std::string& name, const std::string& date8) {
    const std::string head = "Date" + date8 + "-";
    const std::string tail = ".journal";
    return name.size() > head.size() + tail.size() && name.compare(0, head.size(), head) == 0 &&
           name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
}

std::string FormatJournalRecord(const JournalRecord& r) {
    std::string line = "photo\t" + Escape(r.path) + "\tm=" + Instant(r.before.modified) +
                       "\ta=" + Instant(r.before.accessed) + "\tc=" + Instant(r.before.created);
    for (const DateWrite& w : r.writes) {
        char tag[8];
        std::snprintf(tag, sizeof tag, "%04X", w.tag);
        line += std::string("\tw:") + tag + ":" + std::to_string(w.offset) + ":" + Hex(w.oldBytes) +
                ":" + Hex(w.newBytes);
    }
    return line + "\tend\n";
}

Status AppendJournalRecord(const std::string& journalPath, const JournalRecord& r) {
    const std::string line = FormatJournalRecord(r);
#ifdef _WIN32
    HANDLE h = CreateFileW(Widen(journalPath).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return LastSystemError("cannot open", journalPath);
    DWORD put = 0;
    const bool wrote = WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &put, nullptr) &&
                       put == line.size();
    RunError failure = wrote ? RunError{} : LastSystemError("cannot write", journalPath);
    CloseHandle(h);
    if (!wrote) return failure;
    return {};
#else
    const int fd = ::open(journalPath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return LastSystemError("cannot open", journalPath);
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            RunError e = LastSystemError("cannot write", journalPath);
            ::close(fd);
            return e;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) return LastSystemError("cannot close", journalPath);
    return {};
#endif
}

Result<std::vector<JournalRecord>> ReadJournal(const std::string& journalPath) {
    std::ifstream in(ToFsPath(journalPath), std::ios::binary);
    if (!in) return MakeError(err::FileNotFound, "cannot read " + journalPath);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<JournalRecord> out;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        JournalRecord r;
        if (ParseRecord(text.substr(start, end - start), r)) out.push_back(std::move(r));
    }
    return out;
}

Result<UndoAnswer> UndoPhoto(const JournalRecord& r, bool dryRun) {
    auto file = PositionedFile::open(r.path, PositionedFile::Mode::ReadWrite);
    if (!file) return file.error();
    for (const DateWrite& w : r.writes) {
        if (w.offset > file->size() || w.newBytes.size() > file->size() - w.offset)
            return UndoAnswer::ChangedSince;
        std::string now(w.newBytes.size(), '\0');
        Status s =
            file->readAt(w.offset, std::span(reinterpret_cast<uint8_t*>(now.data()), now.size()));
        if (!s) return s.error();
        if (now != w.newBytes) return UndoAnswer::ChangedSince;
    }
    if (dryRun) return UndoAnswer::WouldRestore;
    // Later writes first, so that texts written twice get their first old bytes back.
    for (auto w = r.writes.rbegin(); w != r.writes.rend(); ++w) {
        Status s =
            file->writeAt(w->offset, std::span(reinterpret_cast<const uint8_t*>(w->oldBytes.data()),
                                               w->oldBytes.size()));
        if (!s) return s.error();
    }
    Status closed = file->close();
    if (!closed) return closed.error();
    Status times = WriteFileTimes(r.path, r.before);
    if (!times) return times.error();
    return UndoAnswer::Restored;
}

} // namespace tokimori
