#include "run/Journal.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "base/Crc32.h"
#include "base/Paths.h"
#include "base/PositionedFile.h"
#include "filetime/FileDate.h"
#include "run/OperationLog.h"

namespace tokimori {

namespace {

constexpr char kMagic[] = "TOKIMORI-JOURNAL";
constexpr char kVersion[] = "3";
constexpr uint64_t kMaxJournalBytes = uint64_t{1} << 30;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool Unescape(std::string_view s, std::string& out) {
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

bool FromHex(std::string_view hex, std::string& out) {
    if (hex.size() % 2) return false;
    out.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out.push_back(static_cast<char>(hi * 16 + lo));
    }
    return true;
}

template <class T> bool Number(std::string_view s, T& out, int base = 10) {
    if (s.empty()) return false;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out, base);
    return ec == std::errc() && end == s.data() + s.size();
}

bool ParseInstant(std::string_view s, FileInstant& t) {
    const size_t dot = s.find('.');
    if (dot == std::string_view::npos) return false;
    return Number(s.substr(0, dot), t.seconds) && Number(s.substr(dot + 1), t.nanoseconds) &&
           t.nanoseconds >= 0 && t.nanoseconds < 1000000000;
}

std::vector<std::string_view> Split(std::string_view line, char sep) {
    std::vector<std::string_view> out;
    size_t start = 0;
    for (size_t at; (at = line.find(sep, start)) != std::string_view::npos; start = at + 1)
        out.push_back(line.substr(start, at - start));
    out.push_back(line.substr(start));
    return out;
}

// body + "\t#" + length + ":" + crc + "\n"
std::string Sealed(std::string body) {
    static const char digits[] = "0123456789ABCDEF";
    const uint32_t crc = Crc32(body);
    char length[24];
    const auto lengthDigits = static_cast<size_t>(
        std::to_chars(length, length + sizeof length, body.size()).ptr - length);
    body += "\t#";
    body.append(length, lengthDigits);
    body += ':';
    for (int shift = 28; shift >= 0; shift -= 4)
        body += digits[(crc >> shift) & 15];
    body += '\n';
    return body;
}

// The body of a sealed line, or nullopt with the reason it cannot be trusted.
std::optional<std::string_view> Unseal(std::string_view line, std::string& reason) {
    const size_t hash = line.rfind("\t#");
    if (hash == std::string_view::npos) {
        reason = "no length and checksum";
        return std::nullopt;
    }
    const std::string_view body = line.substr(0, hash);
    const std::string_view trailer = line.substr(hash + 2);
    const size_t colon = trailer.find(':');
    size_t length = 0;
    uint32_t crc = 0;
    if (colon == std::string_view::npos || !Number(trailer.substr(0, colon), length) ||
        trailer.size() - colon - 1 != 8 || !Number(trailer.substr(colon + 1), crc, 16)) {
        reason = "damaged length and checksum";
        return std::nullopt;
    }
    if (length != body.size()) {
        reason = "length does not match";
        return std::nullopt;
    }
    if (crc != Crc32(body)) {
        reason = "checksum does not match";
        return std::nullopt;
    }
    return body;
}

// "key=value" fields of a line, in order.
bool Field(std::string_view f, const char* key, std::string_view& value) {
    const size_t n = std::char_traits<char>::length(key);
    if (f.size() <= n || f.compare(0, n, key) != 0 || f[n] != '=') return false;
    value = f.substr(n + 1);
    return true;
}

bool ParseHeader(const std::vector<std::string_view>& f, JournalHeader& h) {
    std::string_view v;
    // Version 2 had no sequence number.
    const bool v2 = f.size() == 6 && f[1] == "2";
    if (f.empty() || f[0] != kMagic || !(v2 || (f.size() == 7 && f[1] == kVersion))) return false;
    if (!Field(f[2], "kind", v)) return false;
    h.kind = std::string(v);
    if (!Field(f[3], "started", v) || !Number(v, h.started)) return false;
    if (!Field(f[4], "pid", v) || !Number(v, h.processId)) return false;
    h.sequence = 0;
    if (!v2 && (!Field(f[5], "seq", v) || !Number(v, h.sequence))) return false;
    return Field(f[v2 ? 5 : 6], "folder", v) && Unescape(v, h.folder);
}

bool ParseRecord(const std::vector<std::string_view>& f, JournalRecord& r) {
    std::string_view v;
    if (f.size() < 10 || f[0] != "photo") return false;
    if (!Field(f[1], "at", v) || !Number(v, r.changedAt)) return false;
    if (!Field(f[2], "path", v) || !Unescape(v, r.path) || r.path.empty()) return false;
    if (!Field(f[3], "dev", v) || !Number(v, r.identity.device)) return false;
    if (!Field(f[4], "ino", v) || !Number(v, r.identity.inode)) return false;
    if (!Field(f[5], "size", v) || !Number(v, r.size)) return false;
    if (!Field(f[6], "m", v) || !ParseInstant(v, r.before.modified)) return false;
    if (!Field(f[7], "a", v) || !ParseInstant(v, r.before.accessed)) return false;
    if (!Field(f[8], "c", v) || !ParseInstant(v, r.before.created)) return false;
    size_t i = 9;
    r.identity.born = {};
    if (Field(f[i], "born", v)) {
        if (!ParseInstant(v, r.identity.born)) return false;
        ++i;
    }
    r.after.reset();
    if (i < f.size() && Field(f[i], "to", v)) {
        FileInstant to;
        if (!ParseInstant(v, to)) return false;
        r.after = to;
        ++i;
    }
    r.writes.clear();
    for (; i < f.size(); ++i) {
        const std::vector<std::string_view> w = Split(f[i], ':');
        DateWrite d;
        if (w.size() != 5 || w[0] != "w" || !Number(w[1], d.tag, 16) || !Number(w[2], d.offset) ||
            !FromHex(w[3], d.oldBytes) || !FromHex(w[4], d.newBytes) ||
            d.oldBytes.size() != d.newBytes.size() || d.newBytes.empty())
            return false;
        r.writes.push_back(std::move(d));
    }
    return !r.writes.empty() || r.after.has_value();
}

bool ParseDone(const std::vector<std::string_view>& f, JournalDone& d) {
    std::string_view v;
    if ((f.size() != 3 && f.size() != 4) || f[0] != "done") return false;
    if (!Field(f[1], "at", v) || !Number(v, d.at)) return false;
    if (!Field(f[2], "changed", v) || !Number(v, d.changed)) return false;
    if (f.size() == 3) return true;
    if (!Field(f[3], "left", v)) return false;
    for (std::string_view one : Split(v, ',')) {
        const size_t colon = one.find(':');
        FileIdentity id;
        if (colon == std::string_view::npos || !Number(one.substr(0, colon), id.device) ||
            !Number(one.substr(colon + 1), id.inode))
            return false;
        d.left.push_back(id);
    }
    return true;
}

} // namespace

