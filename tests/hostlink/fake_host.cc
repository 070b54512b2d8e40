#include "fake_host.h"

#include <cstring>
#include <filesystem>
#include <fstream>

#include "hostlink/modules/record_layout.h"
#include "platform/global_memory.h"

namespace radlyn::testing {
namespace {

ModuleBehaviour* behaviour = nullptr;

ModuleBehaviour& B() { return *behaviour; }

std::vector<std::uint8_t> Snapshot(GmHandle handle) {
  auto* bytes = static_cast<std::uint8_t*>(GmLock(handle));
  if (bytes == nullptr) return {};
  std::vector<std::uint8_t> copy(bytes, bytes + GmSize(handle));
  GmUnlock(handle);
  return copy;
}

MorlundStatus CheckVersion(const char* name, std::uint32_t version, std::uint32_t reserved) {
  B().calls.push_back(std::string(name) + "(" + std::to_string(version) + "," +
                      std::to_string(reserved) + ")");
  auto found = B().check_version.find(name);
  return found == B().check_version.end() ? 1 : found->second;
}

// The stand-ins below keep the modules' calling convention: the link calls them through the
// module function types, and on 32-bit Windows a mismatch corrupts the stack.
MorlundStatus MORLUND_CALL FDB_Open() {
  B().calls.push_back("FDB_Open");
  return B().fdb_open;
}
void MORLUND_CALL FDB_Close() { B().calls.push_back("FDB_Close"); }
MorlundStatus MORLUND_CALL FDB_CheckVersion(std::uint32_t v, std::uint32_t r) {
  return CheckVersion("FDB_CheckVersion", v, r);
}

MorlundStatus MORLUND_CALL MC_TakeImage(std::uint32_t zero, GmHandle patient, GmHandle take,
                                        std::uint32_t three, MorlundWindow owner, std::uint32_t one,
                                        std::uint32_t zero2) {
  B().calls.push_back("MC_TakeImage(" + std::to_string(zero) + "," + std::to_string(three) + "," +
                      std::to_string(owner) + "," + std::to_string(one) + "," +
                      std::to_string(zero2) + ")");
  B().patient_record_seen = Snapshot(patient);
  B().take_record_seen = Snapshot(take);
  B().current_folder_seen = platform::GetFileSystem().CurrentFolder();
  if (B().fill_take) {
    auto* record = static_cast<std::uint8_t*>(GmLock(take));
    B().fill_take(record);
    GmUnlock(take);
  }
  return B().take_image;
}
MorlundStatus MORLUND_CALL MC_CheckVersion(std::uint32_t v, std::uint32_t r) {
  return CheckVersion("MC_CheckVersion", v, r);
}

void MORLUND_CALL MGM_LRMarker(GmHandle) { B().calls.push_back("MGM_LRMarker"); }
void MORLUND_CALL MGM_SetMark(GmHandle) { B().calls.push_back("MGM_SetMark"); }
MorlundStatus MORLUND_CALL MGM_CheckVersion(std::uint32_t v, std::uint32_t r) {
  return CheckVersion("MGM_CheckVersion", v, r);
}
MorlundStatus MORLUND_CALL MGM_FilterEx(std::uint32_t, std::uint32_t, std::uint32_t, GmHandle,
                                        void*, void*) {
  B().calls.push_back("MGM_FilterEx");
  return 0;
}

void MORLUND_CALL UTL_InitMark(char* mark) {
  B().calls.push_back("UTL_InitMark");
  std::memset(mark, 0, records::take::kMark.width);
}
void MORLUND_CALL UTL_GetLogo(const char*, char* buffer, std::uint32_t size) {
  B().calls.push_back("UTL_GetLogo(" + std::to_string(size) + ")");
  std::strncpy(buffer, B().logo.c_str(), size - 1);
}
void MORLUND_CALL UTL_SetLogo(char* mark, const char* product) {
  B().calls.push_back("UTL_SetLogo");
  B().texts.emplace_back(product);
  std::strncpy(mark, product, 10);
}
void MORLUND_CALL UTL_SetVersion(char*, const char* version) {
  B().calls.push_back("UTL_SetVersion");
  B().texts.emplace_back(version);
}
MorlundStatus MORLUND_CALL UTL_CheckVersion(std::uint32_t v, std::uint32_t r) {
  return CheckVersion("UTL_CheckVersion", v, r);
}
std::int32_t MORLUND_CALL IsDate(const char*) { return 0; }
std::int32_t MORLUND_CALL UTL_GetPrivateProfileIntTakeType(const char* section, const char* key,
                                                           const char* take_type,
                                                           std::int32_t fallback,
                                                           const char* file) {
  B().calls.push_back("UTL_GetPrivateProfileIntTakeType(" + std::string(section) + "," + key + "," +
                      take_type + "," + std::to_string(fallback) + "," + file + ")");
  auto found = B().take_type_ints.find(key);
  return found == B().take_type_ints.end() ? fallback : found->second;
}
std::uint32_t MORLUND_CALL UTL_GetPrivateProfileStringTakeType(const char*, const char*,
                                                               const char*, const char* fallback,
                                                               char* buffer, std::uint32_t size,
                                                               const char*) {
  B().calls.push_back("UTL_GetPrivateProfileStringTakeType");
  std::strncpy(buffer, fallback, size - 1);
  return 0;
}

MorlundStatus MORLUND_CALL FIO_CreateImageFile(const char* file, std::uint8_t* record,
                                               std::uint32_t mask, std::uint32_t one,
                                               std::uint32_t zero, std::uint32_t zero2) {
  B().calls.push_back("FIO_CreateImageFile(" + std::to_string(mask) + "," + std::to_string(one) +
                      "," + std::to_string(zero) + "," + std::to_string(zero2) + ")");
  B().texts.emplace_back(file);
  B().image_record_seen.assign(record, record + records::image::kSize);
  return B().create_image_file;
}
MorlundStatus MORLUND_CALL FIO_CheckVersion(std::uint32_t v, std::uint32_t r) {
  return CheckVersion("FIO_CheckVersion", v, r);
}
MorlundStatus MORLUND_CALL FIO_ImportImageFile(const char* file, std::uint8_t* record,
                                               std::uint32_t mask) {
  B().calls.push_back("FIO_ImportImageFile(" + std::to_string(mask) + ")");
  B().texts.emplace_back(file);
  if (B().import_image) B().import_image(record);
  return B().import_image_file;
}

template <typename F>
void* Address(F* function) {
  return reinterpret_cast<void*>(function);
}

const std::map<std::string, void*>& Exports() {
  static const std::map<std::string, void*> exports = {
      {"FDB_Open", Address(&FDB_Open)},
      {"FDB_Close", Address(&FDB_Close)},
      {"FDB_CheckVersion", Address(&FDB_CheckVersion)},
      {"MC_TakeImage", Address(&MC_TakeImage)},
      {"MC_CheckVersion", Address(&MC_CheckVersion)},
      {"MGM_LRMarker", Address(&MGM_LRMarker)},
      {"MGM_SetMark", Address(&MGM_SetMark)},
      {"MGM_CheckVersion", Address(&MGM_CheckVersion)},
      {"MGM_FilterEx", Address(&MGM_FilterEx)},
      {"UTL_InitMark", Address(&UTL_InitMark)},
      {"UTL_GetLogo", Address(&UTL_GetLogo)},
      {"UTL_SetLogo", Address(&UTL_SetLogo)},
      {"UTL_SetVersion", Address(&UTL_SetVersion)},
      {"UTL_CheckVersion", Address(&UTL_CheckVersion)},
      {"IsDate", Address(&IsDate)},
      {"UTL_GetPrivateProfileIntTakeType", Address(&UTL_GetPrivateProfileIntTakeType)},
      {"UTL_GetPrivateProfileStringTakeType", Address(&UTL_GetPrivateProfileStringTakeType)},
      {"FIO_CreateImageFile", Address(&FIO_CreateImageFile)},
      {"FIO_CheckVersion", Address(&FIO_CheckVersion)},
      {"FIO_ImportImageFile", Address(&FIO_ImportImageFile)},
  };
  return exports;
}

std::string MorlundProgram() { return kMorlundFolder + "morlund" + platform::kProgramFileSuffix; }

const std::vector<std::string>& Stems() {
  static const std::vector<std::string> stems = {"mofiledb", "momodch", "mogrfman", "moutil",
                                                 "mofileio"};
  return stems;
}

std::string StemOfPath(std::string_view path) {
  std::string name(path.substr(path.find_last_of("/\\") + 1));
  return name.substr(0, name.find('.'));
}

// An automation object answering fixed dispatch ids.
class FakeObject : public platform::AutomationObject {
 public:
  using Answer =
      std::function<platform::AutomationResult(std::vector<platform::AutomationResult>*)>;
  explicit FakeObject(std::map<std::int32_t, Answer> answers) : answers_(std::move(answers)) {}
  platform::AutomationResult Invoke(std::int32_t id, platform::InvokeKind,
                                    const std::vector<platform::AutomationArgument>&,
                                    platform::ResultType,
                                    std::vector<platform::AutomationResult>* out) override {
    auto found = answers_.find(id);
    if (found == answers_.end()) return {};
    return found->second(out);
  }

