#include <iostream>

#include "cli/Commands.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    return tokimori::cli::Run(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                              std::cerr);
}
