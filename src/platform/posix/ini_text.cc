#include "platform/posix/ini_text.h"

#include <algorithm>

#include "platform/posix/ansi_best_fit.h"
#include "platform/posix/text_case.h"
#include "platform/posix/text_encoding.h"
#include "platform/posix/utf8_walk.h"

namespace radlyn::platform {
namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeByteOrderMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeByteOrderMark = "\xFE\xFF";

// Ctrl-Z counts as a blank: old editors ended text files with it.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

bool DefaultSectionEquals(std::string_view asked, std::string_view found) {
  return EqualsIgnoringCase(asked, found);
}

// A name or value as the system would write it: up to a NUL (the end of a C string), line
// breaks as blanks.
std::string AsWritten(std::string_view text) {
  std::string line(UpToNul(text));
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return line;
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

void SwapByteOrder(std::string& utf16) {
  for (std::size_t i = 0; i + 1 < utf16.size(); i += 2) std::swap(utf16[i], utf16[i + 1]);
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// UTF-16LE to UTF-8 in which an unpaired surrogate keeps its own three-byte form, so that any
// even number of bytes converts back unchanged (conversion to ANSI reads it as '?').
std::string Utf16LeToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  auto unit = [bytes](std::size_t at) {
    return static_cast<char32_t>(static_cast<unsigned char>(bytes[at]) |
                                 static_cast<unsigned char>(bytes[at + 1]) << 8);
  };
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
      char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::string Utf8ToUtf16Le(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  auto append_unit = [&out](char32_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
  };
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = Utf8SequenceLength(lead);
    bool whole = length > 0 && i + length <= text.size();
    for (std::size_t k = 1; whole && k < length; ++k) {
      whole = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    }
    if (!whole) {  // cannot come from a UTF-16 text; kept as the character of the same number
      append_unit(lead);
      ++i;
      continue;
    }
    const char32_t c = DecodeUtf8Sequence(text.substr(i), length);
    if (c >= 0x10000) {
      append_unit(0xD800 + ((c - 0x10000) >> 10));
      append_unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      append_unit(c);
    }
    i += length;
  }
  return out;
}

}  // namespace

IniText::IniText(std::string_view bytes) {
  std::string body;
  if (bytes.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) {
    encoding_ = Encoding::kUtf8;
    byte_order_mark_ = kUtf8ByteOrderMark;
    body = bytes.substr(kUtf8ByteOrderMark.size());
  } else if (bytes.substr(0, 2) == kUtf16LeByteOrderMark ||
             bytes.substr(0, 2) == kUtf16BeByteOrderMark) {
    encoding_ = bytes[0] == '\xFF' ? Encoding::kUtf16Le : Encoding::kUtf16Be;
    byte_order_mark_ = bytes.substr(0, 2);
    std::string units(bytes.substr(2));
    if (units.size() % 2 != 0) {
      odd_tail_ = units.back();
      units.pop_back();
    }
    if (encoding_ == Encoding::kUtf16Be) SwapByteOrder(units);
    body = Utf16LeToUtf8(units);
  } else {
    body = bytes;
  }

  bool style_known = false;
  std::string_view rest = body;
  while (!rest.empty()) {
    std::size_t stop = rest.find_first_of("\r\n");
    std::string_view text = rest.substr(0, stop);
    std::string end;
    if (stop == std::string_view::npos) {
      rest = {};
    } else {
      end = rest.substr(stop, rest.substr(stop, 2) == "\r\n" ? 2 : 1);
      rest.remove_prefix(stop + end.size());
      if (!style_known) {
        line_end_ = end;
        style_known = true;
      }
    }
    lines_.push_back(ParseLine(std::string(text), std::move(end)));
  }
}

std::string IniText::ToAnsi(std::string_view text) const {
  if (encoding_ == Encoding::kAnsi) return std::string(text);
  return Utf8ToAnsiBestFit(text);
}

std::string IniText::FromAnsi(std::string_view ansi) const {
  if (encoding_ == Encoding::kAnsi) return std::string(ansi);
  return ConvertText(ansi, TextEncoding::kAnsi, TextEncoding::kUtf8);
}

IniText::Line IniText::ParseLine(std::string text, std::string end) const {
  Line line;
  std::string_view content = Trim(text);
  std::string_view name;
  if (content.empty()) {
    line.kind = LineKind::kBlank;
  } else if (std::size_t close = content.rfind(']');
             content.front() == '[' && close != 0 && close != std::string_view::npos) {
    line.kind = LineKind::kSection;
    name = Trim(content.substr(1, close - 1));
  } else {
    line.kind = LineKind::kKey;
    std::size_t equals = content.find('=');
    name = Trim(content.substr(0, equals));
    if (equals != std::string_view::npos) {
      line.value_start = static_cast<std::size_t>(content.data() - text.data()) + equals + 1;
    }
  }
  name = UpToNul(name);
  line.name = ToAnsi(name);
  line.name_usable = encoding_ == Encoding::kAnsi || IsAscii(name) || FromAnsi(line.name) == name;
  line.text = std::move(text);
  line.end = std::move(end);
  return line;
}

std::optional<IniText::Span> IniText::FindSection(std::string_view section,
                                                  SectionNameEquals same_section) const {
  if (same_section == nullptr) same_section = DefaultSectionEquals;
  auto next_header = [this](std::size_t from) {
    while (from < lines_.size() && lines_[from].kind != LineKind::kSection) ++from;
    return from;
  };
  for (std::size_t i = next_header(0); i < lines_.size(); i = next_header(i + 1)) {
    if (lines_[i].name_usable && same_section(section, lines_[i].name)) {
      return Span{i + 1, next_header(i + 1)};
    }
  }
  return std::nullopt;
}

std::optional<std::size_t> IniText::FindKey(Span span, std::string_view key) const {
  for (std::size_t i = span.begin; i < span.end; ++i) {
    const Line& line = lines_[i];
    if (line.kind == LineKind::kKey && line.name_usable && EqualsIgnoringCase(key, line.name)) {
      return i;
    }
  }
  return std::nullopt;
}

std::optional<std::string> IniText::Find(std::string_view section, std::string_view key,
                                         SectionNameEquals same_section) const {
  std::optional<Span> span = FindSection(Trim(section), same_section);
  if (!span) return std::nullopt;
  std::optional<std::size_t> index = FindKey(*span, Trim(key));
  if (!index || !lines_[*index].value_start) return std::nullopt;
  const Line& line = lines_[*index];
  return ToAnsi(UpToNul(Trim(std::string_view(line.text).substr(*line.value_start))));
}

void IniText::Set(std::string_view section, std::string_view key, std::string_view value,
                  SectionNameEquals same_section) {
  std::string section_name(Trim(AsWritten(section)));
  std::string key_name(Trim(AsWritten(key)));
  std::string written_value = FromAnsi(AsWritten(value));
  std::string key_line = FromAnsi(key_name) + "=" + written_value;

  std::optional<Span> span = FindSection(section_name, same_section);
  if (!span) {
    InsertLine(lines_.size(), "[" + FromAnsi(section_name) + "]");
    InsertLine(lines_.size(), std::move(key_line));
    return;
  }
  if (std::optional<std::size_t> index = FindKey(*span, key_name)) {
    Line& line = lines_[*index];
    std::string text = line.value_start ? line.text.substr(0, *line.value_start) + written_value
                                        : std::string(Trim(line.text)) + "=" + written_value;
    line = ParseLine(std::move(text), std::move(line.end));
    return;
  }
  std::size_t insert_at = span->begin;
  for (std::size_t i = span->begin; i < span->end; ++i) {
    if (lines_[i].kind != LineKind::kBlank) insert_at = i + 1;
  }
  InsertLine(insert_at, std::move(key_line));
}

void IniText::InsertLine(std::size_t index, std::string text) {
  // The line before the new one must end in a line break, or the two would merge.
  if (index > 0 && lines_[index - 1].end.empty()) lines_[index - 1].end = line_end_;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index),
                ParseLine(std::move(text), line_end_));
}

std::string IniText::Serialize() const {
  std::string body;
  for (const Line& line : lines_) {
    body += line.text;
    body += line.end;
  }
  if (encoding_ == Encoding::kUtf16Le || encoding_ == Encoding::kUtf16Be) {
    body = Utf8ToUtf16Le(body);
    if (encoding_ == Encoding::kUtf16Be) SwapByteOrder(body);
    body += odd_tail_;
  }
  return byte_order_mark_ + body;
}

}  // namespace radlyn::platform
