#pragma once
// The daily operation log: one line per changed photo in "Date" + yyyyMMdd + ".log"; when a new
// day's log begins, the oldest logs are removed so that at most three remain.

#include <string>

#include "base/Messages.h"
#include "base/RunError.h"
#include "filetime/LocalTime.h"

namespace tokimori {

LocalDateTime LocalNow();

// Where the logs go: the program's folder, or when that cannot be written (an installed copy),
// the per-user data folder ($XDG_DATA_HOME/Tokimori, %LOCALAPPDATA%\Tokimori), made if missing.
std::string LogFolder(const std::string& programFolder);
std::string LogFolder();

// "Date20061206.log" for 6 December 2006.
std::string LogNameFor(const LocalDateTime& day);

// "Date" + any eight characters + ".log".
bool IsLogName(const std::string& name);

// The eight characters after "Date" (characters 5 to 12).
std::string LogDateOf(const std::string& name);

// Today's log path in folder. When today's log does not exist yet, removes the logs with the
// oldest dates (the first listed of equal dates) until at most two remain. A failure to list
// or to remove is returned.
Result<std::string> LogFileName(const std::string& folder, const LocalDateTime& today,
                                const MessageSink& report);

// "2006/12/06-14:03:22 ExifData> text" followed by CR LF.
std::string FormatLogLine(const LocalDateTime& now, const std::string& kind,
                          const std::string& text);

// Appends one line (UTF-8 text; the system's ANSI code page on Windows) and closes the file.
Status AppendLogLine(const std::string& path, const std::string& line);

// Appends a line stamped now; a failure is reported through `report` ("ログ出力エラー") and the
// line is lost. Returns whether the line was written.
bool WriteLog(const std::string& kind, const std::string& text, const std::string& path,
              const MessageSink& report);

// Whether a file or folder of that path exists; an error while looking is reported and
// answers false.
bool LogFileExists(const std::string& path, const MessageSink& report);

} // namespace tokimori
