#include "xml/report_com_error.h"

#include <cstdio>

#include "platform/debug_output.h"
#include "platform/windows_codes.h"

namespace radlyn {
namespace {

struct SystemText {
  std::uint32_t code;
  const char* text;
};

// The system's message texts for the component-system codes this program meets.
constexpr SystemText kSystemTexts[] = {
    {platform::kWinUnspecifiedFailure, "Unspecified error"},
    {0x8007000E, "Not enough memory resources are available to complete this operation."},
    {0x80070057, "The parameter is incorrect."},
    {platform::kWinTypeMismatch, "Type mismatch."},
    {platform::kWinOverflow, "Out of present range."},
};

// Automation servers report their own errors in this range, numbered from 0x80040200.
constexpr std::uint32_t kDispatchErrorFirst = 0x80040200;
constexpr std::uint32_t kDispatchErrorLast = 0x8004FFFF;
constexpr std::uint32_t kDispatchErrorBase = 0x200;

std::string Format(const char* format, unsigned long value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

}  // namespace

std::string ComErrorMeaning(const platform::XmlError& error) {
  if (!error.meaning().empty()) return error.meaning();
  for (const SystemText& entry : kSystemTexts) {
    if (entry.code == error.code()) return entry.text;
  }
  const std::uint32_t code = error.code();
  const std::uint32_t dispatch_number = (code - kDispatchErrorBase) & 0xFFFF;
  if (code >= kDispatchErrorFirst && code <= kDispatchErrorLast && dispatch_number != 0) {
    return Format("IDispatch error #%lu", dispatch_number);
  }
  return Format("Unknown error 0x%0lX", code);
}

void ReportComError(const platform::XmlError& error) {
  std::string meaning = ComErrorMeaning(error);
  while (!meaning.empty() && (meaning.back() == '\n' || meaning.back() == '\r')) meaning.pop_back();
  platform::WriteDebugOutput("Warning: COM Error caught\n");
  platform::WriteDebugOutput(Format("\a\tCode = 0x%08lx\n", error.code()));
  platform::WriteDebugOutput("\a\tCode meaning = " + meaning);
  platform::WriteDebugOutput("\a\tSource = " + error.source() + "\n");
  platform::WriteDebugOutput("\a\tDescription = " + error.description() + "\n");
}

}  // namespace radlyn
