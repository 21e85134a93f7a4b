#pragma once
// The daily operation log: one line per changed photo in "Date" + yyyyMMdd + ".log"; when a new
// day's log begins, the oldest logs are removed so that at most three remain.

#include <optional>
#include <string>

#include "base/AppendFile.h"
#include "base/Messages.h"
#include "base/RunError.h"
#include "filetime/LocalTime.h"

namespace tokimori {

LocalDateTime LocalNow();

// Where the logs go: the program's folder, or when that cannot be written (an installed copy),
// the per-user data folder ($XDG_DATA_HOME/Tokimori, %LOCALAPPDATA%\Tokimori), made if missing.
std::string LogFolder(const std::string& programFolder);
std::string LogFolder();

// Makes sure a run can write its log and journal in folder before it touches a photo: a missing
// folder is made; a folder that cannot be written (or a file in its place) is an error.
Status PrepareLogFolder(const std::string& folder);

// "Date20061206.log" for 6 December 2006.
std::string LogNameFor(const LocalDateTime& day);

// "Date" + a real calendar date yyyyMMdd + ".log" (letter case of "Date" and ".log" aside).
// Only such names count as logs: a user's "Date1999plan.log" is not one.
bool IsLogName(const std::string& name);

// The eight characters after "Date" (characters 5 to 12).
std::string LogDateOf(const std::string& name);

// Today's log path in folder. When today's log does not exist yet, removes the logs with the
// oldest dates (the first listed of equal dates) until at most two remain; only regular files
// with log names count. (Journals are the undo, not a log: they have rules of their own.)
// Something other than a file under today's log name is error 75. A failure to list or to remove
// is returned.
Result<std::string> LogFileName(const std::string& folder, const LocalDateTime& today,
                                const MessageSink& report);

// "2006/12/06-14:03:22 ExifData> text" followed by CR LF.
std::string FormatLogLine(const LocalDateTime& now, const std::string& kind,
                          const std::string& text);

// A text with its control characters (tab, line feed …, and DEL) written as %XX, so that it
// stays on one line whatever it holds; with escapePercent "%" too, so that it reads back exactly.
std::string EscapeControls(const std::string& text, bool escapePercent = false);
// The log's form: one photo stays one line whatever its name holds.
inline std::string EscapeLogText(const std::string& text) {
    return EscapeControls(text);
}

// The text shown when a log line cannot be written.
MessageRequest LogFailureMessage(const RunError& e);

// Whether a file or folder of that path exists; an error while looking is reported and
// answers false.
bool LogFileExists(const std::string& path, const MessageSink& report);

} // namespace tokimori
