// Acquire: one exposure through Morlund's acquisition module (or the simulation), with the Orbel
// steps around it, 8-bit reduction, exposure values, the auto-post document, the host mark and
// the left/right label. On success the take block stays with the link until Uninitialize.
#include <string>

#include "hostlink/exposure_values.h"
#include "hostlink/modules/record_layout.h"
#include "hostlink/morlund_folder.h"
#include "hostlink/morlund_link.h"
#include "hostlink/orbel.h"
#include "hostlink/program_settings.h"
#include "hostlink/records.h"
#include "hostlink/reduce_to_8bit.h"
#include "hostlink/status_maps.h"
#include "hostlink/take_block.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/ui.h"
#include "support/error_numbers.h"

namespace radlyn {
namespace {

namespace take = records::take;

constexpr std::string_view kOrbelBackup = " -backupoem";
constexpr std::string_view kOrbelRestore = " -restore";
constexpr std::size_t kLogoBufferSize = 11;

// Everything Acquire sets up that has to be undone on the way out, whichever way that is (a
// failure, success, or an error raised by the automation or XML layer): the current folder is
// restored, a take block still locked is unlocked, a take block not handed to the link is
// released with its image blocks, and the patient block is cleared and released.
class AcquireScope {
 public:
  AcquireScope() : previous_folder_(platform::GetFileSystem().CurrentFolder()) {}
  ~AcquireScope() {
    auto& memory = platform::GetGlobalMemory();
    platform::GetFileSystem().SetCurrentFolder(previous_folder_);
    if (take_record != nullptr) memory.Unlock(take_block);
    if (!take_kept) FreeTakeBlock(take_block);
    if (patient_block != 0) {
      // The patient's identity goes with the block, not into memory that is merely released.
      if (void* record = memory.Lock(patient_block)) {
        ClearRecord(record, records::patient::kSize);
        memory.Unlock(patient_block);
      }
      memory.Free(patient_block);
    }
  }
  AcquireScope(const AcquireScope&) = delete;
  AcquireScope& operator=(const AcquireScope&) = delete;

  void UnlockTake() {
    platform::GetGlobalMemory().Unlock(take_block);
    take_record = nullptr;
  }

  GmHandle patient_block = 0;
  GmHandle take_block = 0;
  std::uint8_t* take_record = nullptr;  // while the take block is locked
  bool take_kept = false;               // the link owns the take block

 private:
  std::string previous_folder_;
};

}  // namespace

bool CMorlundLink::Acquire(platform::WindowHandle parent_window) {
  if (!initialized_ || !platform::GetUserInterface().IsWindow(parent_window)) {
    SetError(kErrorParameter, "Acquire: Wrong parameter or uninitialized");
    return false;
  }
  if (take_handle_ != 0) {
    SetError(kErrorApiNotInitialized, "Acquire: Take handle is uninitialized");
    return false;
  }

  const std::string morlund_folder = GetMorlundFolder();
  AcquireScope scope;
  platform::GetFileSystem().SetCurrentFolder(platform::WithoutTrailingSeparator(morlund_folder));

  auto& memory = platform::GetGlobalMemory();
  scope.patient_block = memory.Alloc(records::patient::kSize);
  scope.take_block = memory.Alloc(take::kSize);
  if (scope.patient_block == 0 || scope.take_block == 0) return false;
  auto* patient_record = static_cast<std::uint8_t*>(memory.Lock(scope.patient_block));
  if (patient_record == nullptr) return false;
  BuildHostPatientRecord(patient_, doctor_, patient_record);
  memory.Unlock(scope.patient_block);
  scope.take_record = static_cast<std::uint8_t*>(memory.Lock(scope.take_block));
  if (scope.take_record == nullptr) return false;
  std::uint8_t* const take_record = scope.take_record;
  records::WriteText(take_record, take::kLeadText, "}");
  records::WriteText(take_record, take::kTakeType, take_type_);

  OrbelChoice orbel = FindOrbelProgram(take_type_);
  if (!orbel.program_path.empty()) {
    const std::uint32_t prepared = RunOrbel(orbel.program_path, kOrbelBackup, kOrbelPrepareLimitMs);
    if (prepared != kErrorNone) {
      SetError(prepared, "Acquire: Orbel preparation failed");
      orbel.program_path.clear();
    }
  }

  const bool use_table = ReadProgramSetting(kUseLutSetting) != 0;
  const bool simulate = ReadProgramSetting(kSimuSetting) != 0;

  MorlundStatus status;
  if (simulate && !orbel.program_path.empty()) {
    status = LoadSimulationImage(scope.take_block, orbel.data_folder);
  } else {
    status =
        modules_.MC_TakeImage(0, scope.patient_block, scope.take_block, 3, parent_window, 1, 0);
  }
  if (StatusWord(status) != 0) {
    if (!orbel.program_path.empty())
      RunOrbel(orbel.program_path, kOrbelRestore, kOrbelPrepareLimitMs);
    SetError(MapTakeImageStatus(status), "Acquire: Error TakeImage");
    return false;
  }

  // The exposure is taken: from here on the link owns the take and the call succeeds.
  take_handle_ = scope.take_block;
  scope.take_kept = true;

  const auto reduce = [&] {
    ReduceTo8Bit(records::ReadU32(take_record, take::kHeaderHandle),
                 records::ReadU32(take_record, take::kPixelHandle), use_table);
  };
  if (bit_depth_ == 8 && orbel.program_path.empty()) reduce();

  const ExposureValues values =
      ExtractExposureValues(records::ReadText(take_record, take::kExposureParameters));
  exposure_time_ = values.exposure_time;
  tube_voltage_ = values.tube_voltage;
  tube_current_ = values.tube_current;

  if (!orbel.program_path.empty()) {
    ProcessWithOrbel(orbel.program_path, orbel.data_folder, take_record, scope.patient_block);
    if (bit_depth_ == 8) reduce();
  }

  BuildAutoPostDocument(take_record);

  char* mark = reinterpret_cast<char*>(take_record + take::kMark.offset);
  char logo[kLogoBufferSize] = {};
  modules_.UTL_GetLogo(mark, logo, kLogoBufferSize);
  if (logo[0] == '\0') {
    modules_.UTL_InitMark(mark);
    modules_.UTL_SetLogo(mark, product_name_.c_str());
    modules_.UTL_SetVersion(mark, host_version_.c_str());
  }
  scope.UnlockTake();

  const std::string take_settings = morlund_folder + "mofiledb.ini";
  if (modules_.UTL_GetPrivateProfileIntTakeType("Take", "SetLRLabel", take_type_.c_str(), 0,
                                                take_settings.c_str()) != 0) {
    modules_.MGM_LRMarker(take_handle_);
  }
  modules_.MGM_SetMark(take_handle_);
  return true;
}

}  // namespace radlyn
