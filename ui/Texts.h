#pragma once
// Texts between the program's core (UTF-8 std::string) and the windows (QString).

#include <QString>
#include <string>

namespace tokimori {

inline QString U(const std::string& s) {
    return QString::fromStdString(s);
}

inline std::string S(const QString& s) {
    return s.toStdString();
}

// Texts from a photo are bytes; each byte is shown as the character of the same number.
inline QString FromPhotoText(const std::string& s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

} // namespace tokimori
