#include "version_check.h"

#include "call_log.h"
#include "install_folder.h"
#include "misbehaviour.h"
#include "switches.h"

namespace hostsim {

std::uint32_t AnswerCheckVersion(const char* function, const char* section,
                                 std::uint32_t implemented, std::uint32_t version,
                                 std::uint32_t reserved) {
  Switches switches(InstallFolder());
  CrashOrHangBy(switches.Int(section, "VersionFault"), switches,
                LogLine(function).Arg(Hex32(version)).Arg(reserved));
  bool rejected = switches.Int(section, "RejectVersion") != 0;
  std::uint32_t answer = (!rejected && version == implemented) ? 1 : 0;
  LogLine(function).Arg(Hex32(version)).Arg(reserved).Result(answer).WriteTo(switches.folder());
  return answer;
}

}  // namespace hostsim
