#include "app/single_instance_guard.h"

namespace radlyn {

CSingleInstanceGuard::CSingleInstanceGuard() {
  platform::NamedMutexResult result = platform::GetNamedMutexes().Create(kSingleInstanceMutexName);
  creation_error_ = result.creation_error;
  handle_ = std::move(result.handle);
}

bool CSingleInstanceGuard::IsAnotherInstanceRunning() const {
  return creation_error_ == platform::kWinAccessDenied ||
         creation_error_ == platform::kWinAlreadyExists;
}

}  // namespace radlyn
