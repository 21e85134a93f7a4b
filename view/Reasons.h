#pragma once
// Why something was left alone, in the windows' words: a date text stepped over, a photo a run
// left alone, a photo an undo could not put back.

#include <string>

#include "exif/ExifWriter.h"
#include "run/RunLoop.h"
#include "run/Undo.h"

namespace tokimori {

// "長さが足りません", …: why a date text was stepped over as unsafe to write.
std::string SkipReasonWords(SkipReason why);
// "DateTimeDigitized（長さが足りません）、…": the texts of a plan stepped over.
std::string SkippedWords(const std::vector<SkippedDate>& skipped);
// "（…ため、変更しませんでした）": why a run left a photo alone; for Skipped, kUnsafeDates.
std::string RefusalWords(const PhotoOutcome& o);
// Why an undo did not put a photo back.
std::string UndoRefusalWords(const UndoOutcome& o);

inline constexpr char kUnsafeDates[] =
    "（日付の位置が安全に書き換えられないため、変更しませんでした）";

} // namespace tokimori
