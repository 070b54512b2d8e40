#include "fault_once/faulty_services.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/service.h"
#include "platform/windows_codes.h"

namespace radlyn::faults {
namespace {

using enum Call;
using platform::ScopedService;

// An XML parser failure as MSXML reports one (E_FAIL).
platform::XmlError ParserError() {
  return platform::XmlError(platform::kWinUnspecifiedFailure, "Unspecified error");
}

// What a profile read answers when its file cannot be read: the fallback without its trailing
// blanks, cut at the limit.
std::string Fallback(std::string_view fallback, std::size_t limit) {
  while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
  return std::string(fallback.substr(0, limit));
}

class FaultyXmlNode final : public platform::XmlNode {
 public:
  FaultyXmlNode(FaultPlan& plan, std::shared_ptr<platform::XmlNode> node)
      : plan_(plan), node_(std::move(node)) {}

  static std::shared_ptr<platform::XmlNode> Wrap(FaultPlan& plan,
                                                 std::shared_ptr<platform::XmlNode> node) {
    if (!node) return node;
    return std::make_shared<FaultyXmlNode>(plan, std::move(node));
  }

  platform::XmlNodeType Type() override {
    if (plan_.Fails(kXmlNodeType)) throw ParserError();
    return node_->Type();
  }
  bool HasChildNodes() override {
    if (plan_.Fails(kXmlNodeHasChildNodes)) throw ParserError();
    return node_->HasChildNodes();
  }
  std::vector<std::shared_ptr<platform::XmlNode>> ChildNodes() override {
    if (plan_.Fails(kXmlNodeChildNodes)) throw ParserError();
    std::vector<std::shared_ptr<platform::XmlNode>> children = node_->ChildNodes();
    for (auto& child : children) child = Wrap(plan_, std::move(child));
    return children;
  }
  std::string Text() override {
    if (plan_.Fails(kXmlNodeText)) throw ParserError();
    return node_->Text();
  }
  std::optional<std::string> DataType() override {
    if (plan_.Fails(kXmlNodeDataType)) throw ParserError();
    return node_->DataType();
  }
  std::string Xml() override {
    if (plan_.Fails(kXmlNodeXml)) throw ParserError();
    return node_->Xml();
  }
  std::optional<std::string> GetAttribute(std::string_view name) override {
    if (plan_.Fails(kXmlNodeGetAttribute)) throw ParserError();
    return node_->GetAttribute(name);
  }

 private:
  FaultPlan& plan_;
  std::shared_ptr<platform::XmlNode> node_;
};

class FaultyXmlDocument final : public platform::XmlDocument {
 public:
  FaultyXmlDocument(FaultPlan& plan, std::unique_ptr<platform::XmlDocument> document)
      : plan_(plan), document_(std::move(document)) {}

  bool LoadXml(std::string_view text) override {
    if (plan_.Fails(kXmlLoadXml)) {
      document_->LoadXml("");  // a rejected text leaves no content
      return false;
    }
    return document_->LoadXml(text);
  }
  std::shared_ptr<platform::XmlNode> SelectSingleNode(std::string_view xpath) override {
    if (plan_.Fails(kXmlSelectSingleNode)) throw ParserError();
    return FaultyXmlNode::Wrap(plan_, document_->SelectSingleNode(xpath));
  }

 private:
  FaultPlan& plan_;
  std::unique_ptr<platform::XmlDocument> document_;
};

class FaultyXmlParser final : public platform::XmlParser {
 public:
  explicit FaultyXmlParser(FaultPlan& plan) : plan_(plan) {}
  std::unique_ptr<platform::XmlDocument> CreateDocument() override {
    if (plan_.Fails(kXmlCreateDocument)) return nullptr;
    std::unique_ptr<platform::XmlDocument> document =
        platform::XmlParser::Native().CreateDocument();
    if (!document) return document;
    return std::make_unique<FaultyXmlDocument>(plan_, std::move(document));
  }
  std::string Name() override {
    plan_.Fails(kXmlParserName);
    return platform::XmlParser::Native().Name();
  }

 private:
  FaultPlan& plan_;
};

class FaultyAutomationObject final : public platform::AutomationObject {
 public:
  FaultyAutomationObject(FaultPlan& plan, std::unique_ptr<platform::AutomationObject> object)
      : plan_(plan), object_(std::move(object)) {}

