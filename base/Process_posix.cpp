#include "base/Process.h"

#include <unistd.h>

namespace tokimori {

long CurrentProcessId() {
    return static_cast<long>(getpid());
}

bool StandardErrorIsTerminal() {
    return isatty(2) != 0;
}

} // namespace tokimori
