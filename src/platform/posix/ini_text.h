// The text of one INI file, as the workstation's profile service reads and edits it, without any
// file access (the profile backend reads and replaces the file around it).
//
// Reading: lines end in LF or CRLF; a UTF-8 byte-order mark is skipped; "[Name]" opens a section
// (the text up to the line's last ']', blanks trimmed); "Key=Value" inside a section is a key
// (blanks around key and value trimmed); lines starting with ';', blank lines and key lines
// before the first section are ignored. Names match without regard to case; when a section or
// a key appears twice, the first one counts.
//
// Editing keeps every other byte as it was: an existing key gets its new value in place, a new
// key goes right after the last key line of its section (before trailing blank or comment lines),
// a new section goes to the end of the text. New lines take the text's own line-end style, CRLF
// for a text that has none yet. Line breaks inside names and values are written as blanks, since
// they would otherwise start new lines of their own (and could forge keys).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace radlyn::platform {

// Decides whether a section name found in the text is the one asked for.
using SectionNameEquals = bool (*)(std::string_view asked, std::string_view found);

class IniText {
 public:
  explicit IniText(std::string_view bytes);

  // The trimmed value of `key` in `section`, or std::nullopt when either is missing.
  std::optional<std::string> Find(std::string_view section, std::string_view key,
                                  SectionNameEquals same_section = nullptr) const;
  // Sets `key` in `section` to `value` as described above.
  void Set(std::string_view section, std::string_view key, std::string_view value,
           SectionNameEquals same_section = nullptr);
  // The whole text, byte-order mark and line ends included.
  std::string Serialize() const;

 private:
  enum class LineKind { kOther, kSection, kKey };
  struct Line {
    std::string text;  // without its line end
    std::string end;   // "\r\n", "\n" or "" (last line without a line break)
    LineKind kind = LineKind::kOther;
    std::string name;             // section or key name, trimmed
    std::size_t value_start = 0;  // kKey: offset of the value in `text`, just after '='
  };

  static Line ParseLine(std::string text, std::string end, bool in_section);
  std::optional<std::size_t> FindSection(std::string_view section,
                                         SectionNameEquals same_section) const;
  void InsertLine(std::size_t index, std::string text);

  std::string byte_order_mark_;
  std::vector<Line> lines_;
  std::string line_end_ = "\r\n";  // style for new lines
};

}  // namespace radlyn::platform
