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

struct FileTimes {
    FileInstant modified;
    FileInstant accessed;
    FileInstant created; // Windows only; the same as modified elsewhere
    bool operator==(const FileTimes&) const = default;
};

// What makes a file the same file whatever its name: device and inode (volume serial number
// and file index on Windows).
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

} // namespace tokimori
