#pragma once
// What tokimori-cli says about its commands: the overview, each command's help and the usage
// message that goes with a bad command line.

#include <iosfwd>
#include <set>
#include <string>
#include <vector>

namespace tokimori::cli {

// One command's syntax: the options that take a value, the flags, its synopsis and help text.
struct CommandSyntax {
    std::string name;
    std::set<std::string> valued;
    std::set<std::string> flags;
    std::string synopsis; // "tokimori-cli NAME ...", continuation lines indented to match
    std::string help;     // what "tokimori-cli NAME --help" prints
};

// Every command, in the order the overview lists them.
const std::vector<CommandSyntax>& CommandSyntaxes();
const CommandSyntax* FindCommand(const std::string& name);

// What "tokimori-cli --help" prints.
std::string Overview();

// Writes "tokimori-cli: WHY" (unless WHY is empty) and the synopsis of every command to ERR;
// returns 2, the exit code of a bad command line.
int Usage(std::ostream& err, const std::string& why);

} // namespace tokimori::cli
