#pragma once
// Texts as a window shows them: a photo's stored texts, and names of files and folders, which are
// bytes that need not be UTF-8.

#include <string>

namespace tokimori {

// A text stored in a photo (Make, Model, a date): each byte shown as the character of the same
// number (U+0000–U+00FF), as UTF-8.
std::string PhotoText(const std::string& bytes);

// A file or folder name as shown: as it is when it is UTF-8; else read as code page 932 (the
// Shift_JIS of an old camera card) when it is that; else its bytes of 0x80 and above written
// %XX. The name itself stays bytes wherever a file is reached.
std::string DisplayName(const std::string& name);

} // namespace tokimori
