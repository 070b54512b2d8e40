#include "platform/posix/ini_text.h"

#include "platform/posix/text_case.h"

namespace radlyn::platform {
namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool DefaultSectionEquals(std::string_view asked, std::string_view found) {
  return EqualsIgnoringCase(asked, found);
}

std::string OnOneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return line;
}

}  // namespace

IniText::IniText(std::string_view bytes) {
  if (bytes.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) {
    byte_order_mark_ = kUtf8ByteOrderMark;
    bytes.remove_prefix(kUtf8ByteOrderMark.size());
  }
  bool style_known = false;
  bool in_section = false;
  while (!bytes.empty()) {
    std::size_t newline = bytes.find('\n');
    std::string_view text = bytes.substr(0, newline);
    std::string end;
    if (newline == std::string_view::npos) {
      bytes = {};
    } else {
      bytes.remove_prefix(newline + 1);
      end = "\n";
      if (!text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
        end = "\r\n";
      }
      if (!style_known) {
        line_end_ = end;
        style_known = true;
      }
    }
    Line line = ParseLine(std::string(text), std::move(end), in_section);
    if (line.kind == LineKind::kSection) in_section = true;
    lines_.push_back(std::move(line));
  }
}

IniText::Line IniText::ParseLine(std::string text, std::string end, bool in_section) {
  Line line;
  std::string_view content = Trim(text);
  std::size_t close = content.rfind(']');
  std::size_t equals = text.find('=');
  if (!content.empty() && content.front() == '[' && close != std::string_view::npos) {
    line.kind = LineKind::kSection;
    line.name = Trim(content.substr(1, close - 1));
  } else if (in_section && !content.empty() && content.front() != ';' &&
             equals != std::string::npos) {
    line.kind = LineKind::kKey;
    line.name = Trim(std::string_view(text).substr(0, equals));
    line.value_start = equals + 1;
  }
  line.text = std::move(text);
  line.end = std::move(end);
  return line;
}

std::optional<std::size_t> IniText::FindSection(std::string_view section,
                                                SectionNameEquals same_section) const {
  if (same_section == nullptr) same_section = DefaultSectionEquals;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == LineKind::kSection && same_section(section, lines_[i].name)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> IniText::Find(std::string_view section, std::string_view key,
                                         SectionNameEquals same_section) const {
  std::optional<std::size_t> header = FindSection(section, same_section);
  if (!header) return std::nullopt;
  for (std::size_t i = *header + 1; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    if (line.kind == LineKind::kSection) break;
    if (line.kind == LineKind::kKey && EqualsIgnoringCase(key, line.name)) {
      return std::string(Trim(std::string_view(line.text).substr(line.value_start)));
    }
  }
  return std::nullopt;
}

void IniText::Set(std::string_view section, std::string_view key, std::string_view value,
                  SectionNameEquals same_section) {
  std::string key_line = OnOneLine(key) + "=" + OnOneLine(value);
  std::optional<std::size_t> header = FindSection(section, same_section);
  if (!header) {
    InsertLine(lines_.size(), "[" + OnOneLine(section) + "]");
    InsertLine(lines_.size(), std::move(key_line));
    return;
  }
  std::size_t insert_at = *header + 1;
  for (std::size_t i = *header + 1; i < lines_.size(); ++i) {
    Line& line = lines_[i];
    if (line.kind == LineKind::kSection) break;
    if (line.kind != LineKind::kKey) continue;
    if (EqualsIgnoringCase(key, line.name)) {
      line.text = line.text.substr(0, line.value_start) + OnOneLine(value);
      return;
    }
    insert_at = i + 1;
  }
  InsertLine(insert_at, std::move(key_line));
}

void IniText::InsertLine(std::size_t index, std::string text) {
  // The line before the new one must end in a line break, or the two would merge.
  if (index > 0 && lines_[index - 1].end.empty()) lines_[index - 1].end = line_end_;
  Line line = ParseLine(std::move(text), line_end_, true);
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), std::move(line));
}

std::string IniText::Serialize() const {
  std::string bytes = byte_order_mark_;
  for (const Line& line : lines_) {
    bytes += line.text;
    bytes += line.end;
  }
  return bytes;
}

}  // namespace radlyn::platform
