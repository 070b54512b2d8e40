#include "call_log.h"

#include <cstdio>

#include "core/native_files.h"

namespace hostsim {

void AppendCallLog(const std::string& folder, std::string_view line) {
  if (folder.empty()) return;
  std::string buffer(line);
  buffer.push_back('\n');
  native::AppendInOneWrite(folder + kCallLogName, buffer);
}

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
    } else if (c < 0x20 || c >= 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  out.push_back('"');
  return out;
}

std::string QuotedOrNull(const char* text) { return text == nullptr ? "null" : Quoted(text); }

std::string Hex32(std::uint32_t value) {
  char hex[11];
  std::snprintf(hex, sizeof hex, "0x%08X", value);
  return hex;
}

std::string Bytes(const void* data, std::size_t size) {
  if (data == nullptr) return "null";
  const auto* bytes = static_cast<const unsigned char*>(data);
  bool all_zero = true;
  for (std::size_t i = 0; i < size; ++i) all_zero = all_zero && bytes[i] == 0;
  if (all_zero) return "zero" + std::to_string(size);
  std::string out;
  for (std::size_t i = 0; i < size; ++i) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
    out += hex;
  }
  return out;
}

LogLine::LogLine(std::string_view name) : name_(name) {}

LogLine& LogLine::Arg(std::string_view formatted) {
  if (!args_.empty()) args_ += ", ";
  args_ += formatted;
  return *this;
}

LogLine& LogLine::Arg(std::int64_t number) { return Arg(std::to_string(number)); }

LogLine& LogLine::Result(std::string_view formatted) {
  result_ = formatted;
  return *this;
}

LogLine& LogLine::Result(std::int64_t number) { return Result(std::to_string(number)); }

LogLine& LogLine::Detail(std::string_view key, std::string_view formatted) {
  details_ += ' ';
  details_ += key;
  details_ += '=';
  details_ += formatted;
  return *this;
}

LogLine& LogLine::Detail(std::string_view key, std::int64_t number) {
  return Detail(key, std::to_string(number));
}

std::string LogLine::Text() const { return name_ + "(" + args_ + ") = " + result_ + details_; }

void LogLine::WriteTo(const std::string& folder) const { AppendCallLog(folder, Text()); }

}  // namespace hostsim