std::string JournalNameFor(const LocalDateTime& t, long processId, int sequence) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "Date%04d%02d%02d-%02d%02d%02d-%ld", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, processId);
    std::string name = buf;
    if (sequence > 1) {
        name += '-';
        name += std::to_string(sequence);
    }
    name += ".journal";
    return name;
}

bool IsJournalName(const std::string& name, std::string* date8) {
    // Date yyyyMMdd - hhmmss - pid .journal
    const std::string tail = ".journal";
    if (name.size() < 4 + 8 + 1 + 6 + 1 + 1 + tail.size() || name.compare(0, 4, "Date") != 0 ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0 || name[12] != '-' ||
        name[19] != '-')
        return false;
    auto digits = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i)
            if (name[i] < '0' || name[i] > '9') return false;
        return from < to;
    };
    // The process number, and a sequence number after a second "-".
    const size_t end = name.size() - tail.size();
    const size_t dash = name.find('-', 20);
    const bool numbers = dash == std::string::npos || dash >= end
                             ? digits(20, end)
                             : digits(20, dash) && digits(dash + 1, end);
    if (!digits(4, 12) || !digits(13, 19) || !numbers) return false;
    if (date8) *date8 = name.substr(4, 8);
    return true;
}

std::string FormatJournalHeader(const JournalHeader& h) {
    return Sealed(std::string(kMagic) + "\t" + kVersion + "\tkind=" + h.kind +
                  "\tstarted=" + std::to_string(h.started) +
                  "\tpid=" + std::to_string(h.processId) + "\tseq=" + std::to_string(h.sequence) +
                  "\tfolder=" + EscapeControls(h.folder, true));
}

