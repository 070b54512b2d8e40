// Morlund's event log: the plain-text file "morlund.log" in the Morlund folder.
//
// WriteEventLog appends one line "<local time> [<source>] <message>" followed by CR LF, the time
// as "%Y-%m-%dT%H:%M:%S". The file is opened, written once, flushed and closed for every line, so
// other writers (Morlund itself) can share it. Sources in use: "Info", "Warning", "Error". The
// result is false only when the file could not be opened or written; callers may ignore it, as
// the line then goes to the debug output instead, after kEventLogDebugPrefix.
//
// The Morlund folder is found by the host link, which lies above this layer, so the folder comes
// from a lookup installed with SetEventLogFolderSource (the application installs
// GetMorlundFolder). Without a lookup, or when it answers empty text, the line goes to the bare
// name "morlund.log", relative to the current folder.
#pragma once

#include <string>
#include <string_view>

#include "platform/clock.h"

namespace radlyn {

inline constexpr const char* kEventLogFileName = "morlund.log";
// Starts each line that the event log could not take, in the debug output.
inline constexpr const char* kEventLogDebugPrefix = "Radlyn morlund.log unwritable: ";

// Answers the Morlund folder with a trailing separator, or empty text.
using EventLogFolderSource = std::string (*)();

// Installs the folder lookup (nullptr: none) and answers the previous one.
EventLogFolderSource SetEventLogFolderSource(EventLogFolderSource source);

// The log file's path: the folder lookup's answer followed by "morlund.log".
std::string GetEventLogPath();

// One log line without its line break; `stamp` stands in place of the time.
std::string FormatEventLogLine(const platform::LocalTime& time, std::string_view source,
                               std::string_view message);
std::string FormatEventLogLine(std::string_view stamp, std::string_view source,
                               std::string_view message);

bool WriteEventLog(std::string_view source, std::string_view message);

}  // namespace radlyn
