#include "base/Process.h"

#include <io.h>
#include <windows.h>

namespace tokimori {

long CurrentProcessId() {
    return static_cast<long>(GetCurrentProcessId());
}

bool StandardErrorIsTerminal() {
    return _isatty(2) != 0;
}

size_t OpenFileLimit() {
    return 8192; // handles are limited by memory only; the C library's files are not used
}

} // namespace tokimori
