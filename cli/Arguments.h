#pragma once
// A command's arguments: options that take a value, flags, and the paths around them.

#include <map>
#include <set>
#include <string>
#include <vector>

namespace tokimori::cli {

struct Arguments {
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    std::vector<std::string> paths;
    bool help = false; // --help or -h stood where an option may stand (error says so too)
    std::string error; // why they cannot be used
    std::string value(const std::string& option) const {
        auto it = values.find(option);
        return it == values.end() ? std::string() : it->second;
    }
    bool has(const std::string& flag) const { return flags.count(flag) != 0; }
};

// Reads a command's arguments. A valued option takes the next argument ("--date 2006:12:24",
// even one that starts with '-') or the text after '=' ("--date=2006:12:24"); "--" ends the
// options. An unknown option, a missing or empty value, a value given to a flag and an option
// given twice are errors. Reading stops at the first error or at a request for help.
Arguments Parse(const std::vector<std::string>& args, const std::set<std::string>& valued,
                const std::set<std::string>& flags);

} // namespace tokimori::cli
