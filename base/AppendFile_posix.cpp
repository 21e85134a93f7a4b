#include "base/AppendFile.h"

#include <cerrno>

#include "base/SystemError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tokimori {

namespace {

int OpenRetrying(const std::string& path, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

Status SyncFolder(const std::string& folder) {
    const int fd = OpenRetrying(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) return LastSystemError("cannot open", folder);
    const bool synced = ::fsync(fd) == 0;
    RunError e = synced ? RunError{} : LastSystemError("cannot write to the disk", folder);
    ::close(fd);
    if (!synced) return e;
    NotifyIo(IoEvent::Kind::SyncFolder, folder);
    return {};
}

RunError AppendFile::systemError(const char* what) const {
    return LastSystemError(what, path_);
}

Result<AppendFile> AppendFile::open(const std::string& path, Create how, FaultSite site) {
    AppendFile f;
    f.path_ = path;
    f.site_ = site;
    // O_NOFOLLOW: a symbolic link put where the file belongs is refused (ELOOP), never followed.
    // O_NONBLOCK: a FIFO of that name does not block the open; it is refused below.
    const int flags = O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    int fd = -1;
    if (how == Create::Exclusive) {
        fd = OpenRetrying(path, flags | O_CREAT | O_EXCL, 0600);
        f.created_ = fd >= 0;
    } else {
        for (int attempt = 0; fd < 0 && attempt < 3; ++attempt) {
            fd = OpenRetrying(path, flags, 0);
            if (fd >= 0 || errno != ENOENT) break;
            fd = OpenRetrying(path, flags | O_CREAT | O_EXCL, 0644);
            f.created_ = fd >= 0;
            if (fd < 0 && errno != EEXIST) break;
        }
    }
    if (fd < 0) {
        if (errno == ELOOP) return MakeError(err::PathFileAccess, "a symbolic link: " + path);
        return f.systemError("cannot open");
    }
    f.handle_ = fd;
    struct stat st {};
    if (fstat(fd, &st) != 0) return f.systemError("cannot read the size of");
    if (!S_ISREG(st.st_mode)) return MakeError(err::PathFileAccess, "not a file: " + path);
    f.size_ = static_cast<uint64_t>(st.st_size);
    // The file's own flags stay blocking for the writes.
    ::fcntl(fd, F_SETFL, O_WRONLY | O_APPEND);
    return f;
}

RunError AppendFile::faultError(int systemErrorNumber) const {
    errno = systemErrorNumber;
    return systemError("cannot write");
}

Status AppendFile::writeAll(std::string_view bytes, uint64_t& put) {
    put = 0;
    while (!bytes.empty()) {
        const ssize_t n = ::write(static_cast<int>(handle_), bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return systemError("cannot write");
        }
        NotifyIo(IoEvent::Kind::Append, path_, size_, bytes.substr(0, static_cast<size_t>(n)));
        bytes.remove_prefix(static_cast<size_t>(n));
        put += static_cast<uint64_t>(n);
        size_ += static_cast<uint64_t>(n);
    }
    return {};
}

Result<uint64_t> AppendFile::currentSize() const {
    struct stat st {};
    if (fstat(static_cast<int>(handle_), &st) != 0) return systemError("cannot read the size of");
    return static_cast<uint64_t>(st.st_size);
}

Status AppendFile::truncateTo(uint64_t size) {
    if (::ftruncate(static_cast<int>(handle_), static_cast<off_t>(size)) != 0)
        return systemError("cannot cut back");
    NotifyIo(IoEvent::Kind::CutBack, path_, size);
    size_ = size;
    return {};
}

Status AppendFile::sync() {
    const Fault fault = CheckFault(FaultSite::JournalSync);
    if (fault.kind != Fault::Kind::None) {
        errno = fault.error;
        return systemError("cannot write to the disk");
    }
    if (::fdatasync(static_cast<int>(handle_)) != 0) return systemError("cannot write to the disk");
    NotifyIo(IoEvent::Kind::Sync, path_);
    return {};
}

Status AppendFile::discardIfEmpty() {
    // Only while nobody else has appended to it either: others may share a file this run made.
    const bool remove = created_ && handle_ != kClosed && [this] {
        auto now = currentSize();
        return now && now.value() == 0;
    }();
    Status closed = close();
    if (remove && ::unlink(path_.c_str()) != 0 && errno != ENOENT)
        return systemError("cannot remove");
    return closed;
}

Status AppendFile::close() {
    if (handle_ == kClosed) return {};
    const int fd = static_cast<int>(std::exchange(handle_, kClosed));
    if (::close(fd) != 0 && errno != EINTR) return systemError("cannot close");
    return {};
}

} // namespace tokimori
