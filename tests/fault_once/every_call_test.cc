// The fault table cannot fall behind the platform: every method of every faulty service is called
// once here, and each call must be counted under its own row of kPlatformCalls and, where that row
// names a failure, be made to fail by the plan. Every row must have its line below, so a platform
// method added without a row, a row without a line, or a method forwarded without being counted
// fails this test. Services that would show a window or reach another program lie beneath inert
// doubles; the rest are the native ones, working in a scratch folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "fault_once/fault_plan.h"
#include "fault_once/faulty_services.h"
#include "support/platform_fakes.h"

namespace radlyn::faults {
namespace {

using enum Call;
namespace p = radlyn::platform;

class InertObject final : public p::AutomationObject {
 public:
  p::AutomationResult Invoke(std::int32_t, p::InvokeKind, const std::vector<p::AutomationArgument>&,
                             p::ResultType, std::vector<p::AutomationResult>*) override {
    return {};
  }
};

class InertAutomation final : public p::Automation {
 public:
  bool IsClassRegistered(std::string_view) override { return true; }
  p::RunningInstance FindRunningInstance(std::string_view) override {
    return {true, false, std::make_unique<InertObject>()};
  }
  std::unique_ptr<p::AutomationObject> CreateInstance(std::string_view) override {
    return std::make_unique<InertObject>();
  }
};

struct Scene {
  testing::ScratchFolder scratch;
  std::string File(const char* name) const { return scratch.Sub(name); }
};

std::shared_ptr<p::XmlNode> Node() {
  std::unique_ptr<p::XmlDocument> document = p::GetXmlParser().CreateDocument();
  if (!document || !document->LoadXml("<a b=\"1\"><c>text</c></a>")) return nullptr;
  return document->SelectSingleNode("/a");
}

// A file of this process's own under a name freed first (every line runs more than once).
std::unique_ptr<p::OwnFile> OwnFileAnew(const std::string& path) {
  p::FileSystem::Native().DeleteFile(path);
  return p::GetFileSystem().CreateOwnFile(path);
}

struct Line {
  Call call;
  std::function<void(const Scene&)> run;
};

const std::vector<Line>& Lines() {
  static const std::vector<Line> lines = {
      {kAutomationIsClassRegistered, [](auto&) { p::GetAutomation().IsClassRegistered("A.B"); }},
      {kAutomationFindRunningInstance,
       [](auto&) { p::GetAutomation().FindRunningInstance("A.B"); }},
      {kAutomationCreateInstance, [](auto&) { p::GetAutomation().CreateInstance("A.B"); }},
      {kAutomationObjectInvoke,
       [](auto&) {
         if (auto object = p::GetAutomation().CreateInstance("A.B")) {
           object->Invoke(1, p::InvokeKind::kMethod, {}, p::ResultType::kNone);
         }
       }},
      {kClockSleep, [](auto&) { p::GetClock().Sleep(1); }},
      {kClockNow, [](auto&) { p::GetClock().Now(); }},
      {kCodePagesAnsiCodePage, [](auto&) { p::GetCodePages().AnsiCodePage(); }},
      {kCodePagesOemCodePage, [](auto&) { p::GetCodePages().OemCodePage(); }},
      {kCodePagesLowerAnsi, [](auto&) { p::GetCodePages().LowerAnsi("A"); }},
      {kCodePagesAnsiToOem, [](auto&) { p::GetCodePages().AnsiToOem("A"); }},
      {kCodePagesOemToAnsi, [](auto&) { p::GetCodePages().OemToAnsi("A"); }},
      {kCodePagesAnsiToUtf8, [](auto&) { p::GetCodePages().AnsiToUtf8("A"); }},
      {kCodePagesUtf8ToAnsi, [](auto&) { p::GetCodePages().Utf8ToAnsi("A"); }},
      {kCodePagesUtf16LeToAnsi, [](auto&) { p::GetCodePages().Utf16LeToAnsi(u"A"); }},
      {kComponentSystemInitialize, [](auto&) { p::GetComponentSystem().Initialize(); }},
      {kComponentSystemFreeUnusedLibraries,
       [](auto&) { p::GetComponentSystem().FreeUnusedLibraries(); }},
      {kComponentSystemUninitialize, [](auto&) { p::GetComponentSystem().Uninitialize(); }},
      {kDebugOutputWrite, [](auto&) { p::WriteDebugOutput(""); }},
      {kLibrariesLoad, [](auto& s) { p::GetDynamicLibraries().Load(s.File("none.so")); }},
      {kLibrariesFindExport, [](auto&) { p::GetDynamicLibraries().FindExport(0, "none"); }},
      {kLibrariesRelease, [](auto&) { p::GetDynamicLibraries().Release(0); }},
      {kEnvironmentGetVariable, [](auto&) { p::GetEnvironment().GetVariable("PATH"); }},
      {kEnvironmentExpandText,
       [](auto&) { p::GetEnvironment().ExpandEnvironmentText("%PATH%", 260); }},
      {kFilesExists, [](auto& s) { p::GetFileSystem().Exists(s.File("a")); }},
      {kFilesFolderExists, [](auto& s) { p::GetFileSystem().FolderExists(s.File("a")); }},
      {kFilesIsLink, [](auto& s) { p::GetFileSystem().IsLink(s.File("a")); }},
      {kFilesDeleteFile, [](auto& s) { p::GetFileSystem().DeleteFile(s.File("a")); }},
      {kFilesMakeWritable, [](auto& s) { p::GetFileSystem().MakeWritable(s.File("a")); }},
      {kFilesFindFirstFile, [](auto& s) { p::GetFileSystem().FindFirstFile(s.File("*.tif")); }},
      {kFilesFindFiles, [](auto& s) { p::GetFileSystem().FindFiles(s.File("*.tif")); }},
      {kFilesCreatePrivateFolder,
       [](auto& s) { p::GetFileSystem().CreatePrivateFolder(s.File("private")); }},
      {kFilesCreateFolderTree, [](auto& s) { p::GetFileSystem().CreateFolderTree(s.File("d/e")); }},
      {kFilesCreateEmptyFile, [](auto& s) { p::GetFileSystem().CreateEmptyFile(s.File("a")); }},
      {kFilesCreateNewFile, [](auto& s) { p::GetFileSystem().CreateNewFile(s.File("n")); }},
      {kFilesCreateOwnFile, [](auto& s) { OwnFileAnew(s.File("o1")); }},
      {kOwnFileRewrite,
       [](auto& s) {
         if (auto file = OwnFileAnew(s.File("o2"))) file->Rewrite("x");
       }},
      {kOwnFileHoldsItsName,
       [](auto& s) {
         if (auto file = OwnFileAnew(s.File("o3"))) file->HoldsItsName();
       }},
      {kFilesRenameFile, [](auto& s) { p::GetFileSystem().RenameFile(s.File("n"), s.File("m")); }},
      {kFilesReadWholeFile,
       [](auto& s) { p::GetFileSystem().ReadWholeFile(s.File("a"), nullptr); }},
      {kFilesAppendToFile, [](auto& s) { p::GetFileSystem().AppendToFile(s.File("a"), "x"); }},
      {kFilesFreeBytesAvailable,
       [](auto& s) { p::GetFileSystem().FreeBytesAvailable(s.scratch.path()); }},
      {kFilesCopyTree, [](auto& s) { p::GetFileSystem().CopyTree(s.File("d/*"), s.File("copy")); }},
      {kFilesTempFolder, [](auto&) { p::GetFileSystem().TempFolder(); }},
      {kFilesCreateUniqueTempFile,
       [](auto& s) { p::GetFileSystem().CreateUniqueTempFile(s.scratch.path(), "rad"); }},
      {kFilesCurrentFolder, [](auto&) { p::GetFileSystem().CurrentFolder(); }},
      {kFilesSetCurrentFolder,
       [](auto&) {
         // Through the service beneath, so the read of the folder to return to is not counted.
         const std::string here = p::FileSystem::Native().CurrentFolder();
         p::GetFileSystem().SetCurrentFolder(here);
       }},
      {kFilesProgramFilePath, [](auto&) { p::GetFileSystem().ProgramFilePath(); }},
      {kMemoryAlloc, [](auto&) { ::GmFree(p::GetGlobalMemory().Alloc(8)); }},
      {kMemoryLock,
       [](auto&) {
         const ::GmHandle block = ::GmAlloc(8);
         if (p::GetGlobalMemory().Lock(block) != nullptr) ::GmUnlock(block);
         ::GmFree(block);
       }},
      {kMemoryUnlock,
       [](auto&) {
         const ::GmHandle block = ::GmAlloc(8);
         ::GmLock(block);
         p::GetGlobalMemory().Unlock(block);
         ::GmFree(block);
       }},
      {kMemoryReAlloc,
       [](auto&) {
         const ::GmHandle block = ::GmAlloc(8);
         const ::GmHandle moved = p::GetGlobalMemory().ReAlloc(block, 16);
         ::GmFree(moved != 0 ? moved : block);
       }},
      {kMemorySize,
       [](auto&) {
         const ::GmHandle block = ::GmAlloc(8);
         p::GetGlobalMemory().Size(block);
         ::GmFree(block);
       }},
      {kMemoryFree, [](auto&) { p::GetGlobalMemory().Free(::GmAlloc(8)); }},
      {kMutexesCreate, [](auto&) { p::GetNamedMutexes().Create("RadlynEveryCallTest"); }},
      {kProcessesRun, [](auto& s) { p::GetProcesses().Run(s.File("none"), "", 1000); }},
      {kProcessesCurrentProcessId, [](auto&) { p::GetProcesses().CurrentProcessId(); }},
      {kProcessesIsRunningThisProgram,
       [](auto&) { p::GetProcesses().IsRunningThisProgram(p::GetProcesses().CurrentProcessId()); }},
      {kProfileReadString,
       [](auto& s) { p::GetProfile().ReadString("S", "K", "", 10, s.File("p.ini")); }},
      {kProfileReadInt, [](auto& s) { p::GetProfile().ReadInt("S", "K", 0, s.File("p.ini")); }},
      {kProfileWriteString,
       [](auto& s) { p::GetProfile().WriteString("S", "K", "V", s.File("p.ini")); }},
      {kProgramFilesReadProductVersion,
       [](auto& s) { p::GetProgramFiles().ReadProductVersion(s.File("none")); }},
      {kRegistryReadClassesRootDefault,
       [](auto&) { p::GetRegistry().ReadClassesRootDefault("Radlyn.None\\CLSID"); }},
      {kUiShowErrorMessage, [](auto&) { p::GetUserInterface().ShowErrorMessage("t", "c"); }},
      {kUiRunModalDialog, [](auto&) { p::GetUserInterface().RunModalDialog({}, {}, 0); }},
      {kUiCreateModelessDialog, [](auto&) { p::GetUserInterface().CreateModelessDialog({}); }},
      {kUiMoveWindow, [](auto&) { p::GetUserInterface().MoveWindow(1, 0, 0, 1, 1); }},
      {kUiBringToForeground, [](auto&) { p::GetUserInterface().BringToForeground(1); }},
      {kUiDestroyWindow, [](auto&) { p::GetUserInterface().DestroyWindow(1); }},
      {kUiIsWindow, [](auto&) { p::GetUserInterface().IsWindow(1); }},
      {kUiPrimaryScreenSize, [](auto&) { p::GetUserInterface().PrimaryScreenSize(); }},
      {kXmlCreateDocument, [](auto&) { p::GetXmlParser().CreateDocument(); }},
      {kXmlParserName, [](auto&) { p::GetXmlParser().Name(); }},
      {kXmlLoadXml,
       [](auto&) {
         if (auto document = p::GetXmlParser().CreateDocument()) document->LoadXml("<a/>");
       }},
      {kXmlSelectSingleNode, [](auto&) { Node(); }},
      {kXmlNodeType, [](auto&) { Node()->Type(); }},
      {kXmlNodeHasChildNodes, [](auto&) { Node()->HasChildNodes(); }},
      {kXmlNodeChildNodes, [](auto&) { Node()->ChildNodes(); }},
      {kXmlNodeText, [](auto&) { Node()->Text(); }},
      {kXmlNodeDataType, [](auto&) { Node()->DataType(); }},
      {kXmlNodeXml, [](auto&) { Node()->Xml(); }},
      {kXmlNodeGetAttribute, [](auto&) { Node()->GetAttribute("b"); }},
  };
  return lines;
}

// Runs one line under a plan that fails its call number `fail_at` (0: none) and answers the calls
// the plan counted.
FaultPlan RunLine(const Line& line, const Scene& scene, std::size_t fail_at) {
  FaultPlan plan(fail_at);
  testing::FixedClock clock({});
  InertAutomation automation;
  testing::RecordingUserInterface ui;
  FaultyPlatform platform(plan, {&clock, &p::FileSystem::Native(), &automation, &ui});
  try {
    line.run(scene);
  } catch (const p::XmlError&) {
  } catch (const p::AutomationError&) {
  }
  return plan;
}

TEST(EveryPlatformCall, IsCountedUnderItsRowAndFailsAsTheRowSays) {
  const Scene scene;
  std::set<Call> covered;
  for (const Line& line : Lines()) {
    const PlatformCall& row = Describe(line.call);
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(covered.insert(line.call).second) << "called twice in this test";

    const std::vector<Call> calls = RunLine(line, scene, 0).calls();
    const auto at = std::find(calls.begin(), calls.end(), line.call);
    if (at == calls.end()) {
      ADD_FAILURE() << "forwarded without being counted";
      continue;
    }
    EXPECT_EQ(std::count(calls.begin(), calls.end(), line.call), 1);

    const FaultPlan failing =
        RunLine(line, scene, static_cast<std::size_t>(at - calls.begin()) + 1);
    if (row.failure == Failure::kNone) {
      EXPECT_FALSE(failing.failed().has_value());
    } else {
      EXPECT_EQ(failing.failed(), line.call) << "the plan could not make it fail";
    }
  }
  for (std::size_t i = 0; i < static_cast<std::size_t>(kCount); ++i) {
    EXPECT_TRUE(covered.contains(static_cast<Call>(i)))
        << Describe(static_cast<Call>(i)).name << " has a row but is never called here";
  }
}

}  // namespace
}  // namespace radlyn::faults
