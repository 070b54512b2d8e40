// The fuzz harnesses' oracle for INI values: what a reader gets back for a value it wrote.
#pragma once

#include <string>
#include <string_view>

namespace radlyn::fuzz {

// A file that starts with a byte-order mark is read as Unicode text.
inline bool IsUnicode(std::string_view file) {
  return file.starts_with("\xEF\xBB\xBF") || file.starts_with("\xFF\xFE") ||
         file.starts_with("\xFE\xFF");
}

// The value as the INI text stores it: cut at a NUL, line breaks as blanks, outer blanks trimmed;
// in a Unicode text the five bytes Windows-1252 leaves undefined come back as '?'. The profile
// service reads it back with a pair of enclosing quotes dropped as well (`drop_quotes`).
inline std::string AsReadBack(std::string_view value, bool unicode, bool drop_quotes) {
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
  text = text.substr(begin, end - begin);
  if (drop_quotes && text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
      text.back() == text.front()) {
    text = text.substr(1, text.size() - 2);
  }
  return text;
}

}  // namespace radlyn::fuzz
