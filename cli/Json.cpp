#include "cli/Json.h"

#include <cstdio>

namespace tokimori::cli {

namespace {
void Escape(std::string& out, unsigned char c) {
    switch (c) {
    case '"':
        out += "\\\"";
        return;
    case '\\':
        out += "\\\\";
        return;
    case '\n':
        out += "\\n";
        return;
    case '\r':
        out += "\\r";
        return;
    case '\t':
        out += "\\t";
        return;
    default:
        break;
    }
    if (c < 0x20 || c == 0x7F) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04x", c);
        out += buf;
    } else if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else { // U+0080..U+00FF in UTF-8
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}
// Printable ASCII but the quote and the backslash: copied as it is.
bool Plain(unsigned char c) {
    return c >= 0x20 && c < 0x7F && c != '"' && c != '\\';
}
} // namespace

std::string JsonBytes(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() + 2);
    out += '"';
    for (unsigned char c : bytes)
        Escape(out, c);
    out += '"';
    return out;
}

void JsonLine::key(const char* k) {
    if (!body_.empty()) body_ += ", ";
    body_ += "\"";
    body_ += k;
    body_ += "\": ";
}

JsonLine& JsonLine::text(const char* k, const std::string& bytes) {
    key(k);
    body_ += JsonBytes(bytes);
    return *this;
}

namespace {
// The length of the valid UTF-8 sequence at s[i], or 0 when none starts there.
size_t Utf8Sequence(const std::string& s, size_t i) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    size_t n = 0;
    uint32_t cp = 0;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF)
        n = 2, cp = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF)
        n = 3, cp = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4)
        n = 4, cp = c & 0x07;
    else
        return 0;
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}
} // namespace

JsonLine& JsonLine::utf8(const char* k, const std::string& s) {
    key(k);
    body_ += "\"";
    for (size_t i = 0; i < s.size();) {
        size_t run = i;
        while (run < s.size() && Plain(static_cast<unsigned char>(s[run])))
            ++run;
        body_.append(s, i, run - i);
        if ((i = run) == s.size()) break;
        const size_t n = Utf8Sequence(s, i);
        if (n == 0) {
            body_ += "\xEF\xBF\xBD"; // U+FFFD for a byte that is not UTF-8
            ++i;
        } else if (n == 1) {
            Escape(body_, static_cast<unsigned char>(s[i++]));
        } else {
            body_.append(s, i, n);
            i += n;
        }
    }
    body_ += "\"";
    return *this;
}

JsonLine& JsonLine::path(const char* k, const std::string& bytes) {
    utf8(k, bytes);
    bool valid = true;
    for (size_t i = 0; i < bytes.size() && valid;) {
        const size_t n = Utf8Sequence(bytes, i);
        valid = n != 0;
        i += n;
    }
    if (valid) return *this;
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex.push_back(digits[c >> 4]);
        hex.push_back(digits[c & 15]);
    }
    const std::string hexKey = std::string(k) + "_hex";
    key(hexKey.c_str());
    body_ += "\"" + hex + "\"";
    return *this;
}

JsonLine& JsonLine::number(const char* k, int64_t v) {
    key(k);
    body_ += std::to_string(v);
    return *this;
}

JsonLine& JsonLine::boolean(const char* k, bool v) {
    key(k);
    body_ += v ? "true" : "false";
    return *this;
}

JsonLine& JsonLine::list(const char* k, const std::vector<std::string>& items) {
    key(k);
    body_ += "[";
    for (size_t i = 0; i < items.size(); ++i)
        body_ += (i ? ", " : "") + JsonBytes(items[i]);
    body_ += "]";
    return *this;
}

JsonLine& JsonLine::objects(const char* k, const std::vector<JsonLine>& items) {
    key(k);
    body_ += "[";
    for (size_t i = 0; i < items.size(); ++i)
        body_ += (i ? ", " : "") + items[i].str();
    body_ += "]";
    return *this;
}

} // namespace tokimori::cli
