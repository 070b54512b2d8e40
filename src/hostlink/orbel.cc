// Orbel processing of an acquisition: whether Orbel takes part (FindOrbelProgram) and the
// exchange of the taken image with the Orbel program through a temporary TIFF file
// (ProcessWithOrbel). Failures never fail the acquisition: they are written to the event log,
// Orbel's preparation is undone where it still stands, and the unprocessed image is kept.
#include "hostlink/orbel.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "hostlink/modules/record_layout.h"
#include "hostlink/morlund_link.h"
#include "hostlink/records.h"
#include "hostlink/status_maps.h"
#include "platform/file_system.h"
#include "platform/global_memory.h"
#include "platform/last_error.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "pluginserver/options_manager.h"
#include "pluginserver/plugin_server.h"
#include "support/error_numbers.h"
#include "support/event_log.h"

namespace radlyn {
namespace {

namespace image = records::image;

constexpr std::string_view kOrbelRestore = " -restore";
constexpr std::string_view kTempSuffix = ".tmp";
constexpr std::string_view kImageSuffix = ".tif";

// The temporary image file and the unique name it was made from. Both are created as new files
// (the image name exclusively, so no one can have placed a file or link there beforehand) and
// deleted again when the exchange is over, on every path, waiting out a scanner's hold as
// Radlyn's other own files do; a file that stays is named in the event log. Their names carry
// this process's id, so that a later job removes what a killed one left (RemoveOrbelLeftovers).
// They lie in the user's temporary folder, or, when that folder has no name in the program's
// texts, in kFallbackFolder below the Orbel data folder, a folder of this user's alone (created
// when missing, never through a link), which Orbel reaches too.
constexpr std::string_view kFallbackFolder = "RadlynTemp";

// Deletes one of Orbel's temporary files; one that stays is named in the event log.
void DeleteTemporaryFile(const std::string& path, platform::RetryBudget& budget) {
  platform::FileSystem& files = platform::GetFileSystem();
  if (platform::RetryTransientFailures(budget, [&] { return files.DeleteFile(path); })) return;
  const std::uint32_t error = platform::GetLastErrorCode();
  if (platform::IsNotFoundError(error)) return;
  WriteEventLog("Error", "Orbel's temporary file could not be deleted: " + path + " (error " +
                             std::to_string(error) + ")");
}

class TemporaryImage {
 public:
  explicit TemporaryImage(const std::string& orbel_data_folder) {
    platform::FileSystem& files = platform::GetFileSystem();
    std::string folder = files.TempFolder();
    if (folder.empty()) {
      folder = orbel_data_folder + std::string(kFallbackFolder);
      if (!files.CreatePrivateFolder(folder)) return;
      folder += platform::kPathSeparator;
      RemoveOrbelLeftovers(folder);
    }
    const std::string prefix = std::string(kOrbelTempPrefix) +
                               std::to_string(platform::GetProcesses().CurrentProcessId()) + "-";
    std::optional<std::string> unique = files.CreateUniqueTempFile(folder, prefix);
    if (!unique) return;
    unique_path_ = *unique;
    image_path_ = ImageNameFor(unique_path_);
    created_ = files.CreateNewFile(image_path_);
  }
  ~TemporaryImage() {
    platform::RetryBudget budget;
    if (created_) DeleteTemporaryFile(image_path_, budget);
    if (!unique_path_.empty()) DeleteTemporaryFile(unique_path_, budget);
  }
  TemporaryImage(const TemporaryImage&) = delete;
  TemporaryImage& operator=(const TemporaryImage&) = delete;

  bool created() const { return created_; }
  const std::string& path() const { return image_path_; }

 private:
  // Every ".tmp" of the file name becomes ".tif"; the folder part stays as it is.
  static std::string ImageNameFor(const std::string& unique_path) {
    std::size_t name_start = 0;
    for (std::size_t i = 0; i < unique_path.size(); ++i) {
      if (platform::IsPathSeparator(unique_path[i])) name_start = i + 1;
    }
    std::string path = unique_path;
    for (std::size_t at = path.find(kTempSuffix, name_start); at != std::string::npos;
         at = path.find(kTempSuffix, at + kImageSuffix.size())) {
      path.replace(at, kTempSuffix.size(), kImageSuffix);
    }
    return path;
  }

  std::string unique_path_;
  std::string image_path_;
  bool created_ = false;
};

// The first text of the take's extension block as it stood before the exchange. Filling the
// exchange record converts that text to the OEM code page in place; an exchange that fails puts
// the original bytes back, so the take holds the same text afterwards (and a later SaveAs
// converts it once, not twice). A successful exchange converts it back through the import.
class ExtensionTextKeeper {
 public:
  explicit ExtensionTextKeeper(const std::uint8_t* take_record)
      : handle_(records::ReadU32(take_record, records::take::kExtensionHandle)) {
    platform::GlobalMemory& memory = platform::GetGlobalMemory();
    const auto* block = handle_ != 0 ? static_cast<const char*>(memory.Lock(handle_)) : nullptr;
    if (block == nullptr) return;
    text_.assign(block, strnlen(block, memory.Size(handle_)));
    memory.Unlock(handle_);
  }