  static std::unique_ptr<platform::AutomationObject> Wrap(
      FaultPlan& plan, std::unique_ptr<platform::AutomationObject> object) {
    if (!object) return object;
    return std::make_unique<FaultyAutomationObject>(plan, std::move(object));
  }
  static void WrapResult(FaultPlan& plan, platform::AutomationResult& result) {
    if (auto* object = std::get_if<std::unique_ptr<platform::AutomationObject>>(&result)) {
      *object = Wrap(plan, std::move(*object));
    }
  }

  platform::AutomationResult Invoke(std::int32_t dispatch_id, platform::InvokeKind kind,
                                    const std::vector<platform::AutomationArgument>& arguments,
                                    platform::ResultType result_type,
                                    std::vector<platform::AutomationResult>* out) override {
    if (plan_.Fails(kAutomationObjectInvoke)) {
      throw platform::AutomationError("call rejected by the object");
    }
    platform::AutomationResult result =
        object_->Invoke(dispatch_id, kind, arguments, result_type, out);
    WrapResult(plan_, result);
    if (out != nullptr) {
      for (platform::AutomationResult& argument : *out) WrapResult(plan_, argument);
    }
    return result;
  }

 private:
  FaultPlan& plan_;
  std::unique_ptr<platform::AutomationObject> object_;
};

class FaultyAutomation final : public platform::Automation {
 public:
  FaultyAutomation(FaultPlan& plan, platform::Automation& beneath)
      : plan_(plan), beneath_(beneath) {}
  bool IsClassRegistered(std::string_view prog_id) override {
    if (plan_.Fails(kAutomationIsClassRegistered)) return false;
    return beneath_.IsClassRegistered(prog_id);
  }
  platform::RunningInstance FindRunningInstance(std::string_view prog_id) override {
    if (plan_.Fails(kAutomationFindRunningInstance)) return {};
    platform::RunningInstance instance = beneath_.FindRunningInstance(prog_id);
    instance.object = FaultyAutomationObject::Wrap(plan_, std::move(instance.object));
    return instance;
  }
  std::unique_ptr<platform::AutomationObject> CreateInstance(std::string_view prog_id) override {
    if (plan_.Fails(kAutomationCreateInstance)) return nullptr;
    return FaultyAutomationObject::Wrap(plan_, beneath_.CreateInstance(prog_id));
  }

 private:
  FaultPlan& plan_;
  platform::Automation& beneath_;
};

class FaultyClock final : public platform::Clock {
 public:
  FaultyClock(FaultPlan& plan, platform::Clock& beneath) : plan_(plan), beneath_(beneath) {}
  platform::LocalTime Now() override {
    plan_.Fails(kClockNow);
    return beneath_.Now();
  }
  void Sleep(std::uint32_t milliseconds) override {
    plan_.Fails(kClockSleep);
    beneath_.Sleep(milliseconds);
  }

 private:
  FaultPlan& plan_;
  platform::Clock& beneath_;
};

class FaultyCodePages final : public platform::CodePages {
 public:
  explicit FaultyCodePages(FaultPlan& plan) : plan_(plan) {}
  unsigned AnsiCodePage() override {
    plan_.Fails(kCodePagesAnsiCodePage);
    return native().AnsiCodePage();
  }
  unsigned OemCodePage() override {
    plan_.Fails(kCodePagesOemCodePage);
    return native().OemCodePage();
  }
  std::string LowerAnsi(std::string_view text) override {
    plan_.Fails(kCodePagesLowerAnsi);
    return native().LowerAnsi(text);
  }
  std::string AnsiToOem(std::string_view text) override {
    plan_.Fails(kCodePagesAnsiToOem);
    return native().AnsiToOem(text);
  }
  std::string OemToAnsi(std::string_view text) override {
    plan_.Fails(kCodePagesOemToAnsi);
    return native().OemToAnsi(text);
  }
  std::string AnsiToUtf8(std::string_view text) override {
    plan_.Fails(kCodePagesAnsiToUtf8);
    return native().AnsiToUtf8(text);
  }
  std::string Utf8ToAnsi(std::string_view text) override {
    plan_.Fails(kCodePagesUtf8ToAnsi);
    return native().Utf8ToAnsi(text);
  }
  std::string Utf16LeToAnsi(std::u16string_view text) override {
    plan_.Fails(kCodePagesUtf16LeToAnsi);
    return native().Utf16LeToAnsi(text);
  }

