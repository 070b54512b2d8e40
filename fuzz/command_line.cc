// Command-line parameters as a client may pass them: split at NUL bytes, each handed to the
// parameter hook; then the keys start-up asks for and the parent-window reading.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/command_line_info.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  radlyn::CRadlynCommandLineInfo info;
  std::string_view key = "datapath";
  for (std::size_t start = 0; start <= input.size();) {
    std::size_t end = input.find('\0', start);
    if (end == std::string_view::npos) end = input.size();
    info.ParseParam(input.substr(start, end - start));
    if (start == 0) key = input.substr(0, end);  // the first piece doubles as a key
    start = end + 1;
  }

  for (const std::string& parameter : info.GetParameters()) {
    for (char c : parameter) {
      if (c >= 'A' && c <= 'Z') std::abort();  // every parameter is lowered in full
    }
  }
  for (std::string_view name : {std::string_view("datapath"), std::string_view("parentwnd"), key}) {
    const std::string value = info.GetParameterValue(name);
    // A value is always the tail of one of the parameters.
    bool found = value.empty();
    for (const std::string& parameter : info.GetParameters()) {
      found = found || parameter.ends_with(value);
    }
    if (!found) std::abort();
  }
  const radlyn::platform::WindowHandle window =
      radlyn::ParseParentWindow(info.GetParameterValue("parentwnd"));
  if (window > 0x7FFFFFFFu) std::abort();
  (void)info.IsHelpRequested();
  return 0;
}
