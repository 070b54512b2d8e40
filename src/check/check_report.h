// The support checker's report: one line per item, "<verdict> <item>: <finding>", followed by
// " -- <what to do>" when the verdict asks for something to be done. Verdicts: OK, INFO (facts
// for the support call), WARN (works, but something is lost or degraded), FAIL (jobs fail). The
// last line counts the FAIL and WARN lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace radlyn::check {

enum class Verdict { kOk, kInfo, kWarn, kFail };

class Report {
 public:
  void Add(Verdict verdict, std::string_view item, std::string_view finding,
           std::string_view advice = {});
  bool HasFailure() const { return failures_ > 0; }
  // The whole report, lines ended by CR LF on Windows and LF elsewhere.
  std::string Text(std::string_view heading) const;

 private:
  std::vector<std::string> lines_;
  int failures_ = 0;
  int warnings_ = 0;
};

}  // namespace radlyn::check
