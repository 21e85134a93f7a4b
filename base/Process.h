#pragma once
// The running process, as the system numbers it.

#include <cstddef>

namespace tokimori {

long CurrentProcessId();

// How many files the process may have open at once.
size_t OpenFileLimit();

// Whether the standard error stream goes to a terminal (progress is shown there only).
bool StandardErrorIsTerminal();

} // namespace tokimori
