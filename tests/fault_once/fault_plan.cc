#include "fault_once/fault_plan.h"

#include <array>

#include "platform/last_error.h"
#include "platform/windows_codes.h"

namespace radlyn::faults {
namespace {

using enum Call;
using enum Failure;

constexpr std::array<PlatformCall, static_cast<std::size_t>(kCount)> kPlatformCalls{{
    {kAutomationIsClassRegistered, "Automation.IsClassRegistered", kErrorResult, 0, "false"},
    {kAutomationFindRunningInstance, "Automation.FindRunningInstance", kErrorResult, 0,
     "not running"},
    {kAutomationCreateInstance, "Automation.CreateInstance", kErrorResult, 0, "no object"},
    {kAutomationObjectInvoke, "AutomationObject.Invoke", kAutomationError, 0, "AutomationError"},
    {kClockSleep, "Clock.Sleep", kNone, 0, ""},
    {kClockNow, "Clock.Now", kNone, 0, ""},
    {kCodePagesAnsiCodePage, "CodePages.AnsiCodePage", kNone, 0, ""},
    {kCodePagesOemCodePage, "CodePages.OemCodePage", kNone, 0, ""},
    {kCodePagesLowerAnsi, "CodePages.LowerAnsi", kNone, 0, ""},
    {kCodePagesAnsiToOem, "CodePages.AnsiToOem", kNone, 0, ""},
    {kCodePagesOemToAnsi, "CodePages.OemToAnsi", kNone, 0, ""},
    {kCodePagesAnsiToUtf8, "CodePages.AnsiToUtf8", kNone, 0, ""},
    {kCodePagesUtf8ToAnsi, "CodePages.Utf8ToAnsi", kNone, 0, ""},
    {kCodePagesUtf16LeToAnsi, "CodePages.Utf16LeToAnsi", kNone, 0, ""},
    {kComponentSystemInitialize, "ComponentSystem.Initialize", kErrorResult, 0, "false"},
    {kComponentSystemFreeUnusedLibraries, "ComponentSystem.FreeUnusedLibraries", kNone, 0, ""},
    {kComponentSystemUninitialize, "ComponentSystem.Uninitialize", kNone, 0, ""},
    {kDebugOutputWrite, "DebugOutput.Write", kNone, 0, ""},
    {kLibrariesLoad, "DynamicLibraries.Load", kErrorResult, platform::kWinModuleNotFound, "0"},
    {kLibrariesFindExport, "DynamicLibraries.FindExport", kErrorResult,
     platform::kWinProcedureNotFound, "null"},
    {kLibrariesRelease, "DynamicLibraries.Release", kNone, 0, ""},
    {kEnvironmentGetVariable, "Environment.GetVariable", kEmptyRead, 0, "none"},
    {kEnvironmentExpandText, "Environment.ExpandEnvironmentText", kErrorResult, 0, "none"},
    {kFilesExists, "FileSystem.Exists", kErrorResult, platform::kWinFileNotFound, "false"},
    {kFilesFolderExists, "FileSystem.FolderExists", kErrorResult, platform::kWinFileNotFound,
     "false"},
    {kFilesIsLink, "FileSystem.IsLink", kErrorResult, platform::kWinFileNotFound, "false"},
    {kFilesDeleteFile, "FileSystem.DeleteFile", kErrorResult, platform::kWinAccessDenied, "false"},
    {kFilesMakeWritable, "FileSystem.MakeWritable", kErrorResult, platform::kWinAccessDenied,
     "false"},
    {kFilesFindFirstFile, "FileSystem.FindFirstFile", kEmptyRead, platform::kWinFileNotFound,
     "none"},
    {kFilesFindFiles, "FileSystem.FindFiles", kEmptyRead, platform::kWinFileNotFound, "none"},
    {kFilesCreatePrivateFolder, "FileSystem.CreatePrivateFolder", kErrorResult,
     platform::kWinAccessDenied, "false"},
    {kFilesCreateFolderTree, "FileSystem.CreateFolderTree", kErrorResult,
     platform::kWinAccessDenied, "false"},
    {kFilesCreateEmptyFile, "FileSystem.CreateEmptyFile", kErrorResult, platform::kWinAccessDenied,
     "false"},
    {kFilesCreateNewFile, "FileSystem.CreateNewFile", kErrorResult, platform::kWinFileExists,
     "false"},
    {kFilesCreateOwnFile, "FileSystem.CreateOwnFile", kErrorResult, platform::kWinAccessDenied,
     "null"},
    {kOwnFileRewrite, "OwnFile.Rewrite", kErrorResult, platform::kWinDiskFull, "false"},
    {kOwnFileHoldsItsName, "OwnFile.HoldsItsName", kErrorResult, platform::kWinFileExists, "false"},
    {kFilesRenameFile, "FileSystem.RenameFile", kErrorResult, platform::kWinAccessDenied, "false"},
    {kFilesReadWholeFile, "FileSystem.ReadWholeFile", kEmptyRead, platform::kWinAccessDenied,
     "none, not opened"},
    {kFilesAppendToFile, "FileSystem.AppendToFile", kErrorResult, platform::kWinDiskFull, "false"},
    {kFilesFreeBytesAvailable, "FileSystem.FreeBytesAvailable", kErrorResult,
     platform::kWinGeneralFailure, "none"},
    {kFilesCopyTree, "FileSystem.CopyTree", kErrorResult, platform::kWinAccessDenied, "false"},
    {kFilesTempFolder, "FileSystem.TempFolder", kErrorResult, platform::kWinGeneralFailure, "\"\""},
    {kFilesCreateUniqueTempFile, "FileSystem.CreateUniqueTempFile", kErrorResult,
     platform::kWinAccessDenied, "none"},
    {kFilesCurrentFolder, "FileSystem.CurrentFolder", kErrorResult, platform::kWinGeneralFailure,
     "\"\""},
    {kFilesSetCurrentFolder, "FileSystem.SetCurrentFolder", kErrorResult,
     platform::kWinFileNotFound, "false"},
    {kFilesProgramFilePath, "FileSystem.ProgramFilePath", kErrorResult,
     platform::kWinGeneralFailure, "\"\""},
    {kMemoryAlloc, "GlobalMemory.Alloc", kNoAllocation, platform::kWinNotEnoughMemory, "0"},
    {kMemoryLock, "GlobalMemory.Lock", kNoAllocation, platform::kWinNotEnoughMemory, "null"},
    {kMemoryUnlock, "GlobalMemory.Unlock", kNone, 0, ""},
    {kMemoryReAlloc, "GlobalMemory.ReAlloc", kNoAllocation, platform::kWinNotEnoughMemory, "0"},
    {kMemorySize, "GlobalMemory.Size", kErrorResult, platform::kWinGeneralFailure, "0"},
    {kMemoryFree, "GlobalMemory.Free", kNone, 0, ""},
    {kMutexesCreate, "NamedMutexes.Create", kErrorResult, platform::kWinAccessDenied,
     "no handle, 5"},
    {kProcessesRun, "Processes.Run", kErrorResult, platform::kWinFileNotFound, "not started"},
    {kProcessesCurrentProcessId, "Processes.CurrentProcessId", kNone, 0, ""},
    {kProcessesIsRunningThisProgram, "Processes.IsRunningThisProgram", kErrorResult,
     platform::kWinAccessDenied, "true"},
    {kProfileReadString, "Profile.ReadString", kEmptyRead, platform::kWinAccessDenied,
     "the fallback"},
    {kProfileReadInt, "Profile.ReadInt", kEmptyRead, platform::kWinAccessDenied, "the fallback"},
    {kProfileWriteString, "Profile.WriteString", kErrorResult, platform::kWinDiskFull, "false"},
    {kProgramFilesReadProductVersion, "ProgramFiles.ReadProductVersion", kEmptyRead,
     platform::kWinFileNotFound, "none"},
    {kRegistryReadClassesRootDefault, "Registry.ReadClassesRootDefault", kEmptyRead,
     platform::kWinFileNotFound, "none"},
    {kUiShowErrorMessage, "UserInterface.ShowErrorMessage", kNone, 0, ""},
    {kUiRunModalDialog, "UserInterface.RunModalDialog", kNone, 0, ""},
    {kUiCreateModelessDialog, "UserInterface.CreateModelessDialog", kErrorResult,
     platform::kWinGeneralFailure, "none"},
    {kUiMoveWindow, "UserInterface.MoveWindow", kNone, 0, ""},
    {kUiBringToForeground, "UserInterface.BringToForeground", kNone, 0, ""},
    {kUiDestroyWindow, "UserInterface.DestroyWindow", kNone, 0, ""},
    {kUiIsWindow, "UserInterface.IsWindow", kErrorResult, 0, "false"},
    {kUiPrimaryScreenSize, "UserInterface.PrimaryScreenSize", kErrorResult, 0, "0 x 0"},
    {kXmlCreateDocument, "XmlParser.CreateDocument", kErrorResult, 0, "no document"},
    {kXmlParserName, "XmlParser.Name", kNone, 0, ""},
    {kXmlLoadXml, "XmlDocument.LoadXml", kXmlError, 0, "false (not well-formed)"},
    {kXmlSelectSingleNode, "XmlDocument.SelectSingleNode", kXmlError, 0, "XmlError"},
    {kXmlNodeType, "XmlNode.Type", kXmlError, 0, "XmlError"},
    {kXmlNodeHasChildNodes, "XmlNode.HasChildNodes", kXmlError, 0, "XmlError"},
    {kXmlNodeChildNodes, "XmlNode.ChildNodes", kXmlError, 0, "XmlError"},
    {kXmlNodeText, "XmlNode.Text", kXmlError, 0, "XmlError"},
    {kXmlNodeDataType, "XmlNode.DataType", kXmlError, 0, "XmlError"},
    {kXmlNodeXml, "XmlNode.Xml", kXmlError, 0, "XmlError"},
    {kXmlNodeGetAttribute, "XmlNode.GetAttribute", kXmlError, 0, "XmlError"},
}};

constexpr bool InEnumerationOrder() {
  for (std::size_t i = 0; i < kPlatformCalls.size(); ++i) {
    if (static_cast<std::size_t>(kPlatformCalls[i].call) != i) return false;
  }
  return true;
}
static_assert(InEnumerationOrder());

}  // namespace

const PlatformCall& Describe(Call call) { return kPlatformCalls[static_cast<std::size_t>(call)]; }

std::string_view FailureName(Failure failure) {
  switch (failure) {
    case kNone:
      return "none";
    case kErrorResult:
      return "error result";
    case kEmptyRead:
      return "empty read";
    case kNoAllocation:
      return "no allocation";
    case kAutomationError:
      return "automation error";
    case kXmlError:
      return "XML error";
  }
  return "?";
}

bool FaultPlan::Fails(Call call) {
  calls_.push_back(call);
  if (calls_.size() != fail_at_ || Describe(call).failure == kNone) return false;
  failed_ = call;
  if (Describe(call).last_error != 0) platform::SetLastErrorCode(Describe(call).last_error);
  return true;
}

}  // namespace radlyn::faults
