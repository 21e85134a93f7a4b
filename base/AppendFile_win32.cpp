#include "base/AppendFile.h"

#include "base/FileTimeConversion_win32.h"
#include "base/SystemError.h"

#include <windows.h>

namespace tokimori {

namespace {
HANDLE Native(intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}
} // namespace

Status SyncFolder(const std::string&) {
    return {};
}

RunError AppendFile::systemError(const char* what) const {
    return LastSystemError(what, path_);
}

Result<AppendFile> AppendFile::open(const std::string& path, Create how, FaultSite site) {
    AppendFile f;
    f.path_ = path;
    f.site_ = site;
    // FILE_FLAG_OPEN_REPARSE_POINT opens a link itself instead of what it points to; a link is
    // then refused below.
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    const DWORD access = GENERIC_WRITE | GENERIC_READ;
    HANDLE h = INVALID_HANDLE_VALUE;
    if (how == Create::Exclusive) {
        h = CreateFileW(Widen(path).c_str(), access, FILE_SHARE_READ, nullptr, CREATE_NEW, flags,
                        nullptr);
        f.created_ = h != INVALID_HANDLE_VALUE;
    } else {
        h = CreateFileW(Widen(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_ALWAYS, flags, nullptr);
        f.created_ = h != INVALID_HANDLE_VALUE && GetLastError() != ERROR_ALREADY_EXISTS;
    }
    if (h == INVALID_HANDLE_VALUE) return f.systemError("cannot open");
    f.handle_ = reinterpret_cast<intptr_t>(h);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info)) return f.systemError("cannot read the size of");
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return MakeError(err::PathFileAccess, "a symbolic link: " + path);
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY || GetFileType(h) != FILE_TYPE_DISK)
        return MakeError(err::PathFileAccess, "not a file: " + path);
    f.size_ = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    return f;
}

RunError AppendFile::faultError(int systemErrorNumber) const {
    SetLastError(Win32ErrorForFault(systemErrorNumber));
    return systemError("cannot write");
}

Status AppendFile::writeAll(std::string_view bytes, uint64_t& put) {
    put = 0;
    while (!bytes.empty()) {
        // Offset 0xFFFFFFFF:0xFFFFFFFF writes at the end of the file, whoever else appended.
        OVERLAPPED ov{};
        ov.Offset = 0xFFFFFFFFu;
        ov.OffsetHigh = 0xFFFFFFFFu;
        DWORD n = 0;
        if (!WriteFile(Native(handle_), bytes.data(), static_cast<DWORD>(bytes.size()), &n, &ov) ||
            n == 0)
            return systemError("cannot write");
        NotifyIo(IoEvent::Kind::Append, path_, size_, bytes.substr(0, n));
        bytes.remove_prefix(n);
        put += n;
        size_ += n;
    }
    return {};
}

Result<uint64_t> AppendFile::currentSize() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(Native(handle_), &size)) return systemError("cannot read the size of");
    return static_cast<uint64_t>(size.QuadPart);
}

Status AppendFile::truncateTo(uint64_t size) {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(Native(handle_), at, nullptr, FILE_BEGIN) ||
        !SetEndOfFile(Native(handle_)))
        return systemError("cannot cut back");
    NotifyIo(IoEvent::Kind::CutBack, path_, size);
    size_ = size;
    return {};
}

Status AppendFile::sync() {
    const Fault fault = CheckFault(FaultSite::JournalSync);
    if (fault.kind != Fault::Kind::None) {
        SetLastError(Win32ErrorForFault(fault.error));
        return systemError("cannot write to the disk");
    }
    if (!FlushFileBuffers(Native(handle_))) return systemError("cannot write to the disk");
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
    if (remove && !DeleteFileW(Widen(path_).c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        return systemError("cannot remove");
    return closed;
}

Status AppendFile::close() {
    if (handle_ == kClosed) return {};
    HANDLE h = Native(std::exchange(handle_, kClosed));
    if (!CloseHandle(h)) return systemError("cannot close");
    return {};
}

} // namespace tokimori
