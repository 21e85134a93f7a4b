#include "base/PositionedFile.h"

#include "base/Faults.h"
#include "base/FileTimeConversion_win32.h"
#include "base/SystemError.h"

#include <windows.h>

namespace tokimori {

namespace {
HANDLE Native(intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}
} // namespace

RunError PositionedFile::systemError(const char* what) const {
    return LastSystemError(what, path_);
}

Result<PositionedFile> PositionedFile::open(const std::string& path, Mode mode) {
    PositionedFile f;
    f.path_ = path;
    const DWORD access = mode == Mode::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    // Others may open the file too; two runs keep out of each other's way by the lock.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
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
    f.handle_ = reinterpret_cast<intptr_t>(h);
    // Looking at a photo does not change its access time: an access time of all ones asks the
    // system to leave it alone for this handle.
    const FILETIME keep{0xFFFFFFFFu, 0xFFFFFFFFu};
    SetFileTime(h, nullptr, &keep, nullptr);
    if (GetFileType(h) != FILE_TYPE_DISK)
        return MakeError(err::PathFileAccess, "not a file: " + path);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info)) return f.systemError("cannot read the size of");
    f.size_ = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    // No birth moment: the creation time is one of the times a run sets. (NTFS file indexes
    // carry a sequence number of their own, so a reused index is another number.)
    f.identity_ = {info.dwVolumeSerialNumber,
                   (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
                   {}};
    return f;
}

Status PositionedFile::readAt(uint64_t offset, std::span<uint8_t> out) {
    while (!out.empty()) {
        OVERLAPPED ov{};
        ov.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
        ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD want = out.size() > 0x40000000u ? 0x40000000u : static_cast<DWORD>(out.size());
        DWORD got = 0;
        if (!ReadFile(Native(handle_), out.data(), want, &got, &ov)) {
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
    const Fault fault = CheckFault(FaultSite::PhotoWrite);
    if (fault.kind == Fault::Kind::Short) data = data.first(data.size() / 2);
    const uint64_t start = offset;
    const std::span<const uint8_t> all = data;
    while (!data.empty()) {
        OVERLAPPED ov{};
        ov.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
        ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD put = 0;
        if (!WriteFile(Native(handle_), data.data(), static_cast<DWORD>(data.size()), &put, &ov) ||
            put == 0) {
            RunError e = systemError("cannot write");
            if (offset > start)
                NotifyIo(IoEvent::Kind::Write, path_, start,
                         {reinterpret_cast<const char*>(all.data()), offset - start});
            if (e.number != err::DiskFull) {
                e.number = err::DeviceIo;
                e.description = ErrorDescription(e.number);
            }
            return e;
        }
        data = data.subspan(put);
        offset += put;
    }
    NotifyIo(IoEvent::Kind::Write, path_, start,
             {reinterpret_cast<const char*>(all.data()), all.size()});
    if (fault.kind != Fault::Kind::None) {
        SetLastError(Win32ErrorForFault(fault.error));
        return systemError("cannot write");
    }
    return {};
}

Result<FileTimes> PositionedFile::times() const {
    FILETIME created{}, accessed{}, written{};
    if (!GetFileTime(Native(handle_), &created, &accessed, &written))
        return systemError("cannot read the times of");
    return FileTimes{FromFileTime(written), FromFileTime(accessed), FromFileTime(created)};
}

Result<FileInstant> PositionedFile::changed() const {
    FILE_BASIC_INFO info{};
    if (!GetFileInformationByHandleEx(Native(handle_), FileBasicInfo, &info, sizeof info))
        return systemError("cannot read the times of");
    FILETIME ft{static_cast<DWORD>(info.ChangeTime.LowPart),
                static_cast<DWORD>(info.ChangeTime.HighPart)};
    return FromFileTime(ft);
}

Status PositionedFile::setTimes(const FileTimes& t) {
    const Fault fault = CheckFault(FaultSite::PhotoTimes);
    if (fault.kind != Fault::Kind::None) {
        SetLastError(Win32ErrorForFault(fault.error));
        return systemError("cannot set the times of");
    }
    // A FILETIME counts from 1601; an earlier time has no FILETIME (and 0 would mean "leave
    // this time as it is").
    for (const FileInstant* i : {&t.created, &t.accessed, &t.modified})
        if (i->seconds <= -kUnixEpochIn1601)
            return MakeError(err::InvalidCall, "a time before 1601 for " + path_);
    const FILETIME created = ToFileTime(t.created);
    const FILETIME accessed = ToFileTime(t.accessed);
    const FILETIME modified = ToFileTime(t.modified);
    if (!SetFileTime(Native(handle_), &created, &accessed, &modified))
        return systemError("cannot set the times of");
    NotifyIo(IoEvent::Kind::Times, path_, 0, {}, t);
    return {};
}

Result<uint64_t> PositionedFile::currentSize() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(Native(handle_), &size)) return systemError("cannot read the size of");
    return static_cast<uint64_t>(size.QuadPart);
}

Status PositionedFile::sync() {
    if (!FlushFileBuffers(Native(handle_))) return systemError("cannot write to the disk");
    NotifyIo(IoEvent::Kind::Sync, path_);
    return {};
}

Status SyncFiles(std::span<PositionedFile* const> files) {
    // Windows flushes a whole volume only for an administrator: each file on its own.
    for (PositionedFile* f : files) {
        Status s = f->sync();
        if (!s) return s;
    }
    return {};
}

Result<bool> PositionedFile::tryLockExclusive() {
    OVERLAPPED ov{};
    if (LockFileEx(Native(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                   MAXDWORD, MAXDWORD, &ov))
        return true;
    if (GetLastError() == ERROR_LOCK_VIOLATION) return false;
    return systemError("cannot lock");
}

Status PositionedFile::close() {
    if (handle_ == kClosed) return {};
    HANDLE h = Native(std::exchange(handle_, kClosed));
    if (!CloseHandle(h)) return systemError("cannot close");
    return {};
}

} // namespace tokimori
