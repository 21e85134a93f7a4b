#pragma once
// A seam for failure-injection tests: the file layer asks here before each write of a kind, and
// a test can answer that the write fails (a full disk, an I/O error), stops half-way, or that the
// process dies at that moment as if killed. Programs never set a hook; then every answer is
// "go on" at the cost of one load.

#include <cstdint>

namespace tokimori {

enum class FaultSite {
    PhotoWrite,    // one date text written into a photo
    PhotoTimes,    // a photo's times set
    JournalAppend, // one record appended to a run's journal
    JournalSync,   // the journal handed to the disk
    LogAppend,     // one line appended to the day's log
};

struct Fault {
    enum class Kind {
        None,  // the operation goes on
        Fail,  // it fails with `error` (a system error number, as ENOSPC)
        Short, // half of its bytes are written, then it fails with `error`
        Kill,  // the process dies before the operation, as by kill -9
    };
    Kind kind = Kind::None;
    int error = 0;
};

using FaultHook = Fault (*)(FaultSite site);

// Installs the hook (nullptr: none). Tests only.
void SetFaultHook(FaultHook hook);

// What the hook says about the next operation at site; a Kill never returns.
Fault CheckFault(FaultSite site);

// Ends the process at once, with no clean-up, as kill -9 does.
[[noreturn]] void KillSelf();

} // namespace tokimori
