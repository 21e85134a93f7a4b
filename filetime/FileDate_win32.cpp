#include "filetime/FileDate.h"

#include "base/SystemError.h"

#include <windows.h>

#include "base/FileTimeConversion_win32.h"

namespace tokimori {

namespace {} // namespace

Result<int64_t> LocalToUnixInRange(const LocalDateTime& t) {
    SYSTEMTIME local{static_cast<WORD>(t.year),
                     static_cast<WORD>(t.month),
                     0,
                     static_cast<WORD>(t.day),
                     static_cast<WORD>(t.hour),
                     static_cast<WORD>(t.minute),
                     static_cast<WORD>(t.second),
                     0};
    SYSTEMTIME utc{};
    FILETIME ft{};
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &ft))
        return MakeError(err::InvalidCall, "date cannot be converted");
    return FromFileTime(ft).seconds;
}

Result<FileTimes> ReadFileTimes(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data))
        return LastSystemError("cannot read the times of", path);
    return FileTimes{FromFileTime(data.ftLastWriteTime), FromFileTime(data.ftLastAccessTime),
                     FromFileTime(data.ftCreationTime)};
}

Status WriteFileTimes(const std::string& path, const FileTimes& times) {
    // Opened for writing with no sharing, so nobody writes the file while its times change.
    HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return LastSystemError("cannot open", path);
    const FILETIME created = ToFileTime(times.created);
    const FILETIME accessed = ToFileTime(times.accessed);
    const FILETIME modified = ToFileTime(times.modified);
    const bool set = SetFileTime(h, &created, &accessed, &modified);
    RunError failure = set ? RunError{} : LastSystemError("cannot set the times of", path);
    if (!CloseHandle(h) && set) return LastSystemError("cannot close", path);
    if (!set) return failure;
    return {};
}

} // namespace tokimori