std::string FormatJournalDone(const JournalDone& d) {
    std::string body =
        "done\tat=" + std::to_string(d.at) + "\tchanged=" + std::to_string(d.changed);
    for (size_t i = 0; i < d.left.size(); ++i) {
        body += i == 0 ? "\tleft=" : ",";
        body += std::to_string(d.left[i].device) + ":" + std::to_string(d.left[i].inode);
    }
    return Sealed(body);
}

std::string FormatJournalRecord(const JournalRecord& r) {
    // Built in one string: a run formats a record for every photo.
    std::string body;
    body.reserve(160 + r.path.size() + 90 * r.writes.size());
    auto number = [&body](auto v) {
        char buf[24];
        body.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
    };
    auto instant = [&](const char* key, const FileInstant& t) {
        body += key;
        number(t.seconds);
        body += '.';
        number(t.nanoseconds);
    };
    static const char digits[] = "0123456789ABCDEF";
    auto hex = [&body](const std::string& bytes) {
        for (unsigned char c : bytes) {
            body += digits[c >> 4];
            body += digits[c & 15];
        }
    };
    body += "photo\tat=";
    number(r.changedAt);
    body += "\tpath=";
    body += EscapeControls(r.path, true);
    body += "\tdev=";
    number(r.identity.device);
    body += "\tino=";
    number(r.identity.inode);
    body += "\tsize=";
    number(r.size);
    instant("\tm=", r.before.modified);
    instant("\ta=", r.before.accessed);
    instant("\tc=", r.before.created);
    if (!(r.identity.born == FileInstant{})) instant("\tborn=", r.identity.born);
    if (r.after) instant("\tto=", *r.after);
    for (const DateWrite& w : r.writes) {
        body += "\tw:";
        for (int shift = 12; shift >= 0; shift -= 4)
            body += digits[(w.tag >> shift) & 15];
        body += ':';
        number(w.offset);
        body += ':';
        hex(w.oldBytes);
        body += ':';
        hex(w.newBytes);
    }
    return Sealed(body);
}

Status JournalWriter::create() {
    const LocalDateTime started = LocalFromUnix(header_.started);
    for (int sequence = 1;; ++sequence) {
        path_ = JoinPath(folder_, JournalNameFor(started, header_.processId, sequence));
        auto f = AppendFile::open(path_, AppendFile::Create::Exclusive, FaultSite::JournalAppend);
        if (f) {
            file_.emplace(std::move(f.value()));
            // The journal's own name reaches the disk with its first records.
            pendingFolderSync_ = true;
            return {};
        }
        // A name taken (by an earlier run of this process in the same second) tries the next;
        // anything else is the answer.
        std::error_code ec;
        if (sequence >= 1000 || !std::filesystem::exists(ToFsPath(path_), ec)) return f.error();
    }
}

void JournalWriter::add(const JournalRecord& r) {
    waiting_.push_back(FormatJournalRecord(r));
}

Status JournalWriter::write(size_t& written) {
    written = 0;
    if (waiting_.empty()) return {};
    std::vector<std::string> records = std::move(waiting_);
    waiting_.clear();
    if (!file_) {
        Status created = create();
        if (!created) return created;
        records.front().insert(0, FormatJournalHeader(header_));
    }
    Status s = file_->appendRecords(records, written);
    records_ += written;
    if (written) dirty_ = true;
    if (!s && records_ == 0) {
        (void)file_->discardIfEmpty();
        file_.reset();
    }
    return s;
}

Status JournalWriter::done(const JournalDone& d) {
    if (!file_) return {};
    Status s = file_->append(FormatJournalDone(d));
    if (s) dirty_ = true;
    return s;
}

Status JournalWriter::sync() {
    if (!file_ || !dirty_) return {};
    Status s = file_->sync();
    if (s && pendingFolderSync_) {
        s = SyncFolder(folder_);
        if (s) pendingFolderSync_ = false;
    }
    if (s) dirty_ = false;
    return s;
}

