#include "job/error_table.h"

#include <cstdint>
#include <iterator>

namespace radlyn {
namespace {

constexpr std::string_view kErrorMessages[] = {
    "No error",                                       // 0
    "Operation cancelled by user",                    // 1
    "Parameter error",                                // 2
    "File opening error",                             // 3
    "File closing error",                             // 4
    "File reading error",                             // 5
    "File writing error",                             // 6
    "File creation error",                            // 7
    "File deleting error",                            // 8
    "File pointer positioning error",                 // 9
    "Dialog creation error",                          // 10
    "Memory problems",                                // 11
    "Resource problems",                              // 12
    "Not enough disk space",                          // 13
    "Timeout occurred",                               // 14
    "Operating system error/problem",                 // 15
    "(Network) Access denied",                        // 16
    "(Database) Path unknown/wrong",                  // 17
    "Task switch not carried through",                // 18
    "No x-ray component available",                   // 19
    "System configuration error",                     // 20
    "No sensor",                                      // 21
    "Sensor power failure",                           // 22
    "Sensor invalid",                                 // 23
    "Sensor file missing or corrupt",                 // 24
    "Unspecified database access error",              // 25
    "Unspecified module error",                       // 26
    "Client not initialized",                         // 27
    "X-ray component already in use",                 // 28
    "X-ray component needs software update",          // 29
    "Network down",                                   // 30
    "File I/O problems",                              // 31
    "Image data invalid",                             // 32
    "No connection to x-ray component",               // 33
    "X-ray component was disconnected",               // 34
    "Function/data not yet implemented",              // 35
    "String/array/etc. size too long/short",          // 36
    "Value not available",                            // 37
    "API not initialized",                            // 38
    "Requested TEBRO_API version no. not supported",  // 39
};
static_assert(std::size(kErrorMessages) == kErrorMessageCount);

constexpr std::string_view kUnspecifiedError = "Unspecified error";

}  // namespace

std::string_view GetErrorMessage(std::int32_t number) {
  // Looked up as an unsigned value, so every negative number falls outside the table.
  std::uint32_t index = static_cast<std::uint32_t>(number);
  return index < std::size(kErrorMessages) ? kErrorMessages[index] : kUnspecifiedError;
}

}  // namespace radlyn
