// The Linux registry file (the INI file RADLYN_REGISTRY names) of arbitrary bytes: read by the
// registry service and the Morlund-folder lookup, then one key set and read back. Checks: the
// Morlund folder is empty or a folder (ending with a separator) taken from the registered value
// or the fixed folder; a value set under any spelling of a key path (case, `/` for `\`) reads back
// under the registered spelling, and the other key keeps its value.
//
// Input: one byte of choices, one byte value length (the value is taken from the bytes that
// follow, as printable ASCII), then the file.
#include "platform/posix/registry_file.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "hostlink/morlund_folder.h"
#include "platform/registry.h"
#include "work_folder.h"

namespace {

// Aborts, naming the line of the failed check (the compiler fills in the caller's line).
void Check(bool condition, int line = __builtin_LINE()) {
  if (condition) return;
  std::fprintf(stderr, "check failed at line %d\n", line);
  std::abort();
}

constexpr std::string_view kOtherKey = "MORLUNDNG.PluginServer\\CLSID";

// The registry file in this process's work folder.
const std::string& RegistryPath() {
  static const std::string path = [] {
    const std::string file = radlyn::fuzz::WorkFolder("registry") + "registry.ini";
    setenv("RADLYN_REGISTRY", file.c_str(), 1);
    return file;
  }();
  return path;
}

std::optional<std::string> ReadDefault(std::string_view key) {
  const auto value = radlyn::platform::GetRegistry().ReadClassesRootDefault(key);
  if (!value) return std::nullopt;
  Check(value->is_string);
  return value->data;
}

std::string Trimmed(std::string text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  const auto first = std::find_if_not(text.begin(), text.end(), blank);
  return std::string(first, text.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = RegistryPath();
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const unsigned choices = input.empty() ? 0 : static_cast<unsigned char>(input[0]);
  if (!input.empty()) input.remove_prefix(1);
  std::size_t length = input.empty() ? 0 : static_cast<unsigned char>(input[0]) % 64;
  if (!input.empty()) input.remove_prefix(1);
  length = std::min(length, input.size());
  std::string value(input.substr(0, length));
  for (char& c : value) c = static_cast<char>(' ' + static_cast<unsigned char>(c) % 95);
  const std::string_view file = input.substr(length);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
  }

  const std::optional<std::string> registered = ReadDefault(radlyn::kMorlundServerKey);
  const std::string folder = radlyn::GetMorlundFolder();
  if (!folder.empty()) {
    Check(folder.back() == '/' || folder.back() == '\\');
    const bool fixed = folder == radlyn::kFixedMorlundFolder;
    // The folder of the registered path, quoted or not.
    const bool from_value =
        registered && (registered->starts_with(folder) ||
                       (registered->starts_with('"') &&
                        std::string_view(*registered).substr(1).starts_with(folder)));
    Check(fixed || from_value);
  }

  // The key under another spelling: lower or upper case, and `/` for `\`.
  std::string spelling(radlyn::kMorlundServerKey);
  for (char& c : spelling) {
    if ((choices & 1) != 0 && c == '\\') c = '/';
    if ((choices & 2) != 0) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if ((choices & 4) != 0) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  const std::optional<std::string> other = ReadDefault(kOtherKey);
  if (!radlyn::platform::WriteClassesRootDefault(spelling, value)) std::abort();
  // The file is UTF-8: one whose text (after a UTF-8 byte-order mark) starts like UTF-16 is no
  // registry file and reads as having no keys.
  std::string_view text = file;
  while (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) return 0;
  Check(ReadDefault(radlyn::kMorlundServerKey) == Trimmed(value));
  Check(ReadDefault(kOtherKey) == other);
  return 0;
}
