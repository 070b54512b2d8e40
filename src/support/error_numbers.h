// The client's error numbers by name: the numbers a job's result file reports as "ErrorNr", one
// name per number of the message table (error_table.cc keeps the texts). A number is a signed
// 32-bit value; 0 is success and 99 the number used when no more specific one was left.
//
// A leaf header with no dependencies: the job frame and the host link below it both set these
// numbers, so they live here, below both.
// Operating-system error codes are another set of numbers and never take this prefix.
#pragma once

#include <cstdint>

namespace radlyn {

inline constexpr std::int32_t kErrorNone = 0;
inline constexpr std::int32_t kErrorCancelledByUser = 1;
inline constexpr std::int32_t kErrorParameter = 2;
inline constexpr std::int32_t kErrorFileOpening = 3;
inline constexpr std::int32_t kErrorFileClosing = 4;
inline constexpr std::int32_t kErrorFileReading = 5;
inline constexpr std::int32_t kErrorFileWriting = 6;
inline constexpr std::int32_t kErrorFileCreation = 7;
inline constexpr std::int32_t kErrorFileDeleting = 8;
inline constexpr std::int32_t kErrorFilePointer = 9;
inline constexpr std::int32_t kErrorDialogCreation = 10;
inline constexpr std::int32_t kErrorMemory = 11;
inline constexpr std::int32_t kErrorResource = 12;
inline constexpr std::int32_t kErrorDiskSpace = 13;
inline constexpr std::int32_t kErrorTimeout = 14;
inline constexpr std::int32_t kErrorOperatingSystem = 15;
inline constexpr std::int32_t kErrorNetworkAccessDenied = 16;
inline constexpr std::int32_t kErrorDatabasePath = 17;
inline constexpr std::int32_t kErrorTaskSwitch = 18;
inline constexpr std::int32_t kErrorNoXrayComponent = 19;
inline constexpr std::int32_t kErrorSystemConfiguration = 20;
inline constexpr std::int32_t kErrorNoSensor = 21;
inline constexpr std::int32_t kErrorSensorPower = 22;
inline constexpr std::int32_t kErrorSensorInvalid = 23;
inline constexpr std::int32_t kErrorSensorFile = 24;
inline constexpr std::int32_t kErrorDatabaseAccess = 25;
inline constexpr std::int32_t kErrorModule = 26;
inline constexpr std::int32_t kErrorClientNotInitialized = 27;
inline constexpr std::int32_t kErrorXrayComponentInUse = 28;
inline constexpr std::int32_t kErrorXrayComponentUpdate = 29;
inline constexpr std::int32_t kErrorNetworkDown = 30;
inline constexpr std::int32_t kErrorFileIo = 31;
inline constexpr std::int32_t kErrorImageData = 32;
inline constexpr std::int32_t kErrorNoConnection = 33;
inline constexpr std::int32_t kErrorDisconnected = 34;
inline constexpr std::int32_t kErrorNotImplemented = 35;
inline constexpr std::int32_t kErrorSizeTooLong = 36;
inline constexpr std::int32_t kErrorValueNotAvailable = 37;
inline constexpr std::int32_t kErrorApiNotInitialized = 38;
inline constexpr std::int32_t kErrorApiVersion = 39;
inline constexpr std::int32_t kErrorUnspecified = 99;

// One past the last number that has a message of its own.
inline constexpr std::int32_t kErrorMessageCount = kErrorApiVersion + 1;

}  // namespace radlyn
