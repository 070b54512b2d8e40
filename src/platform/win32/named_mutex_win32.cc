// Named mutexes on Windows: CreateMutexA without initial ownership. The object lives in the
// session's namespace as long as one handle is open; a second creator gets a handle to the same
// object together with ERROR_ALREADY_EXISTS, and a creator that may not open it gets
// ERROR_ACCESS_DENIED and no handle.
#include <string>

#include "platform/last_error.h"
#include "platform/named_mutex.h"
#include "platform/win32/windows_api.h"

namespace radlyn::platform {
namespace {

class MutexHandle : public NamedMutexHandle {
 public:
  explicit MutexHandle(HANDLE handle) : handle_(handle) {}
  ~MutexHandle() override { ::CloseHandle(handle_); }
  MutexHandle(const MutexHandle&) = delete;
  MutexHandle& operator=(const MutexHandle&) = delete;

 private:
  HANDLE handle_;
};

class Win32NamedMutexes : public NamedMutexes {
 public:
  NamedMutexResult Create(std::string_view name) override {
    NamedMutexResult result;
    const std::string text(name.substr(0, name.find('\0')));
    // An empty name makes an unnamed mutex, private to its creator.
    HANDLE handle = ::CreateMutexA(nullptr, FALSE, text.empty() ? nullptr : text.c_str());
    const DWORD error = ::GetLastError();
    if (handle != nullptr) {
      result.handle = std::make_unique<MutexHandle>(handle);
      // Only ERROR_ALREADY_EXISTS carries meaning next to a handle; a fresh creation is 0.
      result.creation_error = error == ERROR_ALREADY_EXISTS ? kWinAlreadyExists : 0;
    } else {
      result.creation_error = error;
    }
    if (result.creation_error != 0) SetLastErrorCode(result.creation_error);
    return result;
  }
};

}  // namespace

NamedMutexes& NamedMutexes::Native() {
  static Win32NamedMutexes mutexes;
  return mutexes;
}

}  // namespace radlyn::platform
