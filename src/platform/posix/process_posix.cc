// Processes on Linux: posix_spawn, then a wait that wakes when the child ends.
//
// The wait sleeps in poll() on the child's pidfd until the child ends or the limit expires. A
// kernel without pidfds (before 5.3) gets a waiter thread instead: it blocks in waitid until the
// child has ended and reaps it, while the caller waits on a condition variable with the limit.
// Either way no timer steps. A child that outlives its limit is left running and reaped once it
// has ended: by its waiter thread, or (pidfd wait) at the next Run and when the service ends.
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
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/code_page.h"
#include "platform/paths.h"
#include "platform/posix/child_wait.h"
#include "platform/process.h"

extern char** environ;

namespace radlyn::platform {
namespace {

// A descriptor that becomes readable when the child ends (close-on-exec); -1 where the kernel
// has none. Called through syscall(): the C library's own declaration is not usable from C++ in
// every version.
int OpenPidFd(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0u)); }

// Reaps the child `pid` if it has ended; true when it is gone.
bool ReapIfEnded(pid_t pid) {
  siginfo_t info{};
  if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG) != 0) {
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

// Blocks until the child `pid` has ended, reaps it and answers its exit code.
std::optional<std::uint32_t> ReapExitCode(pid_t pid) {
  siginfo_t info{};
  while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED) != 0) {
    if (errno != EINTR) return std::nullopt;
  }
  if (info.si_code == CLD_EXITED) return static_cast<std::uint32_t>(info.si_status);
  return 128u + static_cast<std::uint32_t>(info.si_status);
}

// What a waiter thread learns and hands to the caller; shared, so that a thread whose caller
// stopped waiting still has it.
struct ChildEnd {
  std::mutex mutex;
  std::condition_variable ended_signal;
  bool ended = false;
  std::optional<std::uint32_t> exit_code;
};

// The program file a process runs ("/proc/<id>"), or std::nullopt with errno set. A file
// replaced since the start reads with " (deleted)" appended, which is cut off.
std::optional<std::string> ProgramFileOf(const std::string& proc_entry) {
  char buffer[PATH_MAX];
  const ssize_t size = readlink((proc_entry + "/exe").c_str(), buffer, sizeof buffer - 1);
  if (size < 0) return std::nullopt;
  std::string path(buffer, static_cast<std::size_t>(size));
  constexpr std::string_view kDeleted = " (deleted)";
  if (path.size() > kDeleted.size() && path.ends_with(kDeleted)) {
    path.resize(path.size() - kDeleted.size());
  }
  return path;
}

class PosixProcesses final : public Processes {
 public:
  explicit PosixProcesses(ChildWait wait) : wait_(wait) {}
  ~PosixProcesses() override {
    for (pid_t pid : abandoned_) ReapIfEnded(pid);
  }

  std::uint32_t CurrentProcessId() override { return static_cast<std::uint32_t>(getpid()); }

  bool IsRunningThisProgram(std::uint32_t id) override {
    const std::optional<std::string> program = ProgramFileOf("/proc/" + std::to_string(id));
    if (!program) return errno != ENOENT && errno != ESRCH;  // not inspectable: running
    const std::optional<std::string> own = ProgramFileOf("/proc/self");
    const auto name = [](const std::string& path) { return path.substr(path.rfind('/') + 1); };
    return own && name(*own) == name(*program);
  }

  ProcessRun Run(std::string_view program_path, std::string_view argument_text,
                 std::uint32_t time_limit_ms) override {
    ReapAbandoned();
    ProcessRun run;
    const pid_t pid = Spawn(program_path, argument_text);
    if (pid <= 0) return run;
    run.started = true;

    const int pidfd = wait_ == ChildWait::kPidFdWhereAvailable ? OpenPidFd(pid) : -1;
    if (pidfd < 0) {
      run.exit_code = WaitOnThread(pid, time_limit_ms);
      return run;
    }
    const bool ended = WaitForEnd(pidfd, time_limit_ms);
    close(pidfd);
    if (!ended) {
      abandoned_.push_back(pid);
      run.exit_code = kStillActive;
      return run;
    }
    run.exit_code = ReapExitCode(pid);
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

  // The exit code, kStillActive when the limit expired first, std::nullopt when it could not be
  // read. The thread stays with a child that outlives the limit until it has reaped it.
  std::optional<std::uint32_t> WaitOnThread(pid_t pid, std::uint32_t time_limit_ms) {
    auto end = std::make_shared<ChildEnd>();
    try {
      std::thread([pid, end] {
        std::optional<std::uint32_t> exit_code = ReapExitCode(pid);
        const std::lock_guard<std::mutex> lock(end->mutex);
        end->exit_code = exit_code;
        end->ended = true;
        end->ended_signal.notify_all();
      }).detach();
    } catch (const std::system_error&) {
      abandoned_.push_back(pid);  // no thread to wait on: reaped later, exit code unread
      return std::nullopt;
    }
    std::unique_lock<std::mutex> lock(end->mutex);
    if (!end->ended_signal.wait_for(lock, std::chrono::milliseconds(time_limit_ms),
                                    [&] { return end->ended; })) {
      return kStillActive;
    }
    return end->exit_code;
  }

  void ReapAbandoned() {
    std::vector<pid_t> still_running;
    for (pid_t pid : abandoned_) {
      if (!ReapIfEnded(pid)) still_running.push_back(pid);
    }
    abandoned_.swap(still_running);
  }

  ChildWait wait_;
  std::vector<pid_t> abandoned_;  // children that outlived their limit, reaped here
};

}  // namespace

std::unique_ptr<Processes> MakePosixProcesses(ChildWait wait) {
  return std::make_unique<PosixProcesses>(wait);
}

Processes& Processes::Native() {
  static PosixProcesses processes(ChildWait::kPidFdWhereAvailable);
  return processes;
}

}  // namespace radlyn::platform
