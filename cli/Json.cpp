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
} // namespace

std::string JsonBytes(const std::string& bytes) {
    std::string out = "\"";
    for (unsigned char c : bytes)
        Escape(out, c);
    return out + "\"";
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

JsonLine& JsonLine::utf8(const char* k, const std::string& s) {
    key(k);
    body_ += "\"";
    for (unsigned char c : s) {
        if (c >= 0x80)
            body_.push_back(static_cast<char>(c));
        else
            Escape(body_, c);
    }
    body_ += "\"";
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

} // namespace tokimori::cli
