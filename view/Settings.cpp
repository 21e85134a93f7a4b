#include "view/Settings.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tokimori {

namespace {
// The largest stored window value taken, in twips: far beyond any screen, and still a whole
// number of pixels that fits an int.
constexpr double kLargestSetting = 1.0e9;
} // namespace

std::string FlagText(bool on) {
    return on ? "True" : "False";
}

bool FlagSetting(const FlagKey& key, const std::string& stored) {
    std::string t;
    for (char c : stored)
        if (!std::isspace(static_cast<unsigned char>(c)))
            t.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    if (t == "true" || t == "1") return true;
    if (t == "false" || t == "0") return false;
    return key.defaultOn;
}

std::string SettingText(double value) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    return buf;
}

Result<float> SettingNumber(const std::string& text) {
    size_t from = 0, to = text.size();
    while (from < to && std::isspace(static_cast<unsigned char>(text[from])))
        ++from;
    while (to > from && std::isspace(static_cast<unsigned char>(text[to - 1])))
        --to;
    const std::string t = text.substr(from, to - from);
    // Plain decimal numbers only (no hexadecimal, no words such as nan or inf).
    const bool decimal = t.find_first_not_of("0123456789+-.eE") == std::string::npos;
    char* end = nullptr;
    const double v = t.empty() || !decimal ? 0 : std::strtod(t.c_str(), &end);
    // Not a number at all, or none that a window can take (nan, inf): a type mismatch.
    if (t.empty() || !decimal || end != t.c_str() + t.size() || !std::isfinite(v))
        return MakeError(err::TypeMismatch, "not a number: " + text);
    // A number too large for a window's position or size: an overflow, as converting it would be.
    if (std::fabs(v) > kLargestSetting) return MakeError(err::Overflow, "out of range: " + text);
    return static_cast<float>(v);
}

} // namespace tokimori
