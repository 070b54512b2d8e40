// Processes on Linux: posix_spawn, a pidfd to wait on, waitid for the exit code.
//
// The wait sleeps in poll() on the child's pidfd until the child ends or the limit expires; no
// timer steps. A child that outlives its limit is left running; its pidfd is kept so that the
// child is reaped as soon as it has ended, checked at every later Run and when the service ends.
// Whatever is still running when radlyn ends is adopted and reaped by the system.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/paths.h"
#include "platform/process.h"

extern char** environ;

namespace radlyn::platform {
namespace {

// A descriptor that becomes readable when the child ends (close-on-exec). Called through
// syscall(): the C library's own declaration is not usable from C++ in every version.
int OpenPidFd(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0u)); }

// Reaps the child behind `pidfd` if it has ended; true when it is gone.
bool ReapIfEnded(int pidfd) {
  siginfo_t info{};
  if (waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(pidfd), &info, WEXITED | WNOHANG) !=
      0) {
    return errno == ECHILD;  // already reaped elsewhere: nothing left to wait for
  }
  return info.si_pid != 0;
}

// Sleeps until the child behind `pidfd` has ended or `limit_ms` have passed; true when ended.
bool WaitForEnd(int pidfd, std::uint32_t limit_ms) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limit_ms);
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    const int timeout = left <= 0 ? 0 : left > INT_MAX ? INT_MAX : static_cast<int>(left);
    pollfd entry{pidfd, POLLIN, 0};
    const int ready = poll(&entry, 1, timeout);
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
    if (ready == 0 && timeout < INT_MAX && Clock::now() >= deadline) return false;
  }
}

std::optional<std::uint32_t> ReadExitCode(int pidfd) {
  siginfo_t info{};
  if (waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(pidfd), &info, WEXITED) != 0) {
    return std::nullopt;
  }
  if (info.si_code == CLD_EXITED) return static_cast<std::uint32_t>(info.si_status);
  return 128u + static_cast<std::uint32_t>(info.si_status);
}

class PosixProcesses final : public Processes {
 public:
  ~PosixProcesses() override {
    for (int pidfd : abandoned_) {
      ReapIfEnded(pidfd);
      close(pidfd);
    }
  }

  ProcessRun Run(std::string_view program_path, std::string_view argument_text,
                 std::uint32_t time_limit_ms) override {
    ReapAbandoned();
    ProcessRun run;
    const pid_t pid = Spawn(program_path, argument_text);
    if (pid <= 0) return run;
    run.started = true;

    const int pidfd = OpenPidFd(pid);
    if (pidfd < 0) return run;  // exit code unreadable; the system reaps at our end
    if (!WaitForEnd(pidfd, time_limit_ms)) {
      abandoned_.push_back(pidfd);
      run.exit_code = kStillActive;
      return run;
    }
    run.exit_code = ReadExitCode(pidfd);
    close(pidfd);
    return run;
  }

 private:
  static pid_t Spawn(std::string_view program_path, std::string_view argument_text) {
    std::vector<std::string> arguments;
    arguments.push_back(ToNativePath(program_path));
    for (const std::string& argument : SplitCommandLine(argument_text)) {
      arguments.push_back(GetCodePages().AnsiToUtf8(argument));
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    // Only the standard streams reach the child, whatever other descriptors radlyn or a loaded
    // module left open without close-on-exec (a held lock file must not outlive radlyn).
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigfillset(&signals);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : 0;
  }

  void ReapAbandoned() {
    std::vector<int> still_running;
    for (int pidfd : abandoned_) {
      if (ReapIfEnded(pidfd)) {
        close(pidfd);
      } else {
        still_running.push_back(pidfd);
      }
    }
    abandoned_.swap(still_running);
  }

  std::vector<int> abandoned_;  // pidfds of children that outlived their limit
};

}  // namespace

Processes& Processes::Native() {
  static PosixProcesses processes;
  return processes;
}

}  // namespace radlyn::platform
