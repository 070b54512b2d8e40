#include "hostlink/status_maps.h"

#include <algorithm>
#include <iterator>

#include "support/error_numbers.h"

namespace radlyn {
namespace {

struct StatusRow {
  std::uint16_t status;
  std::uint32_t error_number;
};

template <std::size_t N>
std::uint32_t Lookup(const StatusRow (&table)[N], MorlundStatus status, std::uint32_t fallback) {
  const std::uint16_t word = StatusWord(status);
  const auto* row = std::find_if(std::begin(table), std::end(table),
                                 [word](const StatusRow& r) { return r.status == word; });
  return row != std::end(table) ? row->error_number : fallback;
}

constexpr StatusRow kTakeImageStatus[] = {
    {0, kErrorNone},
    {1001, kErrorCancelledByUser},
    {1002, kErrorParameter},
    {1005, kErrorNoXrayComponent},
    {1102, kErrorMemory},
    {1103, kErrorSystemConfiguration},
    {1104, kErrorSystemConfiguration},
    {1201, kErrorNoSensor},
    {1203, kErrorSensorPower},
    {1204, kErrorSystemConfiguration},
    {1205, kErrorSensorInvalid},
    {1206, kErrorSensorFile},
    {1210, kErrorDatabaseAccess},
    {1214, kErrorClientNotInitialized},
    {1215, kErrorXrayComponentInUse},
    {1216, kErrorDialogCreation},
    {1217, kErrorXrayComponentUpdate},
    {1218, kErrorNetworkDown},
    {1219, kErrorTimeout},
    {1220, kErrorFileIo},
    {1221, kErrorImageData},
    {1222, kErrorSensorFile},
    {1223, kErrorSensorFile},
    {1224, kErrorNoConnection},
    {1225, kErrorDisconnected},
};

constexpr StatusRow kFdbOpenStatus[] = {
    {0, kErrorNone},
    {1, kErrorParameter},
    {2, kErrorCancelledByUser},
    {3, kErrorFileOpening},
    {4, kErrorFileClosing},
    {5, kErrorFileReading},
    {6, kErrorFileWriting},
    {13, kErrorDialogCreation},
    {14, kErrorMemory},
    {15, kErrorResource},
    {16, kErrorDiskSpace},
    {28, kErrorTimeout},
    {29, kErrorOperatingSystem},
    {30, kErrorNetworkAccessDenied},
    {31, kErrorDatabasePath},
    {35, kErrorTaskSwitch},
};

constexpr StatusRow kFileStatus[] = {
    {0, kErrorNone},        {11, kErrorNone},       {1, kErrorFileReading},  {7, kErrorFileReading},
    {8, kErrorFileReading}, {2, kErrorFileWriting}, {3, kErrorFileCreation}, {4, kErrorFileOpening},
    {5, kErrorFilePointer}, {6, kErrorMemory},      {9, kErrorParameter},    {10, kErrorParameter},
    {12, kErrorParameter},  {13, kErrorParameter},
};

constexpr StatusRow kFilterStatus[] = {
    {0, kErrorNone},      {1, kErrorCancelledByUser}, {2, kErrorParameter},
    {5, kErrorParameter}, {3, kErrorMemory},          {4, kErrorDialogCreation},
};

}  // namespace

std::uint32_t MapTakeImageStatus(MorlundStatus status) {
  return Lookup(kTakeImageStatus, status, kErrorModule);
}

std::uint32_t MapFdbOpenStatus(MorlundStatus status) {
  return Lookup(kFdbOpenStatus, status, kErrorDatabaseAccess);
}

std::uint32_t MapFileStatus(MorlundStatus status) {
  return Lookup(kFileStatus, status, kErrorFileIo);
}

std::uint32_t MapFilterStatus(MorlundStatus status) {
  return Lookup(kFilterStatus, status, kErrorModule);
}

}  // namespace radlyn
