// MoGrfMan, the graphics module: the left/right label, the host mark and the filters, all
// working in place on the image whose blocks the take record names.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "core/call_log.h"
#include "core/exports.h"
#include "core/filters.h"
#include "core/install_folder.h"
#include "core/locked_block.h"
#include "core/mark_field.h"
#include "core/record_summary.h"
#include "core/stamp.h"
#include "core/switches.h"
#include "core/version_check.h"
#include "hostlink/modules/module_exports.h"
#include "hostlink/modules/record_layout.h"

namespace {

namespace records = radlyn::records;
namespace take = radlyn::records::take;

[[maybe_unused]] constexpr const char* kSection = "MoGrfMan";

// Filter statuses.
[[maybe_unused]] constexpr MorlundStatus kParameterError = 2;
[[maybe_unused]] constexpr MorlundStatus kMemoryProblem = 3;

// The take's image, read out of its blocks, to be written back after the change.
struct TakeImage {
  GmHandle header = 0;
  GmHandle pixels = 0;
  std::string take_type;
  std::string mark_text;
  std::optional<hostsim::Image> image;
  std::string reason;
};

[[maybe_unused]] TakeImage LoadTakeImage(GmHandle take_handle) {
  TakeImage result;
  hostsim::LockedBlock block(take_handle, take::kSize);
  if (block.data() == nullptr) {
    result.reason = "invalid take block";
    return result;
  }
  const std::uint8_t* record = block.data();
  result.header = records::ReadU32(record, take::kHeaderHandle);
  result.pixels = records::ReadU32(record, take::kPixelHandle);
  result.take_type = std::string(records::ReadText(record, take::kTakeType));
  result.mark_text = hostsim::mark::Shown(record + take::kMark.offset);
  result.image = hostsim::ReadImageBlocks(result.header, result.pixels, &result.reason);
  return result;
}

// The side of the mouth the take shows: the tooth number's quadrant (1, 4, 5, 8: the patient's
// right; 2, 3, 6, 7: left); no tooth number: right.
[[maybe_unused]] char SideOf(const std::string& take_type) {
  if (take_type.size() >= 2 && std::isdigit(static_cast<unsigned char>(take_type[0]))) {
    switch (take_type[0]) {
      case '2':
      case '3':
      case '6':
      case '7':
        return 'L';
      default:
        return 'R';
    }
  }
  return 'R';
}

[[maybe_unused]] char LetterFor(const hostsim::Switches& switches, const std::string& take_type) {
  std::string wanted = switches.Text(kSection, "LRLetter");
  if (wanted == "L" || wanted == "l") return 'L';
  if (wanted == "R" || wanted == "r") return 'R';
  return SideOf(take_type);
}

}  // namespace

#ifndef HOSTSIM_LACK_MGM_LRMarker
HOSTSIM_EXPORT void MGM_LRMarker(GmHandle take_record) {
  hostsim::Switches switches(hostsim::InstallFolder());
  hostsim::LogLine line("MGM_LRMarker");
  line.Arg(hostsim::TakeSummary(take_record)).Result("void");
  TakeImage taken = LoadTakeImage(take_record);
  if (taken.image) {
    char letter = LetterFor(switches, taken.take_type);
    hostsim::StampSideLetter(*taken.image, letter);
    hostsim::WriteSamplesBack(*taken.image, taken.header, taken.pixels);
    line.Detail("letter", hostsim::Quoted(std::string(1, letter)));
  } else {
    line.Detail("error", hostsim::Quoted(taken.reason));
  }
  line.WriteTo(switches.folder());
}
#endif

#ifndef HOSTSIM_LACK_MGM_SetMark
HOSTSIM_EXPORT void MGM_SetMark(GmHandle take_record) {
  hostsim::Switches switches(hostsim::InstallFolder());
  hostsim::LogLine line("MGM_SetMark");
  line.Arg(hostsim::TakeSummary(take_record)).Result("void");
  TakeImage taken = LoadTakeImage(take_record);
  if (taken.image) {
    hostsim::StampHostMark(*taken.image, taken.mark_text);
    hostsim::WriteSamplesBack(*taken.image, taken.header, taken.pixels);
    line.Detail("mark", hostsim::Quoted(taken.mark_text));
  } else {
    line.Detail("error", hostsim::Quoted(taken.reason));
  }
  line.WriteTo(switches.folder());
}
#endif

#ifndef HOSTSIM_LACK_MGM_CheckVersion
HOSTSIM_EXPORT MorlundStatus MGM_CheckVersion(std::uint32_t version, std::uint32_t reserved) {
  return hostsim::AnswerCheckVersion("MGM_CheckVersion", kSection, 0x107, version, reserved);
}
#endif

#ifndef HOSTSIM_LACK_MGM_FilterEx
HOSTSIM_EXPORT MorlundStatus MGM_FilterEx(std::uint32_t filter, std::uint32_t one,
                                          std::uint32_t zero, GmHandle take_record,
                                          void* zeroed_16_bytes, void* parameters) {
  hostsim::Switches switches(hostsim::InstallFolder());
  hostsim::WweBlock wwe{};
  if (parameters != nullptr) std::memcpy(wwe.data(), parameters, sizeof wwe);
  std::string wwe_text = "null";
  if (parameters != nullptr) {
    wwe_text = "[";
    for (std::size_t i = 0; i < wwe.size(); ++i) {
      wwe_text += (i == 0 ? "" : ",") + std::to_string(wwe[i]);
    }
    wwe_text += "]";
  }
  hostsim::LogLine line("MGM_FilterEx");
  line.Arg(filter)
      .Arg(one)
      .Arg(zero)
      .Arg(hostsim::TakeSummary(take_record))
      .Arg(hostsim::Bytes(zeroed_16_bytes, 16))
      .Arg(wwe_text);
  auto status = static_cast<MorlundStatus>(switches.Int(kSection, "FilterStatus"));
  std::string reason;
  if (status == 0) {
    TakeImage taken = LoadTakeImage(take_record);
    if (!taken.image) {
      status = kParameterError;
      reason = taken.reason;
    } else if (!hostsim::ApplyFilterCode(*taken.image, filter,
                                         parameters != nullptr ? &wwe : nullptr)) {
      status = kParameterError;
      reason = "unknown filter code, or code 9 without a WWE block";
    } else if (!hostsim::WriteSamplesBack(*taken.image, taken.header, taken.pixels)) {
      status = kMemoryProblem;
      reason = "the image blocks changed";
    }
  }
  line.Result(status);
  if (!reason.empty()) line.Detail("error", hostsim::Quoted(reason));
  line.WriteTo(switches.folder());
  return status;
}
#endif