Status JournalWriter::close() {
    if (!file_) return {};
    Status synced = sync();
    Status closed = file_->close();
    return synced ? closed : synced;
}

Status MarkJournalUndone(const std::string& path, int64_t at) {
    // Only a journal that is there (never one made anew), never through a link.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(ToFsPath(path), ec)))
        return MakeError(err::FileNotFound, "no journal " + path);
    auto file = AppendFile::open(path, AppendFile::Create::OpenOrCreate, FaultSite::JournalAppend);
    if (!file) return file.error();
    Status s = file->append(Sealed("undone\tat=" + std::to_string(at)));
    Status closed = file->close();
    return s ? closed : s;
}

JournalContents ParseJournal(const std::string& bytes) {
    JournalContents out;
    // A journal begins with its magic word (or a part of it, when the run stopped while writing
    // its first line); anything else is no journal, and nothing in it is taken for a record.
    const std::string_view magic = kMagic;
    const size_t head = std::min(bytes.size(), magic.size());
    if (bytes.compare(0, head, magic.substr(0, head)) != 0) {
        out.problems.push_back({1, "not a journal"});
        return out;
    }
    size_t start = 0, number = 0;
    size_t batchStart = 0; // the first record since the last done line
    while (start < bytes.size()) {
        ++number;
        size_t end = bytes.find('\n', start);
        const bool last = end == std::string::npos;
        if (last) end = bytes.size();
        const std::string_view line(bytes.data() + start, end - start);
        start = end + 1;
        std::string reason;
        auto body = Unseal(line, reason);
        if (!body && last) {
            // A last line without its end that does not check: the run stopped while appending
            // it, before its photo changed. (One that checks lacks only its line feed: whole.)
            out.cutAtEnd = true;
            break;
        }
        if (!body) {
            out.problems.push_back({number, reason});
            continue;
        }
        const std::vector<std::string_view> f = Split(*body, '\t');
        if (number == 1) {
            JournalHeader h;
            if (ParseHeader(f, h)) {
                out.header = std::move(h);
                continue;
            }
        }
        JournalRecord r;
        JournalDone d;
        std::string_view at;
        if (f.size() == 2 && f[0] == "undone" && Field(f[1], "at", at) &&
            Number(at, out.undoneAt)) {
            continue;
        } else if (ParseRecord(f, r)) {
            out.records.push_back(std::move(r));
        } else if (ParseDone(f, d)) {
            // The photos of its batch that the run left alone, among the records since the last
            // such line.
            for (const FileIdentity& id : d.left) {
                auto it = std::find_if(
                    out.records.begin() + static_cast<std::ptrdiff_t>(batchStart),
                    out.records.end(), [&](const JournalRecord& rec) {
                        return rec.identity.device == id.device && rec.identity.inode == id.inode;
                    });
                if (it == out.records.end())
                    out.problems.push_back({number, "names a photo its batch does not hold"});
                else
                    it->left = true;
            }
            batchStart = out.records.size();
        } else {
            out.problems.push_back({number, "not a journal record"});
        }
    }
    if (!out.header && out.problems.empty() && !out.records.empty())
        out.problems.push_back({1, "no journal header"});
    return out;
}

