#pragma once
// A file opened for one operation and read or written at absolute offsets (pread/pwrite, or
// ReadFile/WriteFile with an offset on Windows). Closed by close() or on destruction. Its times,
// identity and lock go through the same handle, so one open serves a photo's whole step.

#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "base/ByteSource.h"
#include "base/FileTimes.h"

namespace tokimori {

class PositionedFile final : public ByteSource {
  public:
    enum class Mode { Read, ReadWrite };

    // Opens a regular file. Errors: 53 not found, 70 permission denied, 75 anything else that
    // keeps the file from being opened (a folder, a device, a bad name).
    static Result<PositionedFile> open(const std::string& path, Mode mode);

    PositionedFile(PositionedFile&& o) noexcept
        : path_(std::move(o.path_)), size_(o.size_), identity_(o.identity_),
          handle_(std::exchange(o.handle_, kClosed)) {}
    PositionedFile& operator=(PositionedFile&& o) noexcept {
        if (this != &o) {
            (void)close();
            path_ = std::move(o.path_);
            size_ = o.size_;
            identity_ = o.identity_;
            handle_ = std::exchange(o.handle_, kClosed);
        }
        return *this;
    }
    PositionedFile(const PositionedFile&) = delete;
    PositionedFile& operator=(const PositionedFile&) = delete;
    ~PositionedFile() override { (void)close(); }

    uint64_t size() const override { return size_; }
    Status readAt(uint64_t offset, std::span<uint8_t> out) override;
    Status writeAt(uint64_t offset, std::span<const uint8_t> data) override;

    // Last-modification time as seconds since 1970-01-01 UTC, read from the open file.
    Result<int64_t> modifiedUnix() const;

    // The file's times, read from the open file.
    Result<FileTimes> times() const;
    // When the file last changed in any way (its content, times or attributes): the status
    // change time. A write sets it with the last-write time; setting the times alone does not
    // make the two equal.
    Result<FileInstant> changed() const;
    // The file's identity, as the open found it.
    const FileIdentity& identity() const { return identity_; }

    // Sets the file's times through the handle (on POSIX systems the creation time cannot be
    // set and is ignored). Errors: 70 the file cannot be changed, 5 a time out of range.
    Status setTimes(const FileTimes& times);

    // The file's size as the system has it now (another program may have changed it).
    Result<uint64_t> currentSize() const;

    // Hands the file's writes and times to the disk (fsync, FlushFileBuffers).
    Status sync();

    // Takes an exclusive lock on the whole file for as long as it stays open (flock;
    // LockFileEx on Windows). Another holder is waited for up to `waitMilliseconds`; then
    // error 70 (the file is in use).
    Status lockExclusive(int waitMilliseconds);
    // One try at that lock: true when taken, false while another holder has it.
    Result<bool> tryLockExclusive();

    // Closes the file and reports what the system says about it; safe to call twice.
    Status close();

    const std::string& path() const { return path_; }

  private:
    PositionedFile() = default;
    RunError systemError(const char* what) const;

    std::string path_;
    uint64_t size_ = 0;
    FileIdentity identity_;
    // The system's handle: a file descriptor, or a Windows HANDLE; kClosed when none.
    static constexpr intptr_t kClosed = -1;
    intptr_t handle_ = kClosed;

    friend Status SyncFiles(std::span<PositionedFile* const> files);
};

// Hands the writes and times of every file given to the disk, the cheapest way the system has:
// each file system once (syncfs) on Linux, each file on its own on Windows.
Status SyncFiles(std::span<PositionedFile* const> files);

} // namespace tokimori
