// radlyn-check: the support checker. Run by an administrator or by the practice's user (whose
// rights it checks), it prints its report and writes it to a text file:
//   radlyn-check [datapath=<the client's data folder>] [report=<file>]
// The report file defaults to radlyn-check.txt in the user's temporary folder. Exit code 0 when
// no item failed, 1 when one did, 2 on a wrong command line.
#include <cstdio>
#include <string>
#include <string_view>

#include "check/check_report.h"
#include "check/checks.h"
#include "platform/clock.h"
#include "platform/file_system.h"

namespace {

std::string Heading() {
  const auto now = radlyn::platform::GetClock().Now();
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", now.year, now.month, now.day,
                now.hour, now.minute, now.second);
  return std::string("Radlyn support check ") + RADLYN_VERSION_TEXT + ", " + stamp;
}

bool TakeParameter(std::string_view argument, std::string_view name, std::string& value) {
  if (argument.size() <= name.size() || argument.substr(0, name.size()) != name) return false;
  value = argument.substr(name.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string data_folder;
  std::string report_file;
  for (int i = 1; i < argc; ++i) {
    if (!TakeParameter(argv[i], "datapath=", data_folder) &&
        !TakeParameter(argv[i], "report=", report_file)) {
      std::fprintf(stderr, "usage: radlyn-check [datapath=<data folder>] [report=<file>]\n");
      return 2;
    }
  }
  auto& files = radlyn::platform::GetFileSystem();
  if (report_file.empty()) report_file = files.TempFolder() + "radlyn-check.txt";

  radlyn::check::Report report;
  radlyn::check::RunChecks(report, data_folder);
  const std::string text = report.Text(Heading());
  std::fwrite(text.data(), 1, text.size(), stdout);
  files.DeleteFile(report_file);
  if (files.AppendToFile(report_file, text)) {
    std::printf("Report written to %s\n", report_file.c_str());
  } else {
    std::fprintf(stderr, "radlyn-check: cannot write %s\n", report_file.c_str());
  }
  return report.HasFailure() ? 1 : 0;
}
