#pragma once
// FILETIME (100 ns steps since 1601-01-01 UTC) to and from the program's instants. Windows only.

#include <windows.h>

#include "base/FileTimes.h"

namespace tokimori {

inline constexpr int64_t kUnixEpochIn1601 = 11644473600LL;

inline FILETIME ToFileTime(const FileInstant& i) {
    const uint64_t ticks = static_cast<uint64_t>(i.seconds + kUnixEpochIn1601) * 10000000ULL +
                           static_cast<uint64_t>(i.nanoseconds / 100);
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

inline FileInstant FromFileTime(const FILETIME& ft) {
    const uint64_t ticks = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return {static_cast<int64_t>(ticks / 10000000ULL) - kUnixEpochIn1601,
            static_cast<int32_t>((ticks % 10000000ULL) * 100)};
}

// A Win32 error code for an injected failure's system error number.
inline DWORD Win32ErrorForFault(int posixError) {
    return posixError == 28 /* ENOSPC */ ? ERROR_DISK_FULL : ERROR_WRITE_FAULT;
}

} // namespace tokimori
