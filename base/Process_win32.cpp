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

} // namespace tokimori
