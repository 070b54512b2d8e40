// MoFileDB, the configuration database module: FDB_Open checks the installation's configuration
// database file (morlund.db beside the module), FDB_Close closes it again.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/call_log.h"
#include "core/exports.h"
#include "core/install_folder.h"
#include "core/misbehaviour.h"
#include "core/switches.h"
#include "core/version_check.h"
#include "hostlink/modules/module_exports.h"

namespace {

[[maybe_unused]] constexpr const char* kSection = "MoFileDB";
[[maybe_unused]] constexpr const char* kDatabaseName = "morlund.db";
[[maybe_unused]] constexpr const char* kDatabaseMagic = "MORLUND-CONFIGURATION-DATABASE";

// Host codes of FDB_Open.
[[maybe_unused]] constexpr MorlundStatus kDatabaseMissing = 31;  // path unknown
[[maybe_unused]] constexpr MorlundStatus kDatabaseDamaged = 5;   // cannot be read

bool g_open = false;

// The process's open file descriptors, not counting the one that lists them; -1 where unknown.
[[maybe_unused]] long OpenDescriptors() {
#ifdef __linux__
  std::error_code error;
  long count = 0;
  for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end;
       it.increment(error)) {
    ++count;
  }
  return error ? -1 : count - 1;
#else
  return -1;
#endif
}

// The process's peak resident memory so far in KiB (VmHWM); -1 where unknown.
[[maybe_unused]] long PeakResidentKb() {
  long peak = -1;
  if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, status) != nullptr) {
      if (std::sscanf(line, "VmHWM: %ld", &peak) == 1) break;
    }
    std::fclose(status);
  }
  return peak;
}

[[maybe_unused]] MorlundStatus CheckDatabase(const std::string& folder) {
  std::FILE* file = std::fopen((folder + kDatabaseName).c_str(), "rb");
  if (file == nullptr) return kDatabaseMissing;
  char head[64] = {};
  std::size_t got = std::fread(head, 1, sizeof head - 1, file);
  std::fclose(file);
  std::size_t magic_length = std::strlen(kDatabaseMagic);
  if (got < magic_length || std::memcmp(head, kDatabaseMagic, magic_length) != 0) {
    return kDatabaseDamaged;
  }
  return 0;
}

}  // namespace

#ifndef HOSTSIM_LACK_FDB_Open
HOSTSIM_EXPORT MorlundStatus FDB_Open() {
  hostsim::Switches switches(hostsim::InstallFolder());
  auto status = static_cast<MorlundStatus>(switches.Int(kSection, "OpenStatus"));
  if (status == 0) status = CheckDatabase(switches.folder());
  g_open = status == 0;
  hostsim::LogLine("FDB_Open").Result(status).WriteTo(switches.folder());
  return status;
}
#endif

#ifndef HOSTSIM_LACK_FDB_Close
HOSTSIM_EXPORT void FDB_Close() {
  hostsim::Switches switches(hostsim::InstallFolder());
  hostsim::CrashOrHangWhenSwitched(switches, kSection, hostsim::LogLine("FDB_Close"));
  hostsim::LogLine line("FDB_Close");
  line.Result("void").Detail("was_open", g_open ? 1 : 0);
  if (switches.Int(kSection, "ReportResources") != 0) {
    line.Detail("fds", OpenDescriptors()).Detail("peak_kb", PeakResidentKb());
  }
  line.WriteTo(switches.folder());
  g_open = false;
}
#endif

#ifndef HOSTSIM_LACK_FDB_CheckVersion
HOSTSIM_EXPORT MorlundStatus FDB_CheckVersion(std::uint32_t version, std::uint32_t reserved) {
  return hostsim::AnswerCheckVersion("FDB_CheckVersion", kSection, 0x201, version, reserved);
}
#endif
