#pragma once
// tokimori-cli: the program's engine for scripts, benchmarks and checks.

#include <iosfwd>
#include <string>
#include <vector>

namespace tokimori::cli {

// Runs one command line (without the program name); returns the exit code:
// 0 all done, 1 some file failed, 2 bad arguments.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace tokimori::cli
