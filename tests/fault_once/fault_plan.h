// Every call into the platform layer, how each fails, and which call of a run is made to fail.
//
// kPlatformCalls is the one table of the platform's methods: its name, the kind of failure it has
// on the real system, the last-error code that failure leaves and the answer the caller gets. A
// method that has no failure a caller could see (a void release, a clock, a conversion that never
// fails) is counted but never made to fail. The faulty services (faulty_services.h) ask a
// FaultPlan at every call whether this one fails; the plan counts the calls of a run and fails
// the one numbered `fail_at` (from 1; 0 fails none), provided that call can fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace radlyn::faults {

enum class Failure {
  kNone,             // cannot fail in a way the caller sees: counted only
  kErrorResult,      // false, none, 0 or an empty text, with the last error set
  kEmptyRead,        // a read that finds nothing: the caller's fallback, or none
  kNoAllocation,     // an allocation (or the address of a block) that returns nothing
  kAutomationError,  // AutomationError thrown, as a failed call into another program
  kXmlError,         // an XML text that does not parse, or XmlError thrown by the parser
};

enum class Call {
  kAutomationIsClassRegistered,
  kAutomationFindRunningInstance,
  kAutomationCreateInstance,
  kAutomationObjectInvoke,
  kClockSleep,
  kClockNow,
  kCodePagesAnsiCodePage,
  kCodePagesOemCodePage,
  kCodePagesLowerAnsi,
  kCodePagesAnsiToOem,
  kCodePagesOemToAnsi,
  kCodePagesAnsiToUtf8,
  kCodePagesUtf8ToAnsi,
  kCodePagesUtf16LeToAnsi,
  kComponentSystemInitialize,
  kComponentSystemFreeUnusedLibraries,
  kComponentSystemUninitialize,
  kDebugOutputWrite,
  kLibrariesLoad,
  kLibrariesFindExport,
  kLibrariesRelease,
  kEnvironmentGetVariable,
  kEnvironmentExpandText,
  kFilesExists,
  kFilesFolderExists,
  kFilesIsLink,
  kFilesDeleteFile,
  kFilesMakeWritable,
  kFilesFindFirstFile,
  kFilesFindFiles,
  kFilesCreatePrivateFolder,
  kFilesCreateFolderTree,
  kFilesCreateEmptyFile,
  kFilesCreateNewFile,
  kFilesCreateOwnFile,
  kOwnFileRewrite,
  kOwnFileHoldsItsName,
  kFilesRenameFile,
  kFilesReadWholeFile,
  kFilesAppendToFile,
  kFilesFreeBytesAvailable,
  kFilesCopyTree,
  kFilesTempFolder,
  kFilesCreateUniqueTempFile,
  kFilesCurrentFolder,
  kFilesSetCurrentFolder,
  kFilesProgramFilePath,
  kMemoryAlloc,
  kMemoryLock,
  kMemoryUnlock,
  kMemoryReAlloc,
  kMemorySize,
  kMemoryFree,
  kMutexesCreate,
  kProcessesRun,
  kProcessesCurrentProcessId,
  kProcessesIsRunningThisProgram,
  kProfileReadString,
  kProfileReadInt,
  kProfileWriteString,
  kProgramFilesReadProductVersion,
  kRegistryReadClassesRootDefault,
  kUiShowErrorMessage,
  kUiRunModalDialog,
  kUiCreateModelessDialog,
  kUiMoveWindow,
  kUiBringToForeground,
  kUiDestroyWindow,
  kUiIsWindow,
  kUiPrimaryScreenSize,
  kXmlCreateDocument,
  kXmlParserName,
  kXmlLoadXml,
  kXmlSelectSingleNode,
  kXmlNodeType,
  kXmlNodeHasChildNodes,
  kXmlNodeChildNodes,
  kXmlNodeText,
  kXmlNodeDataType,
  kXmlNodeXml,
  kXmlNodeGetAttribute,
  kCount,
};

struct PlatformCall {
  Call call;
  const char* name;  // "Service.Method"
  Failure failure;
  std::uint32_t last_error;  // left by the failure (0: none)
  const char* answer;        // what the caller gets when it fails
};

// One entry per Call, in the order of the enumeration.
const PlatformCall& Describe(Call call);
std::string_view FailureName(Failure failure);

class FaultPlan {
 public:
  explicit FaultPlan(std::size_t fail_at) : fail_at_(fail_at) {}

  // Counts the call; true when it is the one to fail (its last error is then set).
  bool Fails(Call call);

  const std::vector<Call>& calls() const { return calls_; }
  // The call that was made to fail, if the run came that far.
  std::optional<Call> failed() const { return failed_; }

 private:
  std::size_t fail_at_;
  std::vector<Call> calls_;
  std::optional<Call> failed_;
};

}  // namespace radlyn::faults
