#pragma once
// A file's time stamps and identity, as the file layer reads and sets them.

#include <cstdint>

namespace tokimori {

// An instant as seconds since 1970-01-01 UTC plus nanoseconds.
struct FileInstant {
    int64_t seconds = 0;
    int32_t nanoseconds = 0;
    bool operator==(const FileInstant&) const = default;
};

// Whether a file system holds wanted as held: the same instant, or the one it rounds wanted to.
// FAT keeps last-write times in 2-second steps (Windows and Linux alike), NTFS in 100 ns; a time
// it cannot hold at all (ext4 before 1901) or one moved by a clock change is hours away.
inline bool HeldAs(const FileInstant& held, const FileInstant& wanted) {
    const int64_t seconds = held.seconds - wanted.seconds;
    if (seconds < -2 || seconds > 2) return false;
    const int64_t apart = seconds * 1000000000LL + (held.nanoseconds - wanted.nanoseconds);
    return apart > -2000000000LL && apart < 2000000000LL;
}

struct FileTimes {
    FileInstant modified;
    FileInstant accessed;
    FileInstant created; // Windows only; the same as modified elsewhere
    bool operator==(const FileTimes&) const = default;
};

// What makes a file the same file whatever its name: device and inode (volume serial number
// and file index on Windows), and where the system keeps one, the moment the file was made: an
// inode number is soon given to a new file once the old one is gone.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    FileInstant born; // {0, 0}: not known
    bool operator==(const FileIdentity&) const = default;
};

// Whether a file now is the file once seen as `then`: the birth moments count only where both
// are known (a journal written before they were kept has none).
inline bool SameFile(const FileIdentity& now, const FileIdentity& then) {
    if (now.device != then.device || now.inode != then.inode) return false;
    const FileInstant unknown{};
    return now.born == unknown || then.born == unknown || now.born == then.born;
}

} // namespace tokimori
