// The Orbel filter: take-type patterns from the first `filter` attribute of Orbel's Config.xml.
#include <string>

#include "hostlink/orbel.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "support/event_log.h"

namespace radlyn {
namespace {

constexpr std::string_view kFilterOpening = "filter=\"";
constexpr char kByteOrderMark[2] = {'\xFF', '\xFE'};
constexpr std::string_view kConfigFileName = "Config.xml";

// The character at `index`, or the terminator past the end (the pattern walk reads one beyond).
char At(std::string_view text, std::size_t index) {
  return index < text.size() ? text[index] : '\0';
}

// The file's text: UTF-16LE after its byte-order mark converted to ANSI up to the first zero
// code unit, else the bytes up to the first zero byte. The mark itself is not part of the text,
// so both encodings of the same content give the same text and the same decision.
std::string ConfigText(std::string_view bytes) {
  if (bytes.size() >= 2 && bytes[0] == kByteOrderMark[0] && bytes[1] == kByteOrderMark[1]) {
    std::u16string units;
    for (std::size_t i = 2; i < bytes.size(); i += 2) {
      const auto low = static_cast<unsigned char>(bytes[i]);
      const auto high = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0u;
      const auto unit = static_cast<char16_t>(low | high << 8);
      if (unit == 0) break;
      units.push_back(unit);
    }
    return platform::GetCodePages().Utf16LeToAnsi(units);
  }
  return std::string(bytes.substr(0, bytes.find('\0')));
}

}  // namespace

bool MatchTakeTypePattern(std::string_view text, std::string_view pattern) {
  enum class Mode { kLiteral, kOne, kStar };
  Mode mode = Mode::kLiteral;
  std::size_t t = 0;
  std::size_t p = 0;
  std::size_t star_next = 0;
  bool ok = true;
  for (;;) {
    const char pattern_char = At(pattern, p);
    if (pattern_char == '\0') break;
    if (pattern_char == '*') {
      star_next = p + 1;
      mode = Mode::kStar;
    } else {
      mode = pattern_char == '?' ? Mode::kOne : Mode::kLiteral;
    }
    const char text_char = At(text, t);
    if (text_char == '\0') break;
    switch (mode) {
      case Mode::kLiteral:
        ok = text_char == pattern_char;
        ++t;
        ++p;
        break;
      case Mode::kOne:
        ++t;
        ++p;
        ok = true;
        break;
      case Mode::kStar:
        ++t;
        ok = true;
        if (At(text, t) == At(pattern, star_next)) ++p;
        break;
    }
    if (!ok) break;
  }
  switch (mode) {
    case Mode::kStar:
      return At(text, t) == At(pattern, star_next);
    case Mode::kOne:
      return At(text, t) == At(pattern, p);
    case Mode::kLiteral:
      break;
  }
  return ok && At(text, t) == At(pattern, p);
}

bool IsTakeTypeInFilterText(std::string_view take_type, std::string_view config_bytes) {
  const std::string text = ConfigText(config_bytes);
  const std::size_t opening = text.find(kFilterOpening);
  if (opening == std::string::npos || opening == 0) return false;
  const std::size_t start = opening + kFilterOpening.size();
  const std::size_t end = text.find('"', start);
  if (end == std::string::npos || end - start < 2) return false;

  std::string_view value = std::string_view(text).substr(start, end - start);
  while (!value.empty()) {
    const std::size_t comma = value.find(',');
    const std::string_view piece = value.substr(0, comma);
    if (!piece.empty() && MatchTakeTypePattern(take_type, piece)) return true;
    if (comma == std::string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
  return false;
}

bool IsTakeTypeInOrbelFilter(std::string_view take_type, std::string_view orbel_data_folder) {
  const std::string path = std::string(orbel_data_folder) + std::string(kConfigFileName);
  bool opened = false;
  const std::optional<std::string> bytes = platform::GetFileSystem().ReadWholeFile(path, &opened);
  if (!bytes) {
    // A file that cannot be opened (missing, a folder, no access) silently means no filter; only
    // a read that fails once the file is open is logged.
    if (opened) WriteEventLog("Error", "File reading error " + path);
    return false;
  }
  return IsTakeTypeInFilterText(take_type, *bytes);
}

}  // namespace radlyn
