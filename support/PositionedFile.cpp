#include "support/PositionedFile.h"

#include "support/SystemError.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tokimori {

#ifdef _WIN32

RunError PositionedFile::systemError(const char* what) const {
    return LastSystemError(what, path_);
}

Result<PositionedFile> PositionedFile::open(const std::string& path, Mode mode) {
    PositionedFile f;
    f.path_ = path;
    const DWORD access = mode == Mode::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    const DWORD share = mode == Mode::Read ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
    HANDLE h = CreateFileW(Widen(path).c_str(), access, share, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        RunError e = f.systemError("cannot open");
        // A folder opened as a file reports access denied; it is not a permission problem.
        DWORD attrs = GetFileAttributesW(Widen(path).c_str());
        if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY))
            e = MakeError(err::PathFileAccess, "not a file: " + path);
        return e;
    }
    f.handle_ = h;
    if (GetFileType(h) != FILE_TYPE_DISK)
        return MakeError(err::PathFileAccess, "not a file: " + path);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h, &size)) return f.systemError("cannot read the size of");
    f.size_ = static_cast<uint64_t>(size.QuadPart);
    return f;
}

PositionedFile::PositionedFile(PositionedFile&& o) noexcept
    : path_(std::move(o.path_)), size_(o.size_), handle_(o.handle_) {
    o.handle_ = nullptr;
}

PositionedFile& PositionedFile::operator=(PositionedFile&& o) noexcept {
    if (this != &o) {
        close();
        path_ = std::move(o.path_);
        size_ = o.size_;
        handle_ = o.handle_;
        o.handle_ = nullptr;
    }
    return *this;
}

Status PositionedFile::readAt(uint64_t offset, std::span<uint8_t> out) {
    while (!out.empty()) {
        OVERLAPPED ov{};
        ov.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
        ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD want = out.size() > 0x40000000u ? 0x40000000u : static_cast<DWORD>(out.size());
        DWORD got = 0;
        if (!ReadFile(handle_, out.data(), want, &got, &ov)) {
            RunError e = systemError("cannot read");
            e.number = err::DeviceIo;
            e.description = ErrorDescription(e.number);
            return e;
        }
        if (got == 0) return MakeError(err::DeviceIo, "file shorter than expected: " + path_);
        out = out.subspan(got);
        offset += got;
    }
    return {};
}

Status PositionedFile::writeAt(uint64_t offset, std::span<const uint8_t> data) {
    while (!data.empty()) {
        OVERLAPPED ov{};
        ov.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
        ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD put = 0;
        if (!WriteFile(handle_, data.data(), static_cast<DWORD>(data.size()), &put, &ov) ||
            put == 0) {
            RunError e = systemError("cannot write");
            if (e.number != err::DiskFull) {
                e.number = err::DeviceIo;
                e.description = ErrorDescription(e.number);
            }
            return e;
        }
        data = data.subspan(put);
        offset += put;
    }
    return {};
}

Result<int64_t> PositionedFile::modifiedUnix() const {
    FILETIME write{};
    if (!GetFileTime(handle_, nullptr, nullptr, &write))
        return systemError("cannot read the time of");
    const uint64_t ticks =
        (static_cast<uint64_t>(write.dwHighDateTime) << 32) | write.dwLowDateTime;
    return static_cast<int64_t>(ticks / 10000000ULL) - 11644473600LL;
}

Status PositionedFile::close() {
    if (!handle_) return {};
    HANDLE h = handle_;
    handle_ = nullptr;
    if (!CloseHandle(h)) return systemError("cannot close");
    return {};
}

#else

RunError PositionedFile::systemError(const char* what) const {
    return LastSystemError(what, path_);
}

Result<PositionedFile> PositionedFile::open(const std::string& path, Mode mode) {
    PositionedFile f;
    f.path_ = path;
    // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below as not a file.
    const int flags = (mode == Mode::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NONBLOCK;
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
    f.fd_ = fd;
    struct stat st {};
    if (fstat(fd, &st) != 0) return f.systemError("cannot read the size of");
    if (!S_ISREG(st.st_mode)) return MakeError(err::PathFileAccess, "not a file: " + path);
    f.size_ = static_cast<uint64_t>(st.st_size);
    return f;
}

PositionedFile::PositionedFile(PositionedFile&& o) noexcept
    : path_(std::move(o.path_)), size_(o.size_), fd_(o.fd_) {
    o.fd_ = -1;
}

PositionedFile& PositionedFile::operator=(PositionedFile&& o) noexcept {
    if (this != &o) {
        close();
        path_ = std::move(o.path_);
        size_ = o.size_;
        fd_ = o.fd_;
        o.fd_ = -1;
    }
    return *this;
}

Status PositionedFile::readAt(uint64_t offset, std::span<uint8_t> out) {
    while (!out.empty()) {
        ssize_t got = ::pread(fd_, out.data(), out.size(), static_cast<off_t>(offset));
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
    while (!data.empty()) {
        ssize_t put = ::pwrite(fd_, data.data(), data.size(), static_cast<off_t>(offset));
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
    return {};
}

Result<int64_t> PositionedFile::modifiedUnix() const {
    struct stat st {};
    if (fstat(fd_, &st) != 0) return systemError("cannot read the time of");
    return static_cast<int64_t>(st.st_mtime);
}

Status PositionedFile::close() {
    if (fd_ < 0) return {};
    const int fd = fd_;
    fd_ = -1;
    // close() is not retried on EINTR: on Linux the descriptor is gone either way.
    if (::close(fd) != 0 && errno != EINTR) return systemError("cannot close");
    return {};
}

#endif

PositionedFile::~PositionedFile() {
    close();
}

} // namespace tokimori
