#include "xml/parse_date_time.h"

#include <string>

#include "support/calendar.h"

namespace radlyn {
namespace {

constexpr std::size_t kDateLength = 10;
constexpr std::size_t kDateTimeLength = 19;

// Positions of the fixed characters, counted from 0.
constexpr std::size_t kDateDashes[] = {4, 7};
constexpr std::size_t kTimeSeparator = 10;
constexpr std::size_t kTimeColons[] = {13, 16};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The decimal number of `count` digits at `position`, or -1 when one of them is no digit.
int ReadDigits(const std::string& text, std::size_t position, std::size_t count) {
  int number = 0;
  for (std::size_t i = position; i < position + count; ++i) {
    if (!IsDigit(text[i])) return -1;
    number = number * 10 + (text[i] - '0');
  }
  return number;
}

}  // namespace

bool ParseDateTime(std::string_view text, TypedValue& value) {
  std::string copy(text);
  for (char& c : copy) {
    if (c == 'T') c = ' ';
  }
  if (copy.size() < kDateLength) return false;
  for (std::size_t dash : kDateDashes) {
    if (copy[dash] != '-') return false;
  }
  XmlDateTime result;
  result.year = ReadDigits(copy, 0, 4);
  result.month = ReadDigits(copy, 5, 2);
  result.day = ReadDigits(copy, 8, 2);
  if (result.year < 0 || result.month < 0 || result.day < 0) return false;

  if (copy.size() >= kDateTimeLength) {
    if (copy[kTimeSeparator] != ' ') return false;
    for (std::size_t colon : kTimeColons) {
      if (copy[colon] != ':') return false;
    }
    result.hour = ReadDigits(copy, 11, 2);
    result.minute = ReadDigits(copy, 14, 2);
    result.second = ReadDigits(copy, 17, 2);
    if (result.hour < 0 || result.minute < 0 || result.second < 0) return false;
  }

  if (!IsValidDate(result.year, result.month, result.day)) return false;
  if (result.hour > 23 || result.minute > 59 || result.second > 59) return false;
  value = TypedValue::DateTime(result);
  return true;
}

}  // namespace radlyn
