// The crashing flag and the result-write lock of crash_report.h, the same on every platform.
#include <atomic>
#include <chrono>
#include <mutex>

#include "platform/crash_report.h"

namespace radlyn::platform {
namespace {

std::atomic<bool> crashing{false};
// The crash report's thread could not take the lock: its writes go ahead without it.
thread_local bool reporting_without_turn = false;

std::recursive_timed_mutex& ResultWriteLock() {
  static std::recursive_timed_mutex lock;
  return lock;
}

}  // namespace

bool IsCrashing() { return crashing.load(); }

void EnterCrashMode() { crashing.store(true); }

ResultWriteTurn::ResultWriteTurn() : held_(!reporting_without_turn) {
  if (held_) ResultWriteLock().lock();
}

ResultWriteTurn::~ResultWriteTurn() {
  if (held_) ResultWriteLock().unlock();
}

bool TakeResultWriteTurnForReport(std::uint32_t limit_ms) {
  const bool taken = ResultWriteLock().try_lock_for(std::chrono::milliseconds(limit_ms));
  reporting_without_turn = !taken;
  return taken;
}

}  // namespace radlyn::platform
