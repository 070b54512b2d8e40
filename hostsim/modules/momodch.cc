// MoModCh, the acquisition module: MC_TakeImage "exposes" a synthetic intraoral image and fills
// the take record as Morlund's acquisition does. Which outcome it gives is set in hostsim.ini.
#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/acquisition_window.h"
#include "core/call_log.h"
#include "core/exports.h"
#include "core/extension_block.h"
#include "core/install_folder.h"
#include "core/locked_block.h"
#include "core/mark_field.h"
#include "core/misbehaviour.h"
#include "core/record_summary.h"
#include "core/switches.h"
#include "core/synthetic_xray.h"
#include "core/version_check.h"
#include "hostlink/modules/module_exports.h"
#include "hostlink/modules/record_layout.h"
#include "platform/clock.h"

namespace {

namespace records = radlyn::records;
namespace take = radlyn::records::take;

[[maybe_unused]] constexpr const char* kSection = "MoModCh";

// Acquisition statuses.
[[maybe_unused]] constexpr MorlundStatus kParameterError = 1002;
[[maybe_unused]] constexpr MorlundStatus kMemoryProblem = 1102;

[[maybe_unused]] void StampTakeTime(std::uint8_t* record) {
  const radlyn::platform::LocalTime now = radlyn::platform::GetClock().Now();
  records::WriteU16(record, take::kYear, static_cast<std::uint16_t>(now.year));
  records::WriteU8(record, take::kMonth, static_cast<std::uint8_t>(now.month));
  records::WriteU8(record, take::kDay, static_cast<std::uint8_t>(now.day));
  records::WriteU8(record, take::kHour, static_cast<std::uint8_t>(now.hour));
  records::WriteU8(record, take::kMinute, static_cast<std::uint8_t>(now.minute));
  records::WriteU8(record, take::kSecond, static_cast<std::uint8_t>(now.second));
}

struct Exposure {
  MorlundStatus status = 0;
  std::vector<std::pair<std::string, std::string>> details;  // for the calls log
};

[[maybe_unused]] Exposure Expose(const hostsim::Switches& switches, GmHandle patient,
                                 GmHandle take_handle) {
  hostsim::LockedBlock patient_block(patient, records::patient::kSize);
  hostsim::LockedBlock take_block(take_handle, take::kSize);
  if (patient_block.data() == nullptr || take_block.data() == nullptr) {
    return {kParameterError, {{"error", hostsim::Quoted("invalid record block")}}};
  }
  std::uint8_t* record = take_block.data();

  auto width = static_cast<std::uint32_t>(std::clamp(switches.Int(kSection, "Width"), 1, 8000));
  auto height = static_cast<std::uint32_t>(std::clamp(switches.Int(kSection, "Height"), 1, 8000));
  unsigned bits = switches.Int(kSection, "BitsPerPixel") == 8 ? 8 : 16;
  auto lut_entries =
      static_cast<std::uint32_t>(std::clamp(switches.Int(kSection, "LutEntries"), 0, 65536));
  auto seed = static_cast<std::uint32_t>(switches.Int(kSection, "Seed"));
  hostsim::Image image = hostsim::MakeExposureImage(width, height, bits, lut_entries, seed);

  GmHandle header = 0;
  GmHandle pixels = 0;
  if (!hostsim::MakeImageBlocks(image, &header, &pixels))
    return {kMemoryProblem, {{"error", hostsim::Quoted("no memory")}}};
  GmHandle extension = 0;
  if (switches.Int(kSection, "Extension") != 0) {
    std::string text = switches.Text(kSection, "ExtensionText");
    if (text.empty()) {
      text = hostsim::ExtensionText(switches.Text(kSection, "ExtensionIni"),
                                    switches.Int(kSection, "ExtensionEscaping"));
    }
    extension = hostsim::MakeExtensionBlock(switches.Text(kSection, "ExtensionFirstText"), text);
    if (extension == 0) {
      GmFree(header);
      GmFree(pixels);
      return {kMemoryProblem, {{"error", hostsim::Quoted("no memory")}}};
    }
  }

  // The lead text ("}") and the take type the caller set stay as they are.
  records::WriteText(record, take::kHardware, switches.Text(kSection, "Hardware"));
  records::WriteText(record, take::kAutoCorrection, switches.Text(kSection, "AutoCorrection"));
  records::WriteText(record, take::kExposureParameters,
                     switches.Text(kSection, "ExposureParameters"));
  std::string logo = switches.Text(kSection, "Logo");
  if (!logo.empty()) {
    std::uint8_t* mark = record + take::kMark.offset;
    hostsim::mark::Init(mark);
    hostsim::mark::SetLogo(mark, logo);
    hostsim::mark::SetVersion(mark, switches.Text(kSection, "LogoVersion"));
  }
  records::WriteU32(record, take::kHeaderHandle, header);
  records::WriteU32(record, take::kPixelHandle, pixels);
  records::WriteU32(record, take::kExtensionHandle, extension);
  StampTakeTime(record);
  return {
      0,
      {{"image", std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(bits)},
       {"lut", std::to_string(bits == 16 ? lut_entries : 0)},
       {"header", hostsim::Hex32(header)},
       {"pixels", hostsim::Hex32(pixels)},
       {"ext", hostsim::Hex32(extension)}}};
}

[[maybe_unused]] MorlundStatus TakeImage(const hostsim::Switches& switches, std::uint32_t zero,
                                         GmHandle patient, GmHandle take_record,
                                         std::uint32_t three, MorlundWindow owner,
                                         std::uint32_t one, std::uint32_t zero2) {
  hostsim::LogLine line("MC_TakeImage");
  line.Arg(zero)
      .Arg(hostsim::PatientSummary(patient))
      .Arg(hostsim::TakeSummary(take_record))
      .Arg(three)
      .Arg(hostsim::Hex32(owner))
      .Arg(one)
      .Arg(zero2);
  hostsim::CrashOrHangWhenSwitched(switches, kSection, line);
  int delay = switches.Int(kSection, "DelayMs");
  if (switches.Int(kSection, "Window") != 0) {
    hostsim::ShowAcquisitionWindow(owner, delay);
  } else if (delay > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  }
  Exposure exposure;
  exposure.status = static_cast<MorlundStatus>(switches.Int(kSection, "TakeImageStatus"));
  if (exposure.status == 0) exposure = Expose(switches, patient, take_record);
  line.Result(exposure.status);
  for (const auto& [key, value] : exposure.details) line.Detail(key, value);
  line.WriteTo(switches.folder());
  return exposure.status;
}

}  // namespace

