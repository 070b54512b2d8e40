#include "check/check_report.h"

namespace radlyn::check {
namespace {

constexpr const char* kVerdictNames[] = {"OK  ", "INFO", "WARN", "FAIL"};

#ifdef _WIN32
constexpr const char* kLineEnd = "\r\n";
#else
constexpr const char* kLineEnd = "\n";
#endif

}  // namespace

void Report::Add(Verdict verdict, std::string_view item, std::string_view finding,
                 std::string_view advice) {
  std::string line = std::string(kVerdictNames[static_cast<int>(verdict)]) + " ";
  line.append(item).append(": ").append(finding);
  if (!advice.empty()) line.append(" -- ").append(advice);
  lines_.push_back(std::move(line));
  if (verdict == Verdict::kFail) ++failures_;
  if (verdict == Verdict::kWarn) ++warnings_;
}

std::string Report::Text(std::string_view heading) const {
  std::string text = std::string(heading) + kLineEnd;
  for (const std::string& line : lines_) text += line + kLineEnd;
  text += "Summary: " + std::to_string(failures_) + " failed, " + std::to_string(warnings_) +
          " warning(s)" + kLineEnd;
  return text;
}

}  // namespace radlyn::check
