// Fuzzes the INI text model: arbitrary bytes are parsed, read with several limits, edited once
// and re-parsed. The first byte gives the length of the value to write, taken from the bytes
// that follow it; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/posix/ini_text.h"
#include "read_back.h"

namespace {

using radlyn::fuzz::AsReadBack;
using radlyn::fuzz::IsUnicode;
using radlyn::platform::IniText;

constexpr std::size_t kLimits[] = {0, 4, 10, 259};
constexpr std::string_view kSections[] = {"Info", "Config", "Patient", ""};
constexpr std::string_view kKeys[] = {"ErrorNr", "ImageDataPath", "Birthdate", "@", ""};

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t value_length = input.empty() ? 0 : static_cast<unsigned char>(input[0]) % 64;
  if (!input.empty()) input.remove_prefix(1);
  value_length = std::min(value_length, input.size());
  std::string_view value = input.substr(0, value_length);
  std::string_view file = input.substr(value_length);

  IniText text(file);
  Check(text.Serialize() == file);  // parsing loses nothing
  for (std::string_view section : kSections) {
    for (std::string_view key : kKeys) {
      std::optional<std::string> found = text.Find(section, key);
      for (std::size_t limit : kLimits) {
        if (found) Check(found->substr(0, limit).size() <= limit);
      }
    }
  }

  std::optional<std::string> neighbour = text.Find("Info", "ErrorMsg");
  text.Set("Info", "ErrorNr", value);
  IniText reparsed(text.Serialize());
  Check(reparsed.Find("info", "errornr") == AsReadBack(value, IsUnicode(file), false));
  Check(reparsed.Find("Info", "ErrorMsg") == neighbour);
  Check(reparsed.Serialize() == text.Serialize());
  return 0;
}
