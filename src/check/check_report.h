// The support checker's report: one line per item, "<verdict> <item>: <finding>", followed by
// " -- <what to do>" when the verdict asks for something to be done. Verdicts: OK, INFO (facts
// for the support call), WARN (works, but something is lost or degraded), FAIL (jobs fail). A
// FAIL line says in one plain sentence what it means for the practice, and the finding and what
// to do stand on the next line, indented, for support. The last line counts the FAIL and WARN
// lines.
//
// Each line goes to the sink as soon as it is added, so that a checker that dies on the way still
// leaves what it had found.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace radlyn::check {

enum class Verdict { kOk, kInfo, kWarn, kFail };

class Report {
 public:
  // Takes each line with its line end (CR LF on Windows, LF elsewhere).
  using Sink = std::function<void(const std::string&)>;
  explicit Report(Sink sink) : sink_(std::move(sink)) {}

  void Heading(std::string_view text);
  void Add(Verdict verdict, std::string_view item, std::string_view finding,
           std::string_view advice = {});
  // A FAIL line: `practice` is the plain sentence, the finding and advice go below it.
  void Fail(std::string_view item, std::string_view practice, std::string_view finding,
            std::string_view advice);
  bool HasFailure() const { return failures_ > 0; }
  void Summary();

 private:
  void Line(std::string text);

  Sink sink_;
  int failures_ = 0;
  int warnings_ = 0;
};

}  // namespace radlyn::check
