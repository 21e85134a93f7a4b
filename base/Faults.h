#pragma once
// A seam for failure-injection tests: the file layer asks here before each write of a kind, and
// a test can answer that the write fails (a full disk, an I/O error), stops half-way, or that the
// process dies at that moment as if killed. Programs never set a hook; then every answer is
// "go on" at the cost of one load.

#include <cstdint>
#include <string>
#include <string_view>

#include "base/FileTimes.h"

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

// What a test sees of the program's changes to files, each told once it is made: enough to
// rebuild what the disk holds after a power cut at any moment (what was handed to the disk, and
// any part of what was not). Programs never set an observer.
struct IoEvent {
    enum class Kind {
        Write,      // bytes written into a file at `offset` (a photo's date text)
        Times,      // a file's times set to `times`
        Append,     // bytes appended at the file's end (a journal record, a log line)
        CutBack,    // the file cut back to `offset` bytes
        Sync,       // the file's writes, times and size handed to the disk
        SyncAll,    // every file of the file system that holds `path` handed to the disk
        SyncFolder, // the folder's entries handed to the disk
    };
    Kind kind = Kind::Write;
    const std::string* path = nullptr;
    uint64_t offset = 0;
    std::string_view bytes;
    FileTimes times;
};
using IoObserver = void (*)(const IoEvent& event);

// Installs the observer (nullptr: none). Tests only.
void SetIoObserver(IoObserver observer);

// Tells the observer, if there is one; the file layer calls it after each change succeeded.
void NotifyIo(IoEvent::Kind kind, const std::string& path, uint64_t offset = 0,
              std::string_view bytes = {}, const FileTimes& times = {});

} // namespace tokimori
