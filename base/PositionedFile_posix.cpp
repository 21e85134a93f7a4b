#include "base/PositionedFile.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "base/Faults.h"
#include "base/SystemError.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace tokimori {

RunError PositionedFile::systemError(const char* what) const {
    return LastSystemError(what, path_);
}

Result<PositionedFile> PositionedFile::open(const std::string& path, Mode mode) {
    PositionedFile f;
    f.path_ = path;
    // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below as not a file.
    const int flags = (mode == Mode::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    auto openRetrying = [&](int withFlags) {
        int fd;
        do {
            fd = ::open(path.c_str(), withFlags);
        } while (fd < 0 && errno == EINTR);
        return fd;
    };
#ifdef O_NOATIME
    // Looking at a photo does not change its access time; only the file's owner may ask so.
    int fd = openRetrying(flags | O_NOATIME);
    if (fd < 0 && errno == EPERM) fd = openRetrying(flags);
#else
    int fd = openRetrying(flags);
#endif
    if (fd < 0) return f.systemError("cannot open");
    f.handle_ = fd;
#ifdef STATX_BTIME
    // One call for the size, the identity and the birth time where the file system keeps one.
    struct statx sx {};
    if (statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) == 0) {
        if (!S_ISREG(sx.stx_mode)) return MakeError(err::PathFileAccess, "not a file: " + path);
        f.size_ = sx.stx_size;
        f.identity_ = {
            static_cast<uint64_t>(makedev(sx.stx_dev_major, sx.stx_dev_minor)), sx.stx_ino, {}};
        if (sx.stx_mask & STATX_BTIME)
            f.identity_.born = {sx.stx_btime.tv_sec, static_cast<int32_t>(sx.stx_btime.tv_nsec)};
        return f;
    }
#endif
    struct stat st {};
    if (fstat(fd, &st) != 0) return f.systemError("cannot read the size of");
    if (!S_ISREG(st.st_mode)) return MakeError(err::PathFileAccess, "not a file: " + path);
    f.size_ = static_cast<uint64_t>(st.st_size);
    f.identity_ = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), {}};
    return f;
}

Status PositionedFile::readAt(uint64_t offset, std::span<uint8_t> out) {
    while (!out.empty()) {
        ssize_t got =
            ::pread(static_cast<int>(handle_), out.data(), out.size(), static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            RunError e = systemError("cannot read");
            e.number = err::DeviceIo;
            e.description = ErrorDescription(e.number);
            return e;
        }
        if (got == 0) return MakeError(err::DeviceIo, "file shorter than expected: " + path_);
        out = out.subspan(static_cast<size_t>(got));
        offset += static_cast<uint64_t>(got);
    }
    return {};
}

Status PositionedFile::writeAt(uint64_t offset, std::span<const uint8_t> data) {
    const Fault fault = CheckFault(FaultSite::PhotoWrite);
    if (fault.kind == Fault::Kind::Short) data = data.first(data.size() / 2);
    const uint64_t start = offset;
    const std::span<const uint8_t> all = data;
    while (!data.empty()) {
        ssize_t put = ::pwrite(static_cast<int>(handle_), data.data(), data.size(),
                               static_cast<off_t>(offset));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            if (put == 0) errno = EIO;
            RunError e = systemError("cannot write");
            if (offset > start)
                NotifyIo(IoEvent::Kind::Write, path_, start,
                         {reinterpret_cast<const char*>(all.data()), offset - start});
            if (e.number != err::DiskFull && e.number != err::PermissionDenied) {
                e.number = err::DeviceIo;
                e.description = ErrorDescription(e.number);
            }
            return e;
        }
        data = data.subspan(static_cast<size_t>(put));
        offset += static_cast<uint64_t>(put);
    }
    NotifyIo(IoEvent::Kind::Write, path_, start,
             {reinterpret_cast<const char*>(all.data()), all.size()});
    if (fault.kind != Fault::Kind::None) {
        errno = fault.error;
        return systemError("cannot write");
    }
    return {};
}

Result<FileTimes> PositionedFile::times() const {
    struct stat st {};
    if (fstat(static_cast<int>(handle_), &st) != 0) return systemError("cannot read the times of");
    FileTimes t;
    t.modified = {static_cast<int64_t>(st.st_mtim.tv_sec),
                  static_cast<int32_t>(st.st_mtim.tv_nsec)};
    t.accessed = {static_cast<int64_t>(st.st_atim.tv_sec),
                  static_cast<int32_t>(st.st_atim.tv_nsec)};
    t.created = t.modified;
    return t;
}

Result<FileInstant> PositionedFile::changed() const {
    struct stat st {};
    if (fstat(static_cast<int>(handle_), &st) != 0) return systemError("cannot read the times of");
    return FileInstant{static_cast<int64_t>(st.st_ctim.tv_sec),
                       static_cast<int32_t>(st.st_ctim.tv_nsec)};
}

Status PositionedFile::setTimes(const FileTimes& t) {
    const Fault fault = CheckFault(FaultSite::PhotoTimes);
    if (fault.kind != Fault::Kind::None) {
        errno = fault.error;
        return systemError("cannot set the times of");
    }
    const struct timespec ts[2] = {
        {static_cast<time_t>(t.accessed.seconds), t.accessed.nanoseconds},
        {static_cast<time_t>(t.modified.seconds), t.modified.nanoseconds}};
    if (futimens(static_cast<int>(handle_), ts) != 0) return systemError("cannot set the times of");
    NotifyIo(IoEvent::Kind::Times, path_, 0, {}, t);
    return {};
}

Result<uint64_t> PositionedFile::currentSize() const {
    struct stat st {};
    if (fstat(static_cast<int>(handle_), &st) != 0) return systemError("cannot read the size of");
    return static_cast<uint64_t>(st.st_size);
}

Status PositionedFile::sync() {
    if (::fsync(static_cast<int>(handle_)) != 0) return systemError("cannot write to the disk");
    NotifyIo(IoEvent::Kind::Sync, path_);
    return {};
}

Status SyncFiles(std::span<PositionedFile* const> files) {
    // syncfs hands a whole file system to the disk with one journal commit: far cheaper than a
    // flush per photo, and each file system's own errors are reported since Linux 5.8.
    std::vector<uint64_t> done;
    for (PositionedFile* f : files) {
        const uint64_t device = f->identity().device;
        if (std::find(done.begin(), done.end(), device) != done.end()) continue;
        if (::syncfs(static_cast<int>(f->handle_)) != 0)
            return f->systemError("cannot write to the disk");
        NotifyIo(IoEvent::Kind::SyncAll, f->path());
        done.push_back(device);
    }
    return {};
}

Result<bool> PositionedFile::tryLockExclusive() {
    for (;;) {
        if (flock(static_cast<int>(handle_), LOCK_EX | LOCK_NB) == 0) return true;
        if (errno == EINTR) continue;
        if (errno == EWOULDBLOCK) return false;
        return systemError("cannot lock");
    }
}

Status PositionedFile::close() {
    if (handle_ == kClosed) return {};
    const int fd = static_cast<int>(std::exchange(handle_, kClosed));
    // close() is not retried on EINTR: on Linux the descriptor is gone either way.
    if (::close(fd) != 0 && errno != EINTR) return systemError("cannot close");
    return {};
}

} // namespace tokimori
