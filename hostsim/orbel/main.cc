// orbel: the simulated Orbel image-processing program of a hostsim installation.
//
// Its whole command line is one of exactly three (after Windows-rules splitting):
//   -backupoem       prepares: writes the backup state file orbel-backup.state into Orbel's data
//                    folder ([Orbel] DataFolder in hostsim.ini)
//   -restore         undoes the preparation: removes that file
//   -check "PATH"    processes the TIFF file PATH in place (sharpened, "ORBEL" watermark)
// Each call first sleeps [Orbel] <Call>SleepMs, then ends with [Orbel] <Call>Exit; a nonzero
// exit code means the call did nothing. Anything else on the command line ends with 87; a
// -check whose file cannot be processed ends with 2. Every call is logged to
// hostsim-calls.log as Orbel("-check", "PATH") = CODE.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/call_log.h"
#include "core/install_folder.h"
#include "ngserver/ng_switches.h"
#include "orbel/orbel_image.h"
#include "platform/paths.h"

namespace {

constexpr int kInvalidParameter = 87;
constexpr int kProcessingFailed = 2;
constexpr const char* kBackupStateFile = "orbel-backup.state";

struct CallSwitches {
  const char* exit_key;
  const char* sleep_key;
};

hostsim::LogLine CallLine(const std::vector<std::string>& arguments) {
  hostsim::LogLine line("Orbel");
  for (const std::string& argument : arguments) line.Arg(hostsim::Quoted(argument));
  return line;
}

std::string DataFolder(const hostsim::NgSwitches& switches) {
  return radlyn::platform::WithTrailingSeparator(switches.Text("Orbel", "DataFolder"));
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = hostsim::InstallFolder();
  const hostsim::NgSwitches switches(folder);
  const std::vector<std::string> arguments(argv + 1, argv + argc);

  CallSwitches keys{nullptr, nullptr};
  if (arguments.size() == 1 && arguments[0] == "-backupoem") {
    keys = {"BackupExit", "BackupSleepMs"};
  } else if (arguments.size() == 1 && arguments[0] == "-restore") {
    keys = {"RestoreExit", "RestoreSleepMs"};
  } else if (arguments.size() == 2 && arguments[0] == "-check") {
    keys = {"CheckExit", "CheckSleepMs"};
  } else {
    CallLine(arguments).Result(kInvalidParameter).WriteTo(folder);
    return kInvalidParameter;
  }

  const int sleep_ms = switches.Int("Orbel", keys.sleep_key);
  if (sleep_ms > 0) {
    CallLine(arguments).Result("sleeping").Detail("ms", sleep_ms).WriteTo(folder);
    std::this_thread::sleep_for(std::chrono::milliseconds(sleep_ms));
  }
  const int exit_code = switches.Int("Orbel", keys.exit_key);
  if (exit_code != 0) {
    CallLine(arguments).Result(exit_code).WriteTo(folder);
    return exit_code;
  }

  const std::string state = DataFolder(switches) + kBackupStateFile;
  if (arguments[0] == "-backupoem") {
    std::error_code ignored;
    std::filesystem::create_directories(DataFolder(switches), ignored);
    std::ofstream(state) << "Orbel backup of the OEM settings\n";
    CallLine(arguments).Result(0).Detail("state", "backed-up").WriteTo(folder);
  } else if (arguments[0] == "-restore") {
    std::error_code ignored;
    std::filesystem::remove(state, ignored);
    CallLine(arguments).Result(0).Detail("state", "restored").WriteTo(folder);
  } else {
    std::string reason;
    if (!hostsim::ProcessOrbelImage(arguments[1], &reason)) {
      CallLine(arguments)
          .Result(kProcessingFailed)
          .Detail("reason", hostsim::Quoted(reason))
          .WriteTo(folder);
      return kProcessingFailed;
    }
    CallLine(arguments).Result(0).Detail("processed", 1).WriteTo(folder);
  }
  return 0;
}
