#include "support/module_version.h"

#include <cstdio>

#include "platform/program_file.h"
#include "support/text_number.h"

namespace radlyn {

void CModuleVersion::ParseText(std::string_view text) {
  parts_ = {};
  std::string_view rest = text;
  for (std::size_t index = 0; !rest.empty(); ++index) {
    // A dot in first place does not end a number: the whole rest is read, which gives 0 and ends
    // the text.
    const std::size_t dot = rest.find('.');
    const bool split = dot != std::string_view::npos && dot > 0;
    const std::string_view number = split ? rest.substr(0, dot) : rest;
    if (index < parts_.size()) {
      parts_[index] =
          static_cast<std::uint16_t>(static_cast<std::uint32_t>(ParseLeadingInt(number)));
    }
    rest = split ? rest.substr(dot + 1) : std::string_view();
  }
}

int CModuleVersion::ReadFromFile(std::string_view path) {
  const auto version = platform::GetProgramFiles().ReadProductVersion(path);
  if (!version) return 0;
  parts_ = *version;
  return 1;
}

int CModuleVersion::IsLessThan(const CModuleVersion& other) const {
  if (IsEqual(other)) return 0;
  const auto high = [](const std::array<std::uint16_t, 4>& p) {
    return std::uint32_t{p[0]} << 16 | p[1];
  };
  const auto low = [](const std::array<std::uint16_t, 4>& p) {
    return std::uint32_t{p[2]} << 16 | p[3];
  };
  if (high(parts_) != high(other.parts_)) return high(parts_) < high(other.parts_) ? 1 : 0;
  return low(parts_) < low(other.parts_) ? 1 : 0;
}

std::string CModuleVersion::FormatParts(int count) const {
  char text[32];
  const unsigned a = parts_[0], b = parts_[1], c = parts_[2], d = parts_[3];
  switch (count) {
    case 1:
      std::snprintf(text, sizeof text, "%u", a);
      break;
    case 2:
      std::snprintf(text, sizeof text, "%u.%u", a, b);
      break;
    case 3:
      std::snprintf(text, sizeof text, "%u.%u.%u", a, b, c);
      break;
    default:
      std::snprintf(text, sizeof text, "%u.%u.%u.%u", a, b, c, d);
      break;
  }
  return text;
}

std::string CModuleVersion::FormatShort() const {
  const unsigned major = parts_[0] % 10, minor = parts_[1] % 10, third = parts_[2] % 10;
  char text[16];
  if (third != 0) {
    std::snprintf(text, sizeof text, "%u.%u%u", major, minor, third);
  } else {
    std::snprintf(text, sizeof text, "%u.%u", major, minor);
  }
  return text;
}

}  // namespace radlyn
