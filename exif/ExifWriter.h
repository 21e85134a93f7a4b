#pragma once
// Rewrites the three Exif date-time texts of one JPEG photo in place: IFD0 DateTime, and the
// Exif directory's DateTimeOriginal and DateTimeDigitized. Nothing outside the old texts is
// ever written and the file keeps its size.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/RunError.h"
#include "exif/ByteReader.h"

namespace tokimori {

// One rewrite of one date-time text.
struct DateWrite {
    uint16_t tag = 0;
    uint64_t offset = 0;  // file offset of the text
    std::string oldBytes; // what stood there
    std::string newBytes; // what is written: NewDateText
};

// A date entry the writer stepped over as unsafe to write, and why.
struct SkippedDate {
    uint16_t tag = 0;
    uint64_t offset = 0;
    std::string reason;
};

struct DatePlan {
    bool reachedEnd = false;  // the walk reached the end of the Exif directory (or of IFD0)
    bool DateChanged = false; // IFD0's DateTime is among the writes
    std::vector<DateWrite> writes;
    std::vector<SkippedDate> skipped;
};

// NewDateText: "yyyy:mm:dd hh:mm:ss", or "yyyy:mm:dd" to keep each text's own time of day.
// FilterDate: empty, or "yyyy:mm:dd": only texts whose first 10 characters equal it change.
Status CheckDateTexts(const std::string& newDateText, const std::string& filterDate);

// Walks the Exif data and lists the rewrites, writing nothing. A date entry is rewritten only
// when it is ASCII, its count covers the new text, and the text lies inside the Exif APP1
// segment; any other date entry is stepped over.
DatePlan PlanExifDateWrite(ByteReader& r, const std::string& newDateText,
                           const std::string& filterDate);

// A date text the walk allows writing in this file now (every safety rule applied): its tag,
// file offset and the entry's count.
struct DateSlot {
    uint16_t tag = 0;
    uint64_t offset = 0;
    uint32_t count = 0;
};
std::vector<DateSlot> FindDateSlots(ByteReader& r);

// Writes the plan's texts in order.
Status ApplyDatePlan(ByteReader& r, const DatePlan& plan);

// Opens folder + name for reading and writing, plans and applies the rewrite, closes the file.
// reachedEnd is the writer's result; DateChanged tells whether IFD0's DateTime was rewritten.
Result<DatePlan> WriteExifDate(const std::string& folder, const std::string& name,
                               const std::string& newDateText, const std::string& filterDate);

// The same with two hooks: dryRun plans without writing anything (the file is still opened for
// writing, so a photo that could not be changed is reported); beforeApply runs after the plan
// and before the first write, and its failure leaves the file untouched.
struct WriteHooks {
    bool dryRun = false;
    std::function<Status(const DatePlan&)> beforeApply;
};
Result<DatePlan> WriteExifDate(const std::string& folder, const std::string& name,
                               const std::string& newDateText, const std::string& filterDate,
                               const WriteHooks& hooks);

// "DateTime", "DateTimeOriginal", "DateTimeDigitized".
const char* DateTagName(uint16_t tag);

} // namespace tokimori
