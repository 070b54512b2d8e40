// hostsim-calls.log: one line per call into a simulated Morlund component, appended to the file
// in the installation folder. A line reads
//   NAME(ARG, ARG, ...) = RESULT[ KEY=VALUE ...]
// with texts in double quotes (\" \\ and \xNN for bytes outside printable ASCII), numbers in
// decimal, handles and masks as 0x and eight hex digits, records in braces after their handle.
// hostsim/README.md documents the format; tests parse it. Each line is written with a single
// append so lines of different processes never interleave. A log that cannot be written is
// skipped silently: logging never changes a call's outcome.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hostsim {

inline constexpr const char* kCallLogName = "hostsim-calls.log";

// Appends `line` and a line feed to the calls log in `folder` (ending in a separator).
void AppendCallLog(const std::string& folder, std::string_view line);

// Argument formatting.
std::string Quoted(std::string_view text);   // "text", escaped as above; nullptr-safe below
std::string QuotedOrNull(const char* text);  // null for a null pointer
std::string Hex32(std::uint32_t value);      // 0x0001A2B3
std::string Bytes(const void* data, std::size_t size);  // hex bytes; "zeroN" when all N are 0

// Builds one line, in whatever order the parts are given:
//   LogLine("F").Arg("1").Arg(Quoted("x")).Result("0").Detail("k", "v").WriteTo(folder);
class LogLine {
 public:
  explicit LogLine(std::string_view name);
  LogLine& Arg(std::string_view formatted);
  LogLine& Arg(std::int64_t number);
  LogLine& Result(std::string_view formatted);
  LogLine& Result(std::int64_t number);
  LogLine& Detail(std::string_view key, std::string_view formatted);
  LogLine& Detail(std::string_view key, std::int64_t number);
  std::string Text() const;
  // Appends the line to the calls log of `folder`.
  void WriteTo(const std::string& folder) const;

 private:
  std::string name_;
  std::string args_;
  std::string result_ = "void";
  std::string details_;
};

}  // namespace hostsim
