#include "base/Faults.h"

#include <windows.h>

namespace tokimori {

void KillSelf() {
    TerminateProcess(GetCurrentProcess(), 137);
    ExitProcess(137);
}

} // namespace tokimori
