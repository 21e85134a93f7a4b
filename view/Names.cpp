#include "view/Names.h"

#include "base/TextCodec.h"

namespace tokimori {

std::string PhotoText(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const unsigned char c : bytes) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | c >> 6));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string DisplayName(const std::string& name) {
    if (IsUtf8(name)) return name;
    if (auto sjis = Cp932ToUtf8(name)) return *sjis;
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : name) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

} // namespace tokimori
