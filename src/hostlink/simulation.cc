// Simulation mode: a stored image stands in for the exposure, dated with the time of the run,
// and Orbel's prepared working files are handed to Orbel. Acquire only simulates a take that
// Orbel processes afterwards. The result file cannot tell such an image from an exposure (it
// reads ErrorNr=0 with the job's patient), so every simulated take leaves a warning in
// Morlund's event log, where support finds it.
#include <string>
#include <vector>

#include "hostlink/modules/record_layout.h"
#include "hostlink/morlund_link.h"
#include "hostlink/program_settings.h"
#include "hostlink/records.h"
#include "platform/clock.h"
#include "platform/global_memory.h"
#include "platform/paths.h"
#include "resources/string_table.h"
#include "support/error_numbers.h"
#include "support/event_log.h"
#include "support/folder_copy.h"

namespace radlyn {
namespace {

namespace take = records::take;

constexpr std::uint16_t kSimulationFailed = 1220;  // read by Acquire like a TakeImage status

// "ORBEL\simu.tif" and "ORBEL\TEMP\" below the program folder; "TEMP\" below Orbel's folder.
std::string Below(std::string folder, std::initializer_list<std::string_view> names) {
  for (std::string_view name : names) {
    folder = platform::WithTrailingSeparator(std::move(folder));
    folder += name;
  }
  return folder;
}

}  // namespace

std::uint16_t CMorlundLink::LoadSimulationImage(GmHandle take_block,
                                                const std::string& orbel_data_folder) {
  WriteEventLog("Warning", LoadResourceString(kIdsSimulatedImage));
  const std::string image_path = Below(ProgramFolder(), {"ORBEL", "simu.tif"});
  std::vector<std::uint8_t> image_record(records::image::kSize, 0);
  const bool imported =
      modules_.FIO_ImportImageFile != nullptr &&
      StatusWord(modules_.FIO_ImportImageFile(image_path.c_str(), image_record.data(),
                                              records::mask::kExchange)) == 0;
  platform::GlobalMemory& memory = platform::GetGlobalMemory();
  auto* take_record = imported ? static_cast<std::uint8_t*>(memory.Lock(take_block)) : nullptr;
  if (take_record == nullptr) {
    SetError(kErrorFileReading, "Acquire(): Couldn't read simulation image file");
    return kSimulationFailed;
  }
  FromHostImageRecord(take_record, image_record.data(), records::mask::kCopyBack);

  const platform::LocalTime now = platform::GetClock().Now();
  records::WriteU16(take_record, take::kYear, static_cast<std::uint16_t>(now.year));
  records::WriteU8(take_record, take::kMonth, static_cast<std::uint8_t>(now.month));
  records::WriteU8(take_record, take::kDay, static_cast<std::uint8_t>(now.day));
  records::WriteU8(take_record, take::kHour, static_cast<std::uint8_t>(now.hour));
  records::WriteU8(take_record, take::kMinute, static_cast<std::uint8_t>(now.minute));
  records::WriteU8(take_record, take::kSecond, static_cast<std::uint8_t>(now.second));
  memory.Unlock(take_block);

  const std::string prepared_files =
      platform::WithTrailingSeparator(Below(ProgramFolder(), {"ORBEL", "TEMP"}));
  const std::string orbel_work_folder = orbel_data_folder + "TEMP" + platform::kPathSeparator;
  if (!CopyFolderContents(prepared_files, orbel_work_folder)) {
    SetError(kErrorFileCreation, "Radlyn CopyDirectory failed");
    return kSimulationFailed;
  }
  return 0;
}

}  // namespace radlyn
