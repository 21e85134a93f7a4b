#include "cli/Arguments.h"

#include <cstddef>

namespace tokimori::cli {

Arguments Parse(const std::vector<std::string>& args, const std::set<std::string>& valued,
                const std::set<std::string>& flags) {
    Arguments out;
    auto fail = [&out](const std::string& why) {
        out.error = why;
        return out;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--") {
            out.paths.insert(out.paths.end(), args.begin() + static_cast<ptrdiff_t>(i) + 1,
                             args.end());
            break;
        }
        if (a.size() < 2 || a[0] != '-') {
            out.paths.push_back(a);
            continue;
        }
        if (a == "--help" || a == "-h") { // not an argument to act on: error keeps it so
            out.help = true;
            return fail(a + " asks for the command's help");
        }
        // "--name=value" names its option before the first '='.
        const size_t equals = a.rfind("--", 0) == 0 ? a.find('=') : std::string::npos;
        const std::string name = a.substr(0, equals);
        if (valued.count(name)) {
            std::string value;
            if (equals != std::string::npos) {
                value = a.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return fail(name + " needs a value");
            }
            if (value.empty()) return fail(name + " needs a value, not an empty text");
            if (!out.values.emplace(name, value).second) return fail(name + " given twice");
        } else if (flags.count(name)) {
            if (equals != std::string::npos) return fail(name + " takes no value");
            if (!out.flags.insert(name).second) return fail(name + " given twice");
        } else {
            return fail("unknown option " + name);
        }
    }
    return out;
}

} // namespace tokimori::cli
