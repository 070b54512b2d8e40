// What a failed COM call says about itself: the HRESULT in hex with the system's text for it,
// and the source and description an object left in the thread's error object.
#pragma once

#include <string>

#include "platform/win32/windows_api.h"
// The COM declarations need the Win32 types above.
#include <objbase.h>

namespace radlyn::platform::win32 {

// The system's message text for `code` without its line end; empty when the system has none.
std::string SystemMessage(HRESULT code);

// "0x80020003 (Member not found.)", or only the hex form when the system has no text.
std::string DescribeHresult(HRESULT code);

struct ComErrorDetails {
  std::string source;
  std::string description;
};

// The error object `object` set for its interface `iid` on the failed call just made; empty
// texts when the object does not report errors that way. Reading it clears it.
ComErrorDetails TakeErrorDetails(IUnknown* object, REFIID iid);

}  // namespace radlyn::platform::win32
