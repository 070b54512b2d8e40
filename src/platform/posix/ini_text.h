// The text of one INI file, as the workstation's profile service reads and edits it, without any
// file access (the profile backend reads and replaces the file around it).
//
// Encoding: a UTF-8 byte-order mark makes the text UTF-8, a UTF-16 one (little- or big-endian)
// makes it UTF-16; any other text is ANSI. Names and values go in and come out as ANSI program
// texts; characters without an ANSI form read as their nearest ANSI character or '?' (see
// ansi_best_fit.h). Edits are written in the text's own
// encoding, and a text that is never edited serializes to exactly its input bytes.
//
// Reading: lines end in LF, CRLF or a lone CR; blanks (space, tab, VT, FF, Ctrl-Z) around a line
// do not count. "[Name]" opens a section (the text up to the line's last ']', blanks trimmed; a
// line without ']' is no section header). Every other non-blank line is a key: the name up to
// the first '=' and the value after it, both trimmed; a line without '=' is a key without a value,
// which reads as missing. Lines before the first section belong to no section. Names match
// without regard to case, blanks around the asked names ignored; the first section and the
// first key of a name count. A NUL ends a name or value.
//
// Editing keeps every other byte as it was: an existing key gets its new value in place, a new
// key goes right after the last non-blank line of its section, a new section goes to the end of
// the text. New lines take the text's own line-end style, CRLF for a text that has none yet.
// Line breaks inside names and values are written as blanks, since they would otherwise start
// new lines of their own (and could forge keys).
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
  enum class Encoding { kAnsi, kUtf8, kUtf16Le, kUtf16Be };
  enum class LineKind { kBlank, kSection, kKey };
  struct Line {
    std::string text;  // without its line end; UTF-8 in a UTF-8 or UTF-16 text
    std::string end;   // "\r\n", "\n", "\r" or "" (last line without a line break)
    LineKind kind = LineKind::kBlank;
    std::string name;         // section or key name, trimmed, as ANSI
    bool name_usable = true;  // false when the name has characters without an ANSI form
    std::optional<std::size_t> value_start;  // kKey: offset just after '=' in `text`
  };
  // Lines [begin, end) of one section; `begin` is just after its header.
  struct Span {
    std::size_t begin;
    std::size_t end;
  };

  Line ParseLine(std::string text, std::string end) const;
  std::string ToAnsi(std::string_view text) const;
  std::string FromAnsi(std::string_view ansi) const;
  std::optional<Span> FindSection(std::string_view section, SectionNameEquals same_section) const;
  std::optional<std::size_t> FindKey(Span span, std::string_view key) const;
  void InsertLine(std::size_t index, std::string text);

  Encoding encoding_ = Encoding::kAnsi;
  std::string byte_order_mark_;
  std::string odd_tail_;  // a UTF-16 text's last byte when its length is odd
  std::vector<Line> lines_;
  std::string line_end_ = "\r\n";  // style for new lines
};

}  // namespace radlyn::platform
