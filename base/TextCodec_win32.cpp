#include "base/TextCodec.h"

#include <windows.h>

namespace tokimori {

std::optional<std::string> Cp932ToUtf8(const std::string& bytes) {
    if (bytes.empty()) return std::string();
    const int n = static_cast<int>(bytes.size());
    const int wide = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), n, nullptr, 0);
    if (wide <= 0) return std::nullopt;
    std::wstring w(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), n, w.data(), wide);
    const int size = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, out.data(), size, nullptr, nullptr);
    return out;
}

} // namespace tokimori