 private:
  static platform::CodePages& native() { return platform::CodePages::Native(); }
  FaultPlan& plan_;
};

class FaultyComponentSystem final : public platform::ComponentSystem {
 public:
  explicit FaultyComponentSystem(FaultPlan& plan) : plan_(plan) {}
  bool Initialize() override {
    if (plan_.Fails(kComponentSystemInitialize)) return false;
    return native().Initialize();
  }
  void FreeUnusedLibraries() override {
    plan_.Fails(kComponentSystemFreeUnusedLibraries);
    native().FreeUnusedLibraries();
  }
  void Uninitialize() override {
    plan_.Fails(kComponentSystemUninitialize);
    native().Uninitialize();
  }

 private:
  static platform::ComponentSystem& native() { return platform::ComponentSystem::Native(); }
  FaultPlan& plan_;
};

class FaultyDebugOutput final : public platform::DebugOutput {
 public:
  explicit FaultyDebugOutput(FaultPlan& plan) : plan_(plan) {}
  void Write(std::string_view text) override {
    plan_.Fails(kDebugOutputWrite);
    platform::DebugOutput::Native().Write(text);
  }

 private:
  FaultPlan& plan_;
};

class FaultyLibraries final : public platform::DynamicLibraries {
 public:
  explicit FaultyLibraries(FaultPlan& plan) : plan_(plan) {}
  platform::LibraryHandle Load(std::string_view path) override {
    if (plan_.Fails(kLibrariesLoad)) return 0;
    return native().Load(path);
  }
  void* FindExport(platform::LibraryHandle library, const char* name) override {
    if (plan_.Fails(kLibrariesFindExport)) return nullptr;
    return native().FindExport(library, name);
  }
  void Release(platform::LibraryHandle library) override {
    plan_.Fails(kLibrariesRelease);
    native().Release(library);
  }
  void SetSearchFolder(std::string_view folder) override { native().SetSearchFolder(folder); }

 private:
  static platform::DynamicLibraries& native() { return platform::DynamicLibraries::Native(); }
  FaultPlan& plan_;
};

class FaultyEnvironment final : public platform::Environment {
 public:
  explicit FaultyEnvironment(FaultPlan& plan) : plan_(plan) {}
  std::optional<std::string> GetVariable(std::string_view name) override {
    if (plan_.Fails(kEnvironmentGetVariable)) return std::nullopt;
    return native().GetVariable(name);
  }
  std::optional<std::string> ExpandEnvironmentText(std::string_view text,
                                                   std::size_t capacity) override {
    if (plan_.Fails(kEnvironmentExpandText)) return std::nullopt;
    return native().ExpandEnvironmentText(text, capacity);
  }

 private:
  static platform::Environment& native() { return platform::Environment::Native(); }
  FaultPlan& plan_;
};

class FaultyOwnFile final : public platform::OwnFile {
 public:
  FaultyOwnFile(FaultPlan& plan, std::unique_ptr<platform::OwnFile> file)
      : plan_(plan), file_(std::move(file)) {}
  bool Rewrite(std::string_view bytes) override {
    return !plan_.Fails(kOwnFileRewrite) && file_->Rewrite(bytes);
  }
  bool HoldsItsName() override {
    return !plan_.Fails(kOwnFileHoldsItsName) && file_->HoldsItsName();
  }

 private:
  FaultPlan& plan_;
  std::unique_ptr<platform::OwnFile> file_;
};

class FaultyFileSystem final : public platform::FileSystem {
 public:
  FaultyFileSystem(FaultPlan& plan, platform::FileSystem& beneath)
      : plan_(plan), beneath_(beneath) {}

