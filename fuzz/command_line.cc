// The command line as a client may write it: the first four bytes are a window handle, the rest
// is the command-line text, split as the platform splits it and handed to the parameter hook
// after a leading "/PARENTWND=0X<handle>" written in capitals. Checks: every parameter is lowered
// in full; a value is the tail of a parameter; the first `parentwnd` wins and gives back its
// handle (saturated at 0x7FFFFFFF); any `parentwnd` value reads as a separate hexadecimal reader
// reads it; help is asked for exactly by a whole "?" or "help".
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "app/command_line_info.h"
#include "platform/process.h"

namespace {

// Aborts, naming the line of the failed check (the compiler fills in the caller's line).
void Check(bool condition, int line = __builtin_LINE()) {
  if (condition) return;
  std::fprintf(stderr, "check failed at line %d\n", line);
  std::abort();
}

// What a parent-window value means: "0x", then hexadecimal digits up to the first other
// character, saturating at 0x7FFFFFFF; anything else is no window.
std::uint64_t ExpectedWindow(std::string_view value) {
  if (!value.starts_with("0x")) return 0;
  std::uint64_t handle = 0;
  for (char c : value.substr(2)) {
    int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (digit < 0) break;
    handle = handle * 16 + static_cast<unsigned>(digit);
    if (handle > 0x7FFFFFFF) return 0x7FFFFFFF;
  }
  return handle;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint32_t handle = 0;
  std::memcpy(&handle, data, size < 4 ? size : 4);
  const std::string_view text(reinterpret_cast<const char*>(data) + (size < 4 ? size : 4),
                              size < 4 ? 0 : size - 4);

  radlyn::CRadlynCommandLineInfo info;
  char first[32];
  std::snprintf(first, sizeof first, "/PARENTWND=0X%X", static_cast<unsigned>(handle));
  info.ParseParam(first);
  bool help = false;
  for (const std::string& parameter : radlyn::platform::SplitCommandLine(text)) {
    std::string_view bare = parameter;
    if (!bare.empty() && (bare.front() == '-' || bare.front() == '/')) bare.remove_prefix(1);
    std::string lowered(bare);
    for (char& c : lowered) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    help = help || lowered == "?" || lowered == "help";
    info.ParseParam(parameter);
  }

  for (const std::string& parameter : info.GetParameters()) {
    for (char c : parameter) Check(c < 'A' || c > 'Z');  // lowered in full
  }
  Check(info.IsHelpRequested() == help);
  for (std::string_view name : {std::string_view("datapath"), std::string_view("parentwnd")}) {
    const std::string value = info.GetParameterValue(name);
    bool found = value.empty();
    for (const std::string& parameter : info.GetParameters()) {
      found = found || parameter.ends_with(value);
    }
    Check(found);
  }

  const std::uint32_t expected = handle > 0x7FFFFFFFu ? 0x7FFFFFFFu : handle;
  Check(radlyn::ParseParentWindow(info.GetParameterValue("parentwnd")) == expected);
  // A later parentwnd never wins, but its value reads as any value does.
  radlyn::CRadlynCommandLineInfo rest;
  for (std::size_t i = 1; i < info.GetParameters().size(); ++i) {
    rest.ParseParam(info.GetParameters()[i]);
  }
  const std::string value = rest.GetParameterValue("parentwnd");
  Check(radlyn::ParseParentWindow(value) == ExpectedWindow(value));
  return 0;
}
