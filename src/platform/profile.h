// Private-profile (INI) files: one key per call, as the Windows profile service works.
//
// Conventions every backend keeps:
// - ReadString copies at most `limit` characters; longer values arrive cut. A missing file,
//   section or key yields `fallback`; a key present with an empty value yields "". Blanks around
//   a value and a pair of matching quotes enclosing it are dropped, as on the workstation.
// - ReadInt yields the decimal number at the start of the value (leading blanks and a sign
//   allowed, no digits give 0), or `fallback` when the key is missing.
// - WriteString creates the file (never its folder) and the section when missing, replaces an
//   existing key's value in place, otherwise appends the key at the end of its section; a new
//   section goes to the end of the file. Values are written as they are. The file is replaced
//   atomically, so an interrupted write never leaves a truncated file. Returns false when the
//   file cannot be written.
// - Section and key names match without regard to case. CRLF and LF files both read.
// Paths are program texts (see paths.h): `\` is accepted and names resolve case-insensitively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/service.h"

namespace radlyn::platform {

class Profile {
 public:
  virtual ~Profile() = default;
  virtual std::string ReadString(std::string_view section, std::string_view key,
                                 std::string_view fallback, std::size_t limit,
                                 std::string_view path) = 0;
  virtual std::int32_t ReadInt(std::string_view section, std::string_view key,
                               std::int32_t fallback, std::string_view path) = 0;
  virtual bool WriteString(std::string_view section, std::string_view key, std::string_view value,
                           std::string_view path) = 0;

  static Profile& Native();
};

inline Profile& GetProfile() { return Service<Profile>::Get(); }

}  // namespace radlyn::platform