  bool Exists(std::string_view path) override {
    return !plan_.Fails(kFilesExists) && beneath_.Exists(path);
  }
  bool FolderExists(std::string_view path) override {
    return !plan_.Fails(kFilesFolderExists) && beneath_.FolderExists(path);
  }
  bool IsLink(std::string_view path) override {
    return !plan_.Fails(kFilesIsLink) && beneath_.IsLink(path);
  }
  bool DeleteFile(std::string_view path) override {
    return !plan_.Fails(kFilesDeleteFile) && beneath_.DeleteFile(path);
  }
  bool MakeWritable(std::string_view path) override {
    return !plan_.Fails(kFilesMakeWritable) && beneath_.MakeWritable(path);
  }
  std::optional<std::string> FindFirstFile(std::string_view pattern) override {
    if (plan_.Fails(kFilesFindFirstFile)) return std::nullopt;
    return beneath_.FindFirstFile(pattern);
  }
  std::vector<std::string> FindFiles(std::string_view pattern) override {
    if (plan_.Fails(kFilesFindFiles)) return {};
    return beneath_.FindFiles(pattern);
  }
  bool CreatePrivateFolder(std::string_view path) override {
    return !plan_.Fails(kFilesCreatePrivateFolder) && beneath_.CreatePrivateFolder(path);
  }
  bool CreateFolderTree(std::string_view path) override {
    return !plan_.Fails(kFilesCreateFolderTree) && beneath_.CreateFolderTree(path);
  }
  bool CreateEmptyFile(std::string_view path) override {
    return !plan_.Fails(kFilesCreateEmptyFile) && beneath_.CreateEmptyFile(path);
  }
  bool CreateNewFile(std::string_view path) override {
    return !plan_.Fails(kFilesCreateNewFile) && beneath_.CreateNewFile(path);
  }
  std::unique_ptr<platform::OwnFile> CreateOwnFile(std::string_view path) override {
    if (plan_.Fails(kFilesCreateOwnFile)) return nullptr;
    std::unique_ptr<platform::OwnFile> file = beneath_.CreateOwnFile(path);
    if (!file) return nullptr;
    return std::make_unique<FaultyOwnFile>(plan_, std::move(file));
  }
  bool RenameFile(std::string_view from, std::string_view to) override {
    return !plan_.Fails(kFilesRenameFile) && beneath_.RenameFile(from, to);
  }
  std::optional<std::string> ReadWholeFile(std::string_view path, bool* opened) override {
    if (plan_.Fails(kFilesReadWholeFile)) {
      if (opened != nullptr) *opened = false;
      return std::nullopt;
    }
    return beneath_.ReadWholeFile(path, opened);
  }
  bool AppendToFile(std::string_view path, std::string_view bytes) override {
    return !plan_.Fails(kFilesAppendToFile) && beneath_.AppendToFile(path, bytes);
  }
  std::optional<std::uint64_t> FreeBytesAvailable(std::string_view root) override {
    if (plan_.Fails(kFilesFreeBytesAvailable)) return std::nullopt;
    return beneath_.FreeBytesAvailable(root);
  }
  bool CopyTree(std::string_view source_pattern, std::string_view destination) override {
    return !plan_.Fails(kFilesCopyTree) && beneath_.CopyTree(source_pattern, destination);
  }
  std::string TempFolder() override {
    if (plan_.Fails(kFilesTempFolder)) return {};
    return beneath_.TempFolder();
  }
  std::optional<std::string> CreateUniqueTempFile(std::string_view folder,
                                                  std::string_view prefix) override {
    if (plan_.Fails(kFilesCreateUniqueTempFile)) return std::nullopt;
    return beneath_.CreateUniqueTempFile(folder, prefix);
  }
  std::string CurrentFolder() override {
    if (plan_.Fails(kFilesCurrentFolder)) return {};
    return beneath_.CurrentFolder();
  }
  bool SetCurrentFolder(std::string_view path) override {
    return !plan_.Fails(kFilesSetCurrentFolder) && beneath_.SetCurrentFolder(path);
  }
  std::string ProgramFilePath() override {
    if (plan_.Fails(kFilesProgramFilePath)) return {};
    return beneath_.ProgramFilePath();
  }

