#pragma once
// Run-time errors from what the operating system says, and Windows text conversions.

#include <string>
#include <system_error>

#include "base/RunError.h"

namespace tokimori {

// 53 not found, 70 permission denied, 61 disk full, 57 device I/O, else 75; the detail names
// the action and the path.
#ifdef _WIN32
RunError ErrorFromSystem(unsigned long win32Code, const std::string& what, const std::string& path);
// The last error of the calling thread.
RunError LastSystemError(const std::string& what, const std::string& path);

std::wstring Widen(const std::string& utf8);
std::string NarrowUtf8(const std::wstring& wide);
// The system's ANSI code page (CP932 on Japanese Windows).
std::string Utf8ToAnsi(const std::string& utf8);
#else
RunError ErrorFromSystem(int errnoValue, const std::string& what, const std::string& path);
// errno as it stands.
RunError LastSystemError(const std::string& what, const std::string& path);
#endif

// UTF-8 text as the system's text files hold it: the same bytes, or the ANSI code page on
// Windows (CP932 on Japanese Windows).
std::string ToSystemText(const std::string& utf8);

// A system error code as std::error_code's system category holds it (errno, or a Win32 code).
RunError ErrorFromNativeCode(int code, const std::string& what, const std::string& path);

// A std::filesystem failure: generic codes are mapped by their meaning, system codes as above.
RunError ErrorFromCode(const std::error_code& ec, const std::string& what, const std::string& path);

} // namespace tokimori
