#include "xml/value_conversion.h"

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/windows_codes.h"
#include "platform/xml_parser.h"
#include "xml/report_com_error.h"

namespace radlyn {
namespace {

constexpr char kConversionSource[] = "TypedValue";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

[[noreturn]] void RaiseConversionError(std::uint32_t code, std::string_view text) {
  throw platform::XmlError(code, {}, kConversionSource,
                           "cannot convert \"" + std::string(text) + "\"");
}

// The decimal integer that is the whole of `text`; std::nullopt when the text has another form.
// Out-of-range numbers are raised as an overflow.
std::optional<std::int32_t> ReadDecimal(std::string_view text) {
  std::string_view digits = Trimmed(text);
  bool negative = false;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  if (digits.empty()) return std::nullopt;
  std::int64_t magnitude = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > std::int64_t{INT32_MAX} + 1) RaiseConversionError(platform::kWinOverflow, text);
  }
  const std::int64_t number = negative ? -magnitude : magnitude;
  if (number > INT32_MAX) RaiseConversionError(platform::kWinOverflow, text);
  return static_cast<std::int32_t>(number);
}

bool EqualsIgnoringCase(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lower[i]) return false;
  }
  return true;
}

}  // namespace

TypedValue ConvertToInteger(const TypedValue& value) {
  switch (value.kind()) {
    case TypedValue::Kind::kEmpty:
      return TypedValue::Integer(0);
    case TypedValue::Kind::kInteger:
      return value;
    case TypedValue::Kind::kText:
      if (std::optional<std::int32_t> number = ReadDecimal(value.text())) {
        return TypedValue::Integer(*number);
      }
      RaiseConversionError(platform::kWinTypeMismatch, value.text());
    default:
      RaiseConversionError(platform::kWinTypeMismatch, value.TextForm());
  }
}

TypedValue ConvertToBoolean(const TypedValue& value) {
  switch (value.kind()) {
    case TypedValue::Kind::kEmpty:
      return TypedValue::Boolean(false);
    case TypedValue::Kind::kBoolean:
      return value;
    case TypedValue::Kind::kText: {
      const std::string_view text = Trimmed(value.text());
      if (EqualsIgnoringCase(text, "true")) return TypedValue::Boolean(true);
      if (EqualsIgnoringCase(text, "false")) return TypedValue::Boolean(false);
      if (std::optional<std::int32_t> number = ReadDecimal(text)) {
        return TypedValue::Boolean(*number != 0);
      }
      RaiseConversionError(platform::kWinTypeMismatch, value.text());
    }
    default:
      RaiseConversionError(platform::kWinTypeMismatch, value.TextForm());
  }
}

}  // namespace radlyn
