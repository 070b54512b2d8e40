// CRadlynCommandLineInfo: the command line's parameters, in order, each lowered to lower case in
// full (values included), in the workstation's ANSI code page (platform/code_page.h).
//
// ParseParam takes one parameter as the platform split it, removes one leading "-" or "/", lowers
// the rest and keeps it. GetParameterValue(key) answers the text after "key=" of the first
// parameter that starts with exactly that prefix (the key lowered first), which may be empty;
// without such a parameter it answers empty text. A parameter without "=" never matches a key.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui.h"

namespace radlyn {

class CRadlynCommandLineInfo {
 public:
  void ParseParam(std::string_view parameter);

  const std::vector<std::string>& GetParameters() const { return parameters_; }
  // True when a whole parameter equals `text` (already lower case).
  bool HasParameter(std::string_view text) const;
  // True for "?" or "help" as a whole parameter.
  bool IsHelpRequested() const;
  std::string GetParameterValue(std::string_view key) const;

 private:
  std::vector<std::string> parameters_;
};

// The window handle of a `parentwnd` value: "0x" and hexadecimal digits, read up to the first
// other character, saturating at 0x7FFFFFFF. Any value not starting with "0x" gives 0.
platform::WindowHandle ParseParentWindow(std::string_view value);

// The data folder a `datapath` value names: Radlyn's default data folder (string resource 1) for
// an empty value, environment variables expanded, with a trailing separator. std::nullopt when
// the expansion is longer than a path may be.
std::optional<std::string> DataFolderOfParameter(std::string_view value);

}  // namespace radlyn
