// Private-profile (INI) files, one key per call: on Windows the system's profile service, on
// Linux our own reader and writer that answers the same.
//
// - ReadString copies at most `limit` characters; longer values arrive cut. A missing file,
//   section or key (or a key line without '=') yields `fallback` without its trailing spaces; a
//   key present with an empty value yields "". Blanks around a value and a pair of matching
//   quotes enclosing it (or the fallback) are dropped.
// - ReadInt yields the number at the start of the value: an optional sign, then "0x", "0o" or
//   "0b" select base 16, 8 or 2 (else 10), then digits up to the first other character (0 with
//   none); only the first 29 characters count and the result wraps around in 32 bits. A missing
//   key or an empty value yields `fallback`.
// - WriteString creates the file (never its folder) and the section when missing, replaces an
//   existing key's value in place, otherwise appends the key at the end of its section; a new
//   section goes to the end of the file. Values are written as they are, except that line breaks
//   become blanks (they would start lines of their own). A file keeps its encoding. Returns false
//   (last error set) when the file cannot be written. The Linux backend keeps the bytes of every
//   other line and replaces the file atomically; the Windows service rewrites the whole file.
// - Lines end in CRLF, LF or a lone CR. A file is ANSI unless it starts with a UTF-8 or UTF-16
//   byte-order mark; Unicode texts read as ANSI, a character outside the code page as its nearest
//   ANSI character or '?'.
// - Section and key names match without regard to case, blanks around them ignored; of duplicate
//   sections or keys the first counts. Lines before the first section belong to none.
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
