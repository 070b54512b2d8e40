// Fuzzes the INI text model: arbitrary bytes are parsed, read with several limits, edited once
// and re-parsed. The first byte gives the length of the value to write, taken from the bytes
// that follow it; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/posix/ini_text.h"

namespace {

using radlyn::platform::IniText;

constexpr std::size_t kLimits[] = {0, 4, 10, 259};
constexpr std::string_view kSections[] = {"Info", "Config", "Patient", ""};
constexpr std::string_view kKeys[] = {"ErrorNr", "ImageDataPath", "Birthdate", "@", ""};

void Check(bool condition) {
  if (!condition) std::abort();
}

// What a reader gets back for a written value: cut at a NUL, line breaks as blanks, outer blanks
// trimmed; in a Unicode text the five bytes Windows-1252 leaves undefined come back as '?'.
std::string AsReadBack(std::string_view value, bool unicode) {
  std::string text(value.substr(0, value.find('\0')));
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
    if (unicode && std::string_view("\x81\x8D\x8F\x90\x9D").find(c) != std::string_view::npos) {
      c = '?';
    }
  }
  auto blank = [](char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A';
  };
  std::size_t begin = 0, end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool IsUnicode(std::string_view file) {
  return file.substr(0, 3) == "\xEF\xBB\xBF" || file.substr(0, 2) == "\xFF\xFE" ||
         file.substr(0, 2) == "\xFE\xFF";
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
  Check(reparsed.Find("info", "errornr") == AsReadBack(value, IsUnicode(file)));
  Check(reparsed.Find("Info", "ErrorMsg") == neighbour);
  Check(reparsed.Serialize() == text.Serialize());
  return 0;
}
