#include "base/AppendFile.h"

namespace tokimori {

Status AppendFile::append(std::string_view bytes) {
    const std::string one(bytes);
    size_t whole = 0;
    return appendRecords(std::span<const std::string>(&one, 1), whole);
}

Status AppendFile::appendRecords(std::span<const std::string> records, size_t& whole) {
    whole = 0;
    // An injected failure hits one record: those before it are written, it is cut or refused.
    size_t upTo = records.size();
    Fault fault;
    for (size_t i = 0; i < records.size(); ++i) {
        fault = CheckFault(site_);
        if (fault.kind != Fault::Kind::None) {
            upTo = i;
            break;
        }
    }
    std::string bytes;
    for (size_t i = 0; i < upTo; ++i)
        bytes += records[i];
    if (fault.kind == Fault::Kind::Short)
        bytes += records[upTo].substr(0, records[upTo].size() / 2);

    const uint64_t before = size_;
    uint64_t put = 0;
    Status written = writeAll(bytes, put);
    uint64_t end = before; // the end of the last whole record
    for (size_t i = 0; i < upTo && end + records[i].size() <= before + put; ++i) {
        end += records[i].size();
        ++whole;
    }
    if (written && fault.kind == Fault::Kind::None) return {};
    const RunError e = written ? faultError(fault.error) : written.error();
    if (size_ != end) {
        // Half a record comes off again, only while what follows the last whole record is all
        // this call's: others may append to the file, even to one this run created.
        auto now = currentSize();
        if (now && now.value() == size_) (void)truncateTo(end);
    }
    return e;
}

} // namespace tokimori
