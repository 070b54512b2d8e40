#include "mark_field.h"

#include <cstring>

namespace hostsim::mark {

namespace records = radlyn::records;

void Init(std::uint8_t* mark) {
  std::memset(mark, 0, kSize);
  records::WriteU16(mark, kFormat, kFormatNumber);
}

void SetLogo(std::uint8_t* mark, std::string_view logo) { records::WriteText(mark, kLogo, logo); }

void SetVersion(std::uint8_t* mark, std::string_view version) {
  records::WriteText(mark, kVersion, version);
}

std::string Logo(const std::uint8_t* mark) { return std::string(records::ReadText(mark, kLogo)); }

std::string Version(const std::uint8_t* mark) {
  return std::string(records::ReadText(mark, kVersion));
}

std::string Shown(const std::uint8_t* mark) {
  std::string logo = Logo(mark);
  std::string version = Version(mark);
  if (logo.empty()) return {};
  return version.empty() ? logo : logo + " " + version;
}

}  // namespace hostsim::mark