 private:
  FaultPlan& plan_;
  platform::FileSystem& beneath_;
};

class FaultyGlobalMemory final : public platform::GlobalMemory {
 public:
  explicit FaultyGlobalMemory(FaultPlan& plan) : plan_(plan) {}
  GmHandle Alloc(std::uint32_t bytes) override {
    return plan_.Fails(kMemoryAlloc) ? 0 : native().Alloc(bytes);
  }
  void* Lock(GmHandle handle) override {
    return plan_.Fails(kMemoryLock) ? nullptr : native().Lock(handle);
  }
  int Unlock(GmHandle handle) override {
    plan_.Fails(kMemoryUnlock);
    return native().Unlock(handle);
  }
  GmHandle ReAlloc(GmHandle handle, std::uint32_t bytes) override {
    return plan_.Fails(kMemoryReAlloc) ? 0 : native().ReAlloc(handle, bytes);
  }
  std::uint32_t Size(GmHandle handle) override {
    return plan_.Fails(kMemorySize) ? 0 : native().Size(handle);
  }
  GmHandle Free(GmHandle handle) override {
    plan_.Fails(kMemoryFree);
    return native().Free(handle);
  }

 private:
  static platform::GlobalMemory& native() { return platform::GlobalMemory::Native(); }
  FaultPlan& plan_;
};

class FaultyNamedMutexes final : public platform::NamedMutexes {
 public:
  explicit FaultyNamedMutexes(FaultPlan& plan) : plan_(plan) {}
  platform::NamedMutexResult Create(std::string_view name) override {
    if (plan_.Fails(kMutexesCreate)) return {nullptr, platform::kWinAccessDenied};
    return platform::NamedMutexes::Native().Create(name);
  }

 private:
  FaultPlan& plan_;
};

class FaultyProcesses final : public platform::Processes {
 public:
  explicit FaultyProcesses(FaultPlan& plan) : plan_(plan) {}
  platform::ProcessRun Run(std::string_view program_path, std::string_view argument_text,
                           std::uint32_t time_limit_ms) override {
    if (plan_.Fails(kProcessesRun)) return {};
    return platform::Processes::Native().Run(program_path, argument_text, time_limit_ms);
  }
  std::uint32_t CurrentProcessId() override {
    plan_.Fails(kProcessesCurrentProcessId);
    return platform::Processes::Native().CurrentProcessId();
  }
  // A failure counts as running: the safe answer for a file that might still be in use.
  bool IsRunningThisProgram(std::uint32_t id) override {
    return plan_.Fails(kProcessesIsRunningThisProgram) ||
           platform::Processes::Native().IsRunningThisProgram(id);
  }

 private:
  FaultPlan& plan_;
};

class FaultyProfile final : public platform::Profile {
 public:
  explicit FaultyProfile(FaultPlan& plan) : plan_(plan) {}
  std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback,
                         std::size_t limit, std::string_view path) override {
    if (plan_.Fails(kProfileReadString)) return Fallback(fallback, limit);
    return native().ReadString(section, key, fallback, limit, path);
  }
  std::int32_t ReadInt(std::string_view section, std::string_view key, std::int32_t fallback,
                       std::string_view path) override {
    if (plan_.Fails(kProfileReadInt)) return fallback;
    return native().ReadInt(section, key, fallback, path);
  }
  bool WriteString(std::string_view section, std::string_view key, std::string_view value,
                   std::string_view path) override {
    return !plan_.Fails(kProfileWriteString) && native().WriteString(section, key, value, path);
  }

 private:
  static platform::Profile& native() { return platform::Profile::Native(); }
  FaultPlan& plan_;
};

class FaultyProgramFiles final : public platform::ProgramFiles {
 public:
  explicit FaultyProgramFiles(FaultPlan& plan) : plan_(plan) {}
  std::optional<platform::ProductVersion> ReadProductVersion(std::string_view path) override {
    if (plan_.Fails(kProgramFilesReadProductVersion)) return std::nullopt;
    return platform::ProgramFiles::Native().ReadProductVersion(path);
  }

 private:
  FaultPlan& plan_;
};

class FaultyRegistry final : public platform::Registry {
 public:
  explicit FaultyRegistry(FaultPlan& plan) : plan_(plan) {}
  std::optional<platform::RegistryValue> ReadClassesRootValue(std::string_view key,
                                                              std::string_view name) override {
    if (plan_.Fails(kRegistryReadClassesRootDefault)) return std::nullopt;
    return platform::Registry::Native().ReadClassesRootValue(key, name);
  }

