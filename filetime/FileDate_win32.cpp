#include "filetime/FileDate.h"

#include <windows.h>

#include "base/FileTimeConversion_win32.h"
#include "base/SystemError.h"

namespace tokimori {

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

// Read without opening the file: no handle that could be refused, and nothing that counts as
// an access.
Result<FileTimes> ReadFileTimes(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data))
        return LastSystemError("cannot read the times of", path);
    return FileTimes{FromFileTime(data.ftLastWriteTime), FromFileTime(data.ftLastAccessTime),
                     FromFileTime(data.ftCreationTime)};
}

} // namespace tokimori
