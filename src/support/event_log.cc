#include "support/event_log.h"

#include <cstdio>

#include "platform/debug_output.h"
#include "platform/file_system.h"

namespace radlyn {
namespace {

EventLogFolderSource g_folder_source = nullptr;

}  // namespace

EventLogFolderSource SetEventLogFolderSource(EventLogFolderSource source) {
  EventLogFolderSource previous = g_folder_source;
  g_folder_source = source;
  return previous;
}

std::string GetEventLogPath() {
  std::string folder = g_folder_source != nullptr ? g_folder_source() : std::string();
  return folder + kEventLogFileName;
}

std::string FormatEventLogLine(const platform::LocalTime& time, std::string_view source,
                               std::string_view message) {
  // Widths as strftime gives them; out-of-range fields still fit the buffer.
  char stamp[80];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d", time.year, time.month,
                time.day, time.hour, time.minute, time.second);
  return FormatEventLogLine(std::string_view(stamp), source, message);
}

std::string FormatEventLogLine(std::string_view stamp, std::string_view source,
                               std::string_view message) {
  std::string line(stamp);
  line += " [";
  line += source;
  line += "] ";
  line += message;
  return line;
}

bool WriteEventLog(std::string_view source, std::string_view message) {
  const std::string line = FormatEventLogLine(platform::GetClock().Now(), source, message);
  // One append per line: the whole line reaches the file in a single write.
  if (platform::GetFileSystem().AppendToFile(GetEventLogPath(), line + "\r\n")) return true;
  // A log that cannot be written (a read-only Morlund folder) must not swallow the line: it goes
  // to the debug output, where a capture tool shows it.
  platform::WriteDebugOutput(std::string(kEventLogDebugPrefix) + line + "\n");
  return false;
}

}  // namespace radlyn
