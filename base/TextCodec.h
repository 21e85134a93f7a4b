#pragma once
// Text in the encodings names come in: a file name is bytes, UTF-8 on today's systems and Shift_JIS
// (code page 932) on an old camera card written by Windows.

#include <optional>
#include <string>

namespace tokimori {

// Whether bytes are well-formed UTF-8.
bool IsUtf8(const std::string& bytes);

// bytes read as code page 932, as UTF-8; nothing when they are not valid CP932.
std::optional<std::string> Cp932ToUtf8(const std::string& bytes);

} // namespace tokimori
