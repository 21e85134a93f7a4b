#include <iostream>

#include "cli/Commands.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const int code =
        tokimori::cli::Run(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
    // Output that could not be written (a full disk, a closed pipe) is a failure too.
    if (!std::cout.flush()) {
        std::cerr << "tokimori-cli: cannot write to standard output\n";
        return code == 0 ? 1 : code;
    }
    return code;
}