 private:
  std::map<std::int32_t, Answer> answers_;
};

platform::AutomationResult Text(const char* text) { return std::string(text); }

std::unique_ptr<platform::AutomationObject> OrbelPlugin() {
  return std::make_unique<FakeObject>(std::map<std::int32_t, FakeObject::Answer>{
      {8, [](auto*) { return Text("1.2"); }},
      {13, [](auto*) { return Text(kOrbelProgram.c_str()); }},
  });
}

std::unique_ptr<platform::AutomationObject> Login() {
  return std::make_unique<FakeObject>(std::map<std::int32_t, FakeObject::Answer>{
      {8, [](auto*) { return platform::AutomationResult(std::int32_t{1}); }},
      {17, [](auto*) { return platform::AutomationResult(OrbelPlugin()); }},
  });
}

}  // namespace

std::unique_ptr<platform::AutomationObject> FakeAutomation::CreateInstance(
    std::string_view prog_id) {
  if (!offers_orbel) return nullptr;
  if (prog_id == "MORLUNDNG.OptionsManager") {
    return std::make_unique<FakeObject>(std::map<std::int32_t, FakeObject::Answer>{
        {3, [](auto*) { return Text(kOrbelDataFolder.c_str()); }},
    });
  }
  return std::make_unique<FakeObject>(std::map<std::int32_t, FakeObject::Answer>{
      {2,
       [](std::vector<platform::AutomationResult>* out) {
         if (out != nullptr) out->emplace_back(Login());
         return platform::AutomationResult(std::int32_t{0});
       }},
  });
}

bool FakeFileSystem::DeleteFile(std::string_view path) {
  if (temp_folder.empty() || path.substr(0, temp_folder.size()) != temp_folder) return false;
  std::error_code error;
  return std::filesystem::remove(std::filesystem::path(path), error);
}

// In the real temporary folder only, as CreateNewFile.
std::vector<std::string> FakeFileSystem::FindFiles(std::string_view pattern) {
  if (temp_folder.empty() || pattern.substr(0, temp_folder.size()) != temp_folder) return {};
  return platform::FileSystem::Native().FindFiles(pattern);
}

bool FakeFileSystem::CreatePrivateFolder(std::string_view path) {
  if (temp_folder.empty() || path.substr(0, temp_folder.size()) != temp_folder) return false;
  return platform::FileSystem::Native().CreatePrivateFolder(path);
}

bool FakeFileSystem::CreateNewFile(std::string_view path) {
  if (temp_folder.empty() || path.substr(0, temp_folder.size()) != temp_folder) return false;
  return platform::FileSystem::Native().CreateNewFile(path);
}

std::optional<std::string> FakeFileSystem::CreateUniqueTempFile(std::string_view,
                                                                std::string_view) {
  if (temp_folder.empty()) return std::nullopt;
  static int made = 0;
  const std::string path = temp_folder + "exchange" + std::to_string(++made) + ".tmp";
  std::ofstream file(path);
  if (!file) return std::nullopt;
  if (image_name_taken)
    std::ofstream(temp_folder + "exchange" + std::to_string(made) + ".tif") << "held";
  return path;
}

platform::ProcessRun FakeProcesses::Run(std::string_view program_path,
                                        std::string_view argument_text,
                                        std::uint32_t time_limit_ms) {
  runs.push_back(std::string(program_path) + "|" + std::string(argument_text) + "|" +
                 std::to_string(time_limit_ms));
  auto found = exit_codes.find(std::string(argument_text));
  if (found == exit_codes.end()) {
    found = exit_codes.find(std::string(argument_text.substr(0, argument_text.find(" \""))));
  }
  return {true, found == exit_codes.end() ? 0u : found->second};
}

platform::LibraryHandle FakeLibraries::HandleOf(const std::string& stem) {
  for (std::size_t i = 0; i < Stems().size(); ++i) {
    if (Stems()[i] == stem) return 0x100 + i;
  }
  return 0;
}

platform::LibraryHandle FakeLibraries::Load(std::string_view path) {
  loaded.emplace_back(path);
  const std::string stem = StemOfPath(path);
  if (missing_files.count(stem) != 0) return 0;
  return HandleOf(stem);
}

void* FakeLibraries::FindExport(platform::LibraryHandle library, const char* name) {
  if (library == 0 || missing_exports.count(name) != 0) return nullptr;
  auto found = Exports().find(name);
  return found == Exports().end() ? nullptr : found->second;
}

void FakeLibraries::Release(platform::LibraryHandle library) {
  released.push_back(Stems().at(library - 0x100));
}

std::int32_t FakeProfile::ReadInt(std::string_view section, std::string_view key,
                                  std::int32_t fallback, std::string_view path) {
  auto found = values.find(std::string(path) + "|" + std::string(section) + "|" + std::string(key));
  return found == values.end() ? fallback : found->second;
}

FakeHost::FakeHost() : previous_behaviour_(behaviour) {
  behaviour = &behaviour_;
  registry.value = platform::RegistryValue{true, MorlundProgram()};
  SetMorlundVersion({7, 0, 0, 0});
}

FakeHost::~FakeHost() { behaviour = previous_behaviour_; }

ModuleBehaviour& FakeHost::Modules() { return B(); }

void FakeHost::SetMorlundVersion(platform::ProductVersion version) {
  program_files.versions[MorlundProgram()] = version;
}

}  // namespace radlyn::testing