 private:
  FaultPlan& plan_;
};

class FaultyUserInterface final : public platform::UserInterface {
 public:
  FaultyUserInterface(FaultPlan& plan, platform::UserInterface& beneath)
      : plan_(plan), beneath_(beneath) {}
  void ShowErrorMessage(std::string_view text, std::string_view caption) override {
    plan_.Fails(kUiShowErrorMessage);
    beneath_.ShowErrorMessage(text, caption);
  }
  void RunModalDialog(const platform::DialogTemplate& dialog,
                      const std::map<int, std::string>& texts, int icon_id) override {
    plan_.Fails(kUiRunModalDialog);
    beneath_.RunModalDialog(dialog, texts, icon_id);
  }
  std::optional<platform::WindowHandle> CreateModelessDialog(
      const platform::DialogTemplate& dialog) override {
    if (plan_.Fails(kUiCreateModelessDialog)) return std::nullopt;
    return beneath_.CreateModelessDialog(dialog);
  }
  void MoveWindow(platform::WindowHandle window, int x, int y, int width, int height) override {
    plan_.Fails(kUiMoveWindow);
    beneath_.MoveWindow(window, x, y, width, height);
  }
  void BringToForeground(platform::WindowHandle window) override {
    plan_.Fails(kUiBringToForeground);
    beneath_.BringToForeground(window);
  }
  void DestroyWindow(platform::WindowHandle window) override {
    plan_.Fails(kUiDestroyWindow);
    beneath_.DestroyWindow(window);
  }
  bool IsWindow(platform::WindowHandle window) override {
    return !plan_.Fails(kUiIsWindow) && beneath_.IsWindow(window);
  }
  platform::ScreenSize PrimaryScreenSize() override {
    if (plan_.Fails(kUiPrimaryScreenSize)) return {};
    return beneath_.PrimaryScreenSize();
  }

 private:
  FaultPlan& plan_;
  platform::UserInterface& beneath_;
};

}  // namespace

struct FaultyPlatform::Installed {
  Installed(FaultPlan& plan, const BeneathServices& beneath)
      : automation(plan, *beneath.automation),
        clock(plan, *beneath.clock),
        code_pages(plan),
        component_system(plan),
        debug_output(plan),
        libraries(plan),
        environment(plan),
        files(plan, *beneath.files),
        memory(plan),
        mutexes(plan),
        processes(plan),
        profile(plan),
        program_files(plan),
        registry(plan),
        ui(plan, *beneath.ui),
        xml(plan) {}

  FaultyAutomation automation;
  FaultyClock clock;
  FaultyCodePages code_pages;
  FaultyComponentSystem component_system;
  FaultyDebugOutput debug_output;
  FaultyLibraries libraries;
  FaultyEnvironment environment;
  FaultyFileSystem files;
  FaultyGlobalMemory memory;
  FaultyNamedMutexes mutexes;
  FaultyProcesses processes;
  FaultyProfile profile;
  FaultyProgramFiles program_files;
  FaultyRegistry registry;
  FaultyUserInterface ui;
  FaultyXmlParser xml;

  ScopedService<platform::Automation> automation_scope{automation};
  ScopedService<platform::Clock> clock_scope{clock};
  ScopedService<platform::CodePages> code_pages_scope{code_pages};
  ScopedService<platform::ComponentSystem> component_system_scope{component_system};
  ScopedService<platform::DebugOutput> debug_output_scope{debug_output};
  ScopedService<platform::DynamicLibraries> libraries_scope{libraries};
  ScopedService<platform::Environment> environment_scope{environment};
  ScopedService<platform::FileSystem> files_scope{files};
  ScopedService<platform::GlobalMemory> memory_scope{memory};
  ScopedService<platform::NamedMutexes> mutexes_scope{mutexes};
  ScopedService<platform::Processes> processes_scope{processes};
  ScopedService<platform::Profile> profile_scope{profile};
  ScopedService<platform::ProgramFiles> program_files_scope{program_files};
  ScopedService<platform::Registry> registry_scope{registry};
  ScopedService<platform::UserInterface> ui_scope{ui};
  ScopedService<platform::XmlParser> xml_scope{xml};
};

FaultyPlatform::FaultyPlatform(FaultPlan& plan, const BeneathServices& beneath)
    : installed_(std::make_unique<Installed>(plan, beneath)) {}

FaultyPlatform::~FaultyPlatform() = default;

}  // namespace radlyn::faults
