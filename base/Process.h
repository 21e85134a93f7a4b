#pragma once
// The running process, as the system numbers it.

namespace tokimori {

long CurrentProcessId();

// Whether the standard error stream goes to a terminal (progress is shown there only).
bool StandardErrorIsTerminal();

} // namespace tokimori
