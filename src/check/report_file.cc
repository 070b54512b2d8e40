#include "check/report_file.h"

#include <cctype>

#include "platform/file_system.h"

namespace radlyn::check {
namespace {

constexpr int kNameAttempts = 100;

// Letters, digits, '-' and '_' of a computer name; anything else would make a file name that
// some systems refuse.
std::string FileNamePart(const std::string& text) {
  std::string part;
  for (const char c : text) {
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') part.push_back(c);
  }
  return part;
}

}  // namespace

std::optional<std::string> CreateReportFile(const std::string& wanted, const std::string& folder,
                                            const std::string& stamp, const std::string& computer) {
  std::string base = wanted;
  if (base.empty()) {
    const std::string name = FileNamePart(computer);
    base = folder + "radlyn-check-" + stamp + (name.empty() ? "" : "-" + name) + ".txt";
  }
  const std::size_t dot = base.rfind('.');
  const std::size_t separator = base.find_last_of("\\/");
  const bool has_suffix =
      dot != std::string::npos && (separator == std::string::npos || dot > separator);
  const std::string stem = has_suffix ? base.substr(0, dot) : base;
  const std::string suffix = has_suffix ? base.substr(dot) : std::string();
  auto& files = platform::GetFileSystem();
  for (int attempt = 1; attempt <= kNameAttempts; ++attempt) {
    const std::string path = attempt == 1 ? base : stem + "-" + std::to_string(attempt) + suffix;
    // Created new or not at all: an existing file or a planted link is never written.
    if (files.CreateNewFile(path)) return path;
  }
  return std::nullopt;
}

}  // namespace radlyn::check