#ifndef HOSTSIM_LACK_MC_TakeImage
HOSTSIM_EXPORT MorlundStatus MC_TakeImage(std::uint32_t zero, GmHandle patient,
                                          GmHandle take_record, std::uint32_t three,
                                          MorlundWindow owner, std::uint32_t one,
                                          std::uint32_t zero2) {
  MorlundStatus status = 0;
  hostsim::CarelessReturn careless;
  {
    const hostsim::Switches switches(hostsim::InstallFolder());
    status = TakeImage(switches, zero, patient, take_record, three, owner, one, zero2);
    careless = hostsim::CarelessReturnSwitched(switches, kSection);
  }
  // Nothing runs after these but the return.
  hostsim::WritePastParameters(&zero2, careless.words_past_parameters);
  hostsim::LeaveCallStateChanged(careless);
  return status;
}
#endif

#ifndef HOSTSIM_LACK_MC_CheckVersion
HOSTSIM_EXPORT MorlundStatus MC_CheckVersion(std::uint32_t version, std::uint32_t reserved) {
  hostsim::InstallOwnFilterWhenSwitched(hostsim::Switches(hostsim::InstallFolder()), kSection);
  return hostsim::AnswerCheckVersion("MC_CheckVersion", kSection, 0x102, version, reserved);
}
#endif
