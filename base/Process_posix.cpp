#include "base/Process.h"

#include <sys/resource.h>
#include <unistd.h>

namespace tokimori {

long CurrentProcessId() {
    return static_cast<long>(getpid());
}

bool StandardErrorIsTerminal() {
    return isatty(2) != 0;
}

size_t OpenFileLimit() {
    struct rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 1024;
    return static_cast<size_t>(limit.rlim_cur);
}

} // namespace tokimori
