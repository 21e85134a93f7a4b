#pragma once
// A text file that only grows, for the run's journal and the day's log: opened without following
// a symbolic link, refused unless it is a regular file, appended to with one write per record.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "base/Faults.h"
#include "base/RunError.h"

namespace tokimori {

// Hands a folder's entries to the disk (a file just made there survives a power cut); nothing
// to do on Windows, where the file system journals them.
Status SyncFolder(const std::string& folder);

class AppendFile {
  public:
    enum class Create {
        Exclusive,    // a new file, readable by its owner only; an existing name is an error
        OpenOrCreate, // the existing file, or a new one
    };

    // site names the writes for the failure-injection seam.
    static Result<AppendFile> open(const std::string& path, Create how, FaultSite site);

    AppendFile(AppendFile&& o) noexcept
        : path_(std::move(o.path_)), site_(o.site_), size_(o.size_), created_(o.created_),
          handle_(std::exchange(o.handle_, kClosed)) {}
    AppendFile& operator=(AppendFile&& o) noexcept {
        if (this != &o) {
            (void)close();
            path_ = std::move(o.path_);
            site_ = o.site_;
            size_ = o.size_;
            created_ = o.created_;
            handle_ = std::exchange(o.handle_, kClosed);
        }
        return *this;
    }
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;
    ~AppendFile() { (void)close(); }

    // Appends bytes. When they cannot all be written (a full disk), the file is cut back to its
    // size before the call, so it never ends in half a record (a file others append to, only
    // while nobody else has appended since).
    Status append(std::string_view bytes);

    // Appends records with one write. When they cannot all be written, whole tells how many
    // (from the first) are in the file whole, and the file is cut back to the end of the last of
    // them, as append() does. The failure-injection seam is asked once per record.
    Status appendRecords(std::span<const std::string> records, size_t& whole);

    // Hands what was appended to the disk (fdatasync, FlushFileBuffers).
    Status sync();

    // Removes the file when this open created it and nothing was appended, then closes it.
    Status discardIfEmpty();

    Status close();

    const std::string& path() const { return path_; }
    bool created() const { return created_; }
    uint64_t size() const { return size_; }

  private:
    AppendFile() = default;
    RunError systemError(const char* what) const;
    // The error of an injected failure, as the system would give it.
    RunError faultError(int systemErrorNumber) const;
    // Writes all of bytes at the file's end; put receives how many were written.
    Status writeAll(std::string_view bytes, uint64_t& put);
    // The file's size as the system has it now (others may have appended).
    Result<uint64_t> currentSize() const;
    Status truncateTo(uint64_t size);

    std::string path_;
    FaultSite site_ = FaultSite::LogAppend;
    uint64_t size_ = 0; // the file's size as this handle knows it (its end after our appends)
    bool created_ = false;
    static constexpr intptr_t kClosed = -1;
    intptr_t handle_ = kClosed;
};

} // namespace tokimori