Result<JournalContents> ReadJournal(const std::string& path) {
    // A journal is a regular file of modest size; anything else named as one is refused unread.
    std::error_code ec;
    const auto status = std::filesystem::status(ToFsPath(path), ec);
    if (ec || !std::filesystem::exists(status))
        return MakeError(err::FileNotFound, "cannot read " + path);
    if (!std::filesystem::is_regular_file(status))
        return MakeError(err::PathFileAccess, "not a file: " + path);
    if (std::filesystem::file_size(ToFsPath(path), ec) > kMaxJournalBytes || ec)
        return MakeError(err::PathFileAccess, "too large for a journal: " + path);
    std::ifstream in(ToFsPath(path), std::ios::binary);
    if (!in) return MakeError(err::FileNotFound, "cannot read " + path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return MakeError(err::DeviceIo, "cannot read " + path);
    return ParseJournal(text);
}

namespace {

// The process number and sequence number of a journal's name ("-pid" or "-pid-n", 1 when no n),
// as numbers; names IsJournalName accepted.
std::pair<uint64_t, uint64_t> ProcessAndSequence(const std::string& name) {
    const size_t end = name.size() - std::strlen(".journal");
    const size_t dash = name.find('-', 20);
    auto number = [&](size_t from, size_t to) {
        uint64_t n = 0;
        for (size_t i = from; i < to; ++i)
            n = n > UINT64_MAX / 10 - 10 ? UINT64_MAX : n * 10 + uint64_t(name[i] - '0');
        return n;
    };
    if (dash == std::string::npos || dash >= end) return {number(20, end), 1};
    return {number(20, dash), number(dash + 1, end)};
}

// The sequence number in a journal's first line; 0 when it has none or cannot be read.
uint64_t SequenceOf(const std::string& path) {
    auto f = PositionedFile::open(path, PositionedFile::Mode::Read);
    if (!f) return 0;
    std::string line(static_cast<size_t>(std::min<uint64_t>(f->size(), 4096)), '\0');
    if (!f->readAt(0, std::span(reinterpret_cast<uint8_t*>(line.data()), line.size()))) return 0;
    line.resize(std::min(line.size(), line.find('\n')));
    std::string reason;
    auto body = Unseal(line, reason);
    JournalHeader h;
    return body && ParseHeader(Split(*body, '\t'), h) ? h.sequence : 0;
}

struct JournalName {
    std::string name;
    uint64_t sequence = 0;
};

// The journals of folder, newest first: by the sequence number of their header, then by name
// (the name starts with the run's local start; a journal without a sequence number is older
// than every one with).
std::vector<JournalName> JournalNames(const std::string& folder) {
    std::vector<JournalName> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(ToFsPath(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = FromFsPath(it->path().filename());
        std::error_code typeError;
        if (IsJournalName(name) && it->is_regular_file(typeError) && !it->is_symlink(typeError))
            names.push_back({name, SequenceOf(JoinPath(folder, name))});
    }
    // Date yyyyMMdd-hhmmss-pid[-n]: the date and time sort as text; runs of one process in
    // one second by their sequence number (the later run has the higher one).
    std::sort(names.begin(), names.end(), [](const JournalName& x, const JournalName& y) {
        if (x.sequence != y.sequence) return x.sequence > y.sequence;
        const std::string &a = x.name, &b = y.name;
        const int order = a.compare(4, 15, b, 4, 15);
        if (order != 0) return order > 0;
        const auto [pidA, seqA] = ProcessAndSequence(a);
        const auto [pidB, seqB] = ProcessAndSequence(b);
        if (pidA != pidB) return pidA > pidB;
        return seqA > seqB;
    });
    return names;
}

// When a journal's run started, from its name (local time), as seconds since 1970.
std::optional<int64_t> StartedOf(const std::string& name) {
    LocalDateTime t;
    if (std::sscanf(name.c_str(), "Date%4d%2d%2d-%2d%2d%2d", &t.year, &t.month, &t.day, &t.hour,
                    &t.minute, &t.second) != 6)
        return std::nullopt;
    auto unix = LocalToUnix(t);
    if (!unix) return std::nullopt;
    return unix.value();
}

} // namespace

std::vector<JournalInfo> ListJournals(const std::string& folder) {
    std::vector<JournalInfo> out;
    for (const JournalName& entry : JournalNames(folder)) {
        JournalInfo info;
        info.path = JoinPath(folder, entry.name);
        auto contents = ReadJournal(info.path);
        if (contents) {
            if (contents->header) info.header = *contents->header;
            info.records = contents->records.size();
            info.problems = contents->problems.size();
            info.undone = contents->undoneAt != 0;
        } else {
            info.problems = 1;
        }
        out.push_back(std::move(info));
    }
    return out;
}

uint64_t PruneJournals(const std::string& folder, int64_t now) {
    const std::vector<JournalName> names = JournalNames(folder);
    for (size_t i = kJournalRuns; i < names.size(); ++i) {
        const auto started = StartedOf(names[i].name);
        if (!started || now - *started <= int64_t{kJournalDays} * 86400) continue;
        std::error_code ignored;
        std::filesystem::remove(ToFsPath(JoinPath(folder, names[i].name)), ignored);
    }
    return names.empty() ? 1 : names.front().sequence + 1;
}

} // namespace tokimori
