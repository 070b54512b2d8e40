// radlyn-check: the support checker. Run by an administrator or by the practice's user (whose
// rights it checks), it prints its report and writes it, line by line, to a new file:
//   radlyn-check [datapath=<the client's data folder>] [report=<file>]
// It takes the command line as radlyn.exe takes it: a parameter may start with "/" or "-", names
// are case-insensitive, values may be quoted and hold environment variables, parentwnd= is
// ignored, and without datapath Radlyn's default data folder is checked. The report file goes to
// the user's desktop (else the current folder) under a fresh name; on a double-click the window
// stays until a key is pressed. Exit code 0 when no item failed, 1 when one did, 2 on a wrong
// command line. `radlyn-check --probe-modules <file>` is the module probe's child process.
#include <cctype>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line_info.h"
#include "check/check_report.h"
#include "check/checks.h"
#include "check/probe_child.h"
#include "check/report_file.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/workstation.h"

namespace {

struct Stamp {
  std::string text;  // for the heading
  std::string name;  // for the file name
};

Stamp Now() {
  const auto now = radlyn::platform::GetClock().Now();
  char text[64];
  char name[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", now.year, now.month, now.day,
                now.hour, now.minute, now.second);
  std::snprintf(name, sizeof name, "%04d%02d%02d-%02d%02d%02d", now.year, now.month, now.day,
                now.hour, now.minute, now.second);
  return {text, name};
}

std::string ProgramText(const char* argument) {
#ifdef _WIN32
  return argument;
#else
  // Linux hands arguments over in UTF-8; the program's texts are ANSI.
  return radlyn::platform::GetCodePages().Utf8ToAnsi(argument);
#endif
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

int Usage() {
  std::fprintf(stderr, "usage: radlyn-check [datapath=<data folder>] [report=<file>]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace radlyn;
  auto& files = platform::GetFileSystem();
  if (argc == 3 && std::string_view(argv[1]) == check::kProbeSwitch) {
    return check::RunProbeChild(ProgramText(argv[2]));
  }

  CRadlynCommandLineInfo command_line;
  std::string report_wanted;
  for (int i = 1; i < argc; ++i) {
    std::string parameter = ProgramText(argv[i]);
    std::string_view bare = parameter;
    if (!bare.empty() && (bare.front() == '-' || bare.front() == '/')) bare.remove_prefix(1);
    // The report's name keeps its case; radlyn.exe's own parameters are lowered as it lowers them.
    if (StartsWithNoCase(bare, "report=")) {
      report_wanted = std::string(bare.substr(7));
      continue;
    }
    if (!StartsWithNoCase(bare, "datapath=") && !StartsWithNoCase(bare, "parentwnd=")) {
      return Usage();
    }
    command_line.ParseParam(parameter);
  }
  if (command_line.IsHelpRequested()) return Usage();

  check::CheckSubject subject;
  subject.data_folder_text = command_line.GetParameterValue("datapath");
  subject.data_folder = DataFolderOfParameter(subject.data_folder_text).value_or("");
  subject.program_path = files.ProgramFilePath();

  const Stamp stamp = Now();
  const std::string computer = platform::ComputerName();
  std::string folder = platform::DesktopFolder();
  if (folder.empty()) folder = platform::WithTrailingSeparator(files.CurrentFolder());
  const std::optional<std::string> report_file =
      check::CreateReportFile(report_wanted, folder, stamp.name, computer);

  // Each line reaches the screen and the file at once: a checker that dies keeps what it found.
  check::Report report([&](const std::string& line) {
    // The console's own text mode ends each printed line as the system does.
    std::string printed = line;
    if (printed.size() >= 2 && printed[printed.size() - 2] == '\r')
      printed.erase(printed.size() - 2, 1);
    std::fwrite(printed.data(), 1, printed.size(), stdout);
    std::fflush(stdout);
    if (report_file && !files.IsLink(*report_file)) files.AppendToFile(*report_file, line);
  });
  report.Heading(std::string("Radlyn support check ") + RADLYN_VERSION_TEXT + ", " + stamp.text);
  report.Heading("Computer " + computer + ", user " + platform::UserName());
  check::RunChecks(report, subject);
  report.Summary();
  if (report_file) {
    std::printf("Report written to %s\n", report_file->c_str());
  } else {
    std::fprintf(stderr, "radlyn-check: cannot create a report file in %s\n", folder.c_str());
  }
  if (platform::IsConsoleOwnedAlone()) {
    std::printf("Press any key to close this window.\n");
    std::fflush(stdout);
    platform::WaitForKeyPress();
  }
  return report.HasFailure() ? 1 : 0;
}
