#include "base/SystemError.h"

#include <windows.h>

namespace tokimori {

RunError ErrorFromSystem(unsigned long code, const std::string& what, const std::string& path) {
    int number = err::PathFileAccess;
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
        number = err::FileNotFound;
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        number = err::PermissionDenied;
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        number = err::DiskFull;
        break;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_NOT_READY:
        number = err::DeviceIo;
        break;
    default:
        break;
    }
    return MakeError(number, what + " " + path + ": Win32 error " + std::to_string(code));
}

RunError LastSystemError(const std::string& what, const std::string& path) {
    return ErrorFromSystem(GetLastError(), what, path);
}

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
    return w;
}

std::string NarrowUtf8(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), s.data(), n,
                        nullptr, nullptr);
    return s;
}

std::string Utf8ToAnsi(const std::string& utf8) {
    const std::wstring w = Widen(utf8);
    if (w.empty()) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

RunError ErrorFromNativeCode(int e, const std::string& what, const std::string& path) {
    return ErrorFromSystem(static_cast<unsigned long>(e), what, path);
}

std::string ToSystemText(const std::string& utf8) {
    return Utf8ToAnsi(utf8);
}

} // namespace tokimori
