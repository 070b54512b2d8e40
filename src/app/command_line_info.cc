#include "app/command_line_info.h"

#include "platform/code_page.h"
#include "platform/environment.h"
#include "platform/paths.h"
#include "resources/string_table.h"
#include "support/text_number.h"

namespace radlyn {

void CRadlynCommandLineInfo::ParseParam(std::string_view parameter) {
  if (!parameter.empty() && (parameter.front() == '-' || parameter.front() == '/')) {
    parameter.remove_prefix(1);
  }
  parameters_.push_back(platform::GetCodePages().LowerAnsi(parameter));
}

bool CRadlynCommandLineInfo::HasParameter(std::string_view text) const {
  for (const std::string& parameter : parameters_) {
    if (parameter == text) return true;
  }
  return false;
}

bool CRadlynCommandLineInfo::IsHelpRequested() const {
  return HasParameter("?") || HasParameter("help");
}

std::string CRadlynCommandLineInfo::GetParameterValue(std::string_view key) const {
  const std::string prefix = platform::GetCodePages().LowerAnsi(key) + "=";
  for (const std::string& parameter : parameters_) {
    if (parameter.starts_with(prefix)) return parameter.substr(prefix.size());
  }
  return {};
}

platform::WindowHandle ParseParentWindow(std::string_view value) {
  if (!value.starts_with("0x")) return 0;
  return static_cast<platform::WindowHandle>(ParseLeadingHex(value));
}

std::optional<std::string> DataFolderOfParameter(std::string_view value) {
  const std::string folder =
      value.empty() ? std::string(LoadResourceString(kIdsDefaultDataFolder)) : std::string(value);
  std::optional<std::string> expanded =
      platform::GetEnvironment().ExpandEnvironmentText(folder, platform::kMaxPath);
  if (expanded) *expanded = platform::WithTrailingSeparator(*expanded);
  return expanded;
}

}  // namespace radlyn
