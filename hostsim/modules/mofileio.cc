// MoFileIO, the image-file module: TIFF and BMP files from and into a HostImageRecord (see
// imagefile/image_file.h). File names arrive as the caller's program texts and are mapped to
// native paths the way radlyn's platform layer maps its own.
#include <string>

#include "core/call_log.h"
#include "core/exports.h"
#include "core/install_folder.h"
#include "core/misbehaviour.h"
#include "core/record_summary.h"
#include "core/switches.h"
#include "core/version_check.h"
#include "hostlink/modules/module_exports.h"
#include "imagefile/image_file.h"
#include "platform/paths.h"

namespace {

[[maybe_unused]] constexpr const char* kSection = "MoFileIO";

[[maybe_unused]] void Finish(hostsim::LogLine& line, MorlundStatus status,
                             const std::string& reason, const std::string& folder,
                             const std::uint8_t* imported = nullptr) {
  line.Result(status);
  if (imported != nullptr) line.Detail("record", hostsim::ImageRecordSummary(imported));
  if (status != 0 && !reason.empty()) line.Detail("error", hostsim::Quoted(reason));
  line.WriteTo(folder);
}

// An unknown value reads as the default, "leave".
[[maybe_unused]] hostsim::FoundBlocks FoundBlocksSwitch(const hostsim::Switches& switches) {
  const std::string value = switches.Text(kSection, "ImportBlocks");
  if (value == "free") return hostsim::FoundBlocks::kFree;
  if (value == "reuse") return hostsim::FoundBlocks::kReuse;
  return hostsim::FoundBlocks::kLeave;
}

}  // namespace

#ifndef HOSTSIM_LACK_FIO_CreateImageFile
HOSTSIM_EXPORT MorlundStatus FIO_CreateImageFile(const char* file, std::uint8_t* record,
                                                 std::uint32_t mask, std::uint32_t one,
                                                 std::uint32_t zero, std::uint32_t zero2) {
  hostsim::Switches switches(hostsim::InstallFolder());
  hostsim::LogLine line("FIO_CreateImageFile");
  line.Arg(hostsim::QuotedOrNull(file))
      .Arg(hostsim::ImageRecordSummary(record))
      .Arg(hostsim::Hex32(mask))
      .Arg(one)
      .Arg(zero)
      .Arg(zero2);
  hostsim::CrashOrHangWhenSwitched(switches, kSection, line);
  auto status = static_cast<MorlundStatus>(switches.Int(kSection, "CreateStatus"));
  std::string reason;
  if (status == 0) {
    if (file == nullptr || *file == '\0') {
      status = hostsim::kFileBadName;
      reason = "no file name";
    } else {
      status = hostsim::CreateImageFile(radlyn::platform::ToNativePath(file), record, &reason);
    }
  }
  Finish(line, status, reason, switches.folder());
  return status;
}
#endif

#ifndef HOSTSIM_LACK_FIO_CheckVersion
HOSTSIM_EXPORT MorlundStatus FIO_CheckVersion(std::uint32_t version, std::uint32_t reserved) {
  return hostsim::AnswerCheckVersion("FIO_CheckVersion", kSection, 0x105, version, reserved);
}
#endif

#ifndef HOSTSIM_LACK_FIO_ImportImageFile
HOSTSIM_EXPORT MorlundStatus FIO_ImportImageFile(const char* file, std::uint8_t* record,
                                                 std::uint32_t mask) {
  hostsim::Switches switches(hostsim::InstallFolder());
  hostsim::LogLine line("FIO_ImportImageFile");
  line.Arg(hostsim::QuotedOrNull(file))
      .Arg(record == nullptr ? "null" : "{...}")
      .Arg(hostsim::Hex32(mask));
  auto status = static_cast<MorlundStatus>(switches.Int(kSection, "ImportStatus"));
  std::string reason;
  if (status == 0) {
    if (file == nullptr || *file == '\0') {
      status = hostsim::kFileOpenError;
      reason = "no file name";
    } else {
      status = hostsim::ImportImageFile(radlyn::platform::ToNativePath(file), record, &reason,
                                        FoundBlocksSwitch(switches));
    }
  }
  Finish(line, status, reason, switches.folder(), status == 0 ? record : nullptr);
  return status;
}
#endif
