// The keys of a job's pending result, kept in memory and laid out byte for byte as the profile
// service lays out a new INI file that receives the same writes one by one: sections in the order
// of their first key, "[Section]" and "Key=Value" lines ending in CRLF, no blank lines. A key
// written again keeps its place and takes the new value. Values are ANSI program texts written as
// they are, except that a NUL ends them, line breaks become blanks (they would start lines of
// their own) and blanks around them are dropped, as Windows' service drops them (a reader of the
// file gets them without those blanks either way). Section and key names match without regard to
// case.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace radlyn {

class ResultText {
 public:
  void Set(std::string_view section, std::string_view key, std::string_view value);
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  // The number at the start of a key's value (the stored error number); 0 when it is missing.
  std::int32_t FindInt(std::string_view section, std::string_view key) const;
  std::string Serialize() const;
  // Overwrites every value before forgetting it, so that no patient data outlives the job.
  void Clear();

 private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> keys;
  };
  std::vector<Section> sections_;
};

}  // namespace radlyn
