#include "check/check_report.h"

namespace radlyn::check {
namespace {

constexpr const char* kVerdictNames[] = {"OK  ", "INFO", "WARN", "FAIL"};

#ifdef _WIN32
constexpr const char* kLineEnd = "\r\n";
#else
constexpr const char* kLineEnd = "\n";
#endif

// The generic sentence of a FAIL whose caller gave none.
constexpr std::string_view kJobsFail =
    "X-ray jobs through Radlyn will fail; please send this report to your support.";

}  // namespace

void Report::Line(std::string text) { sink_(text.append(kLineEnd)); }

void Report::Heading(std::string_view text) { Line(std::string(text)); }

void Report::Add(Verdict verdict, std::string_view item, std::string_view finding,
                 std::string_view advice) {
  if (verdict == Verdict::kFail) return Fail(item, kJobsFail, finding, advice);
  std::string line = std::string(kVerdictNames[static_cast<int>(verdict)]) + " ";
  line.append(item).append(": ").append(finding);
  if (!advice.empty()) line.append(" -- ").append(advice);
  if (verdict == Verdict::kWarn) ++warnings_;
  Line(std::move(line));
}

void Report::Fail(std::string_view item, std::string_view practice, std::string_view finding,
                  std::string_view advice) {
  ++failures_;
  Line(std::string("FAIL ").append(item).append(": ").append(practice.empty() ? kJobsFail
                                                                              : practice));
  std::string detail = std::string("     ").append(finding);
  if (!advice.empty()) detail.append(" -- ").append(advice);
  Line(std::move(detail));
}

void Report::Summary() {
  Line("Summary: " + std::to_string(failures_) + " failed, " + std::to_string(warnings_) +
       " warning(s)");
}

}  // namespace radlyn::check
