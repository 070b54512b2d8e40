#include "job/result_text.h"

#include <algorithm>
#include <cstdlib>

namespace radlyn {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

std::string OnOneLine(std::string_view text) {
  std::string line(text.substr(0, text.find('\0')));
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return line;
}

// Blanks around a value are dropped, as the workstation's profile service drops them on writing.
std::string Trimmed(std::string text) {
  const auto blank = [](char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a';
  };
  std::size_t end = text.size();
  while (end > 0 && blank(text[end - 1])) --end;
  std::size_t start = 0;
  while (start < end && blank(text[start])) ++start;
  return text.substr(start, end - start);
}

void Wipe(std::string& text) {
  std::fill(text.begin(), text.end(), '\0');
  text.clear();
}

}  // namespace

void ResultText::Set(std::string_view section, std::string_view key, std::string_view value) {
  auto found = std::find_if(sections_.begin(), sections_.end(),
                            [&](const Section& s) { return SameName(s.name, section); });
  if (found == sections_.end()) {
    sections_.push_back({OnOneLine(section), {}});
    found = sections_.end() - 1;
  }
  for (auto& [name, old_value] : found->keys) {
    if (SameName(name, key)) {
      Wipe(old_value);
      old_value = Trimmed(OnOneLine(value));
      return;
    }
  }
  found->keys.emplace_back(OnOneLine(key), Trimmed(OnOneLine(value)));
}

std::optional<std::string> ResultText::Find(std::string_view section, std::string_view key) const {
  for (const Section& s : sections_) {
    if (!SameName(s.name, section)) continue;
    for (const auto& [name, value] : s.keys) {
      if (SameName(name, key)) return value;
    }
  }
  return std::nullopt;
}

std::int32_t ResultText::FindInt(std::string_view section, std::string_view key) const {
  const std::optional<std::string> value = Find(section, key);
  return value ? static_cast<std::int32_t>(std::strtol(value->c_str(), nullptr, 10)) : 0;
}

std::string ResultText::Serialize() const {
  std::string text;
  for (const Section& s : sections_) {
    text += "[" + s.name + "]\r\n";
    for (const auto& [name, value] : s.keys) text += name + "=" + value + "\r\n";
  }
  return text;
}

void ResultText::Clear() {
  for (Section& s : sections_) {
    for (auto& [name, value] : s.keys) Wipe(value);
  }
  sections_.clear();
}

}  // namespace radlyn
