#include "base/PositionedFile.h"

#include <cerrno>

#include "base/Faults.h"
#include "base/SystemError.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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
    struct stat st {};
    if (fstat(fd, &st) != 0) return f.systemError("cannot read the size of");
    if (!S_ISREG(st.st_mode)) return MakeError(err::PathFileAccess, "not a file: " + path);
    f.size_ = static_cast<uint64_t>(st.st_size);
    f.identity_ = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
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
    while (!data.empty()) {
        ssize_t put = ::pwrite(static_cast<int>(handle_), data.data(), data.size(),
                               static_cast<off_t>(offset));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            if (put == 0) errno = EIO;
            RunError e = systemError("cannot write");
            if (e.number != err::DiskFull && e.number != err::PermissionDenied) {
                e.number = err::DeviceIo;
                e.description = ErrorDescription(e.number);
            }
            return e;
        }
        data = data.subspan(static_cast<size_t>(put));
        offset += static_cast<uint64_t>(put);
    }
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
