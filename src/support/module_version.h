// CModuleVersion: a four-part version number (major, minor, third, fourth; unsigned 16-bit each).
//
// Built from dotted text ("7.0" gives 7.0.0.0; the default is 0.0.0.0) or read from a program
// file's product version. Ordered lexicographically, most significant part first. ReadFromFile
// answers 1 on success and 0 when the file is missing or carries no version; on 0 the value is
// left as it was.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace radlyn {

class CModuleVersion {
 public:
  explicit CModuleVersion(std::string_view text = "0.0.0.0") { ParseText(text); }

  // Sets the parts from dotted decimal numbers; each number is read like atoi and cut to its low
  // 16 bits, a fifth and later number is dropped, missing parts are 0. A text that starts with a
  // dot gives 0.0.0.0.
  void ParseText(std::string_view text);
  int ReadFromFile(std::string_view path);

  int IsEqual(const CModuleVersion& other) const { return parts_ == other.parts_ ? 1 : 0; }
  int IsLessThan(const CModuleVersion& other) const;

  // 1: "major", 2: "major.minor", 3: "major.minor.third", any other count: all four parts.
  std::string FormatParts(int count) const;
  // The last decimal digit of major, minor and third: "M.mt", or "M.m" when that of third is 0.
  std::string FormatShort() const;

  std::uint16_t Major() const { return parts_[0]; }
  std::uint16_t Minor() const { return parts_[1]; }
  std::uint16_t Third() const { return parts_[2]; }
  std::uint16_t Fourth() const { return parts_[3]; }

 private:
  std::array<std::uint16_t, 4> parts_{};
};

}  // namespace radlyn