  void Restore() const {
    platform::GlobalMemory& memory = platform::GetGlobalMemory();
    auto* block = handle_ != 0 ? static_cast<char*>(memory.Lock(handle_)) : nullptr;
    if (block == nullptr) return;
    std::memcpy(block, text_.data(), std::min<std::size_t>(text_.size(), memory.Size(handle_)));
    memory.Unlock(handle_);
  }

 private:
  GmHandle handle_;
  std::string text_;
};

bool FileStatusOk(MorlundStatus status) { return MapFileStatus(status) == kErrorNone; }

// The process id in the name of one of Orbel's temporary files, or std::nullopt.
std::optional<std::uint32_t> OwnerOf(const std::string& path) {
  const std::size_t start = path.rfind(kOrbelTempPrefix);
  if (start == std::string::npos) return std::nullopt;
  const std::size_t digits = start + kOrbelTempPrefix.size();
  const std::size_t end = path.find('-', digits);
  if (end == std::string::npos || end == digits || end - digits > 10) return std::nullopt;
  std::uint64_t id = 0;
  for (std::size_t i = digits; i < end; ++i) {
    if (path[i] < '0' || path[i] > '9') return std::nullopt;
    id = id * 10 + static_cast<std::uint64_t>(path[i] - '0');
  }
  if (id > UINT32_MAX) return std::nullopt;
  return static_cast<std::uint32_t>(id);
}

}  // namespace

void RemoveOrbelLeftovers(const std::string& folder) {
  if (folder.empty()) return;
  platform::Processes& processes = platform::GetProcesses();
  const std::uint32_t own = processes.CurrentProcessId();
  platform::RetryBudget budget;
  for (const std::string& path :
       platform::GetFileSystem().FindFiles(folder + std::string(kOrbelTempPrefix) + "*")) {
    const std::optional<std::uint32_t> owner = OwnerOf(path);
    if (!owner || *owner == own || processes.IsRunningThisProgram(*owner)) continue;
    DeleteTemporaryFile(path, budget);
  }
}

CMorlundLink::OrbelChoice CMorlundLink::FindOrbelProgram(const std::string& take_type) {
  OrbelChoice choice;
  choice.program_path = GetOrbelPluginPath();
  if (!choice.program_path.empty()) {
    choice.data_folder = GetOrbelDataFolder();
    if (!IsTakeTypeInOrbelFilter(take_type, choice.data_folder)) choice.program_path.clear();
  }
  return choice;
}

bool CMorlundLink::ProcessWithOrbel(std::string& program_path, const std::string& orbel_data_folder,
                                    std::uint8_t* take_record, GmHandle patient_block) {
  TemporaryImage temporary(orbel_data_folder);
  const std::string& image_path = temporary.path();

  std::vector<std::uint8_t> image_record(image::kSize, 0);
  const RecordClearer clear_image(image_record.data(), image_record.size());
  platform::GlobalMemory& memory = platform::GetGlobalMemory();
  const ExtensionTextKeeper extension_text(take_record);
  const auto* patient_record = static_cast<const std::uint8_t*>(memory.Lock(patient_block));
  ToHostImageRecord(patient_record, take_record, image_record.data());
  if (patient_record != nullptr) memory.Unlock(patient_block);

  const bool created =
      temporary.created() && modules_.FIO_CreateImageFile != nullptr &&
      FileStatusOk(modules_.FIO_CreateImageFile(image_path.c_str(), image_record.data(),
                                                records::mask::kExchange, 1, 0, 0));
  if (!created) {
    extension_text.Restore();
    RunOrbel(program_path, kOrbelRestore, kOrbelPrepareLimitMs);
    WriteEventLog("Error", "Intermediate Orbel image file could not be created: " + image_path);
    program_path.clear();
    return false;
  }

  const std::string check_arguments = " -check \"" + image_path + "\"";
  if (RunOrbel(program_path, check_arguments, kOrbelCheckLimitMs) != kErrorNone) {
    extension_text.Restore();
    RunOrbel(program_path, kOrbelRestore, kOrbelPrepareLimitMs);
    WriteEventLog("Error", "Orbel image processing failed: " + check_arguments);
    program_path.clear();
    return false;
  }

  const bool imported = modules_.FIO_ImportImageFile != nullptr &&
                        FileStatusOk(modules_.FIO_ImportImageFile(
                            image_path.c_str(), image_record.data(), records::mask::kExchange));
  if (!imported) {
    extension_text.Restore();
    WriteEventLog("Error", "Orbel result image file could not be imported: " + image_path);
    program_path.clear();
    return false;
  }

  // The take now describes Orbel's result, in the blocks the import handed back. The blocks of
  // the unprocessed image went to the file module with the record: it may have freed them or
  // reused them for the result, so they are not touched here.
  FromHostImageRecord(take_record, image_record.data(), records::mask::kCopyBack);
  post_processed_ = 1;
  return true;
}

}  // namespace radlyn
