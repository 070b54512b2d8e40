// Client initialisation: attaches the host link to Morlund under the client's name.
#include <string>

#include "job/error_table.h"
#include "job/job_files.h"
#include "job/job_frame.h"
#include "platform/last_error.h"

namespace radlyn {

std::int32_t CJobFrame::InitializeClient() {
  const std::string client_name = ReadProfileText(kClientNameKey, GetJobFilePath());
  std::int32_t error_number = kErrorNone;
  std::string debug_text;
  try {
    if (!link().Initialize(client_name)) {
      debug_text = "Error occurred during client initialization; ClientName = " + client_name + "!";
      // The operating system's own account of what failed, in its numbering.
      error_number = static_cast<std::int32_t>(platform::GetLastErrorCode());
      if (error_number == kErrorNone) error_number = kErrorUnspecified;
    }
  } catch (...) {
    debug_text = "Exception occurred during client initialization!";
    error_number = kErrorClientNotInitialized;
  }
  WriteErrorReport(error_number, debug_text);
  return error_number;
}

}  // namespace radlyn
