#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "hostlink/orbel.h"
#include "platform/paths.h"
#ifndef _WIN32
#include "platform/posix/child_wait.h"
#endif
#include "platform/process.h"
#include "support/platform_fakes.h"
#ifdef _WIN32
#include <atomic>

#include "platform/win32/windows_api.h"
#endif

namespace radlyn {
namespace {

using Arguments = std::vector<std::string>;

TEST(SplitCommandLineTest, FollowsTheWindowsRules) {
  const struct {
    const char* text;
    Arguments arguments;
  } kCases[] = {
      {" -backupoem", {"-backupoem"}},
      {" -check \"/tmp/a b.tif\"", {"-check", "/tmp/a b.tif"}},
      {"", {}},
      {" \t ", {}},
      {"a\tb  c", {"a", "b", "c"}},
      {"\"\"", {""}},
      {"a\"b c\"d", {"ab cd"}},
      {"\"a\"\"b\"", {"a\"b"}},
      {"a\\\\b", {"a\\\\b"}},         // backslashes not before a quote stay
      {"a\\\"b", {"a\"b"}},           // 2n+1 backslashes: n and a literal quote
      {"\"a\\\\\" b", {"a\\", "b"}},  // 2n backslashes: n, and the quote closes
      {"C:\\Temp\\x.tif", {"C:\\Temp\\x.tif"}},
      {"\"unclosed text", {"unclosed text"}},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(platform::SplitCommandLine(c.text), c.arguments) << c.text;
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// The platform's command interpreter and the argument text that has it run one command line.
#ifdef _WIN32
std::string Shell() {
  const char* comspec = std::getenv("ComSpec");
  return comspec != nullptr ? comspec : "C:\\windows\\system32\\cmd.exe";
}
std::string ShellCommand(const std::string& command) { return " /c " + command; }
#else
std::string Shell() { return "/bin/sh"; }
std::string ShellCommand(const std::string& command) { return " -c \"" + command + "\""; }
#endif

#ifdef _WIN32
// One process service on Windows.
class RunAndWaitTest : public ::testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(Native, RunAndWaitTest, ::testing::Values(0));
#else
// Every run test runs twice on Linux: with the process service radlyn ships, which waits on a
// pidfd, and with one that waits on a thread of its own, as radlyn does on a kernel without
// pidfds.
class RunAndWaitTest : public ::testing::TestWithParam<platform::ChildWait> {
 protected:
  std::unique_ptr<platform::Processes> processes_ = platform::MakePosixProcesses(GetParam());
  platform::ScopedService<platform::Processes> installed_{*processes_};
};
INSTANTIATE_TEST_SUITE_P(BothWaits, RunAndWaitTest,
                         ::testing::Values(platform::ChildWait::kPidFdWhereAvailable,
                                           platform::ChildWait::kWaiterThread),
                         [](const auto& wait) {
                           return wait.param == platform::ChildWait::kWaiterThread ? "WaiterThread"
                                                                                   : "PidFd";
                         });
#endif

TEST_P(RunAndWaitTest, OnlyExitCodeZeroIsSuccess) {
  EXPECT_EQ(RunAndWait(Shell(), ShellCommand("exit 0"), 10'000), 0u);
  EXPECT_EQ(RunAndWait(Shell(), ShellCommand("exit 1"), 10'000), 18u);
  EXPECT_EQ(RunAndWait(Shell(), ShellCommand("exit 3"), 10'000), 18u);
#ifndef _WIN32
  EXPECT_EQ(RunAndWait(Shell(), ShellCommand("kill -9 $$"), 10'000), 18u);
#endif
  testing::ScratchFolder folder;
  EXPECT_EQ(
      RunAndWait(folder.Sub("missing/orbel") + platform::kProgramFileSuffix, " -restore", 10'000),
      18u);
  // The path is used as it is: a bare name is not looked up along PATH.
  const std::string shell = Shell();
  const std::string bare_name = shell.substr(shell.find_last_of("/\\") + 1);
  EXPECT_EQ(RunAndWait(bare_name, ShellCommand("exit 0"), 10'000), 18u);
}

#ifdef _WIN32
TEST_P(RunAndWaitTest, ChildGetsTheArgumentTextAsItsCommandLine) {
  testing::ScratchFolder folder;
  const std::string out = folder.Sub("out.txt");
  EXPECT_EQ(RunAndWait(Shell(), ShellCommand("echo \"a b\" c>\"" + out + "\""), 10'000), 0u);
  std::istringstream lines(ReadFile(out));
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "\"a b\" c");
}
#else
TEST_P(RunAndWaitTest, ChildGetsTheSplitArgumentsAndNoInheritedDescriptors) {
  testing::ScratchFolder folder;
  const std::string out = folder.Sub("out.txt");
  // A descriptor this process leaves open without close-on-exec.
  std::FILE* open_file = std::fopen(folder.Sub("held").c_str(), "w");
  ASSERT_NE(open_file, nullptr);
  // The script's own double quotes are escaped for the Windows rules.
  const std::string script = "printf '%s|' \\\"$@\\\" > " + out + "; echo >> " + out +
                             "; for f in /proc/$$/fd/*; do readlink $f; done >> " + out +
                             "; exit 0";
  EXPECT_EQ(RunAndWait("/bin/sh", " -c \"" + script + "\" sh \"a b\" c", 10'000), 0u);
  std::fclose(open_file);
  std::istringstream lines(ReadFile(out));
  std::string arguments, line;
  std::getline(lines, arguments);
  EXPECT_EQ(arguments, "a b|c|");
  int descriptors = 0;
  while (std::getline(lines, line)) {
    ++descriptors;
    EXPECT_EQ(line.find("held"), std::string::npos) << line;
  }
  EXPECT_GE(descriptors, 3);
}
#endif

#ifdef _WIN32
std::atomic<int> posted_seen{0};
LRESULT CALLBACK CountPosted(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_APP) ++posted_seen;
  return DefWindowProcA(window, message, w, l);
}

// The waiting thread's windows stay responsive while the child runs: a message another thread
// (or program, a broadcast for one) sends is answered at once, a posted one is dispatched, and a
// quit message posted meanwhile is still there for the thread's own loop afterwards.
TEST_P(RunAndWaitTest, WaitHandlesTheThreadsMessagesMeanwhile) {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = CountPosted;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = "RadlynWaitTest";
  RegisterClassA(&window_class);
  HWND window = CreateWindowExA(0, window_class.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                nullptr, window_class.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  const DWORD waiting_thread = GetCurrentThreadId();
  std::atomic<long long> answer_ms{-1};
  std::thread other([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    PostMessageA(window, WM_APP, 0, 0);
    PostThreadMessageA(waiting_thread, WM_QUIT, 7, 0);
    const auto sent = std::chrono::steady_clock::now();
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 10'000, &result);
    answer_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now() - sent)
                    .count();
  });
  // About two seconds of work.
  EXPECT_EQ(RunAndWait(Shell(), ShellCommand("ping -n 3 127.0.0.1 >NUL"), 10'000), 0u);
  other.join();
  EXPECT_GE(answer_ms, 0);
  EXPECT_LT(answer_ms, 1000);
  EXPECT_EQ(posted_seen, 1);
  MSG quit{};
  EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 7u);
  DestroyWindow(window);
}
#endif

#ifndef _WIN32
bool ProcessExists(const std::string& pid) { return std::filesystem::exists("/proc/" + pid); }

char ProcessState(const std::string& pid) {
  const std::string stat = ReadFile("/proc/" + pid + "/stat");
  const std::size_t close = stat.rfind(')');
  return close == std::string::npos || close + 2 >= stat.size() ? '?' : stat[close + 2];
}
#endif

TEST_P(RunAndWaitTest, ChildOutlivingItsLimitKeepsRunningAndIsReapedLater) {
  testing::ScratchFolder folder;
  const std::string done = folder.Sub("done");
  // About two seconds of work, then the file "done".
#ifdef _WIN32
  const std::string command = "ping -n 3 127.0.0.1 >NUL & echo done>\"" + done + "\"";
#else
  const std::string pid_file = folder.Sub("pid");
  const std::string command = "echo $$ > " + pid_file + "; sleep 2; echo done > " + done;
#endif
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunAndWait(Shell(), ShellCommand(command), 200), 18u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
  EXPECT_FALSE(std::filesystem::exists(done));
  for (int i = 0; i < 1000 && !std::filesystem::exists(done); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(std::filesystem::exists(done)) << "the child was not left running";

#ifndef _WIN32
  // Once it has ended it is reaped (by its waiter thread, or by the next run): no zombie stays.
  std::string pid;
  std::istringstream(ReadFile(pid_file)) >> pid;
  ASSERT_FALSE(pid.empty());
  for (int i = 0; i < 300 && ProcessExists(pid) && ProcessState(pid) != 'Z'; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(RunAndWait(Shell(), ShellCommand("exit 0"), 10'000), 0u);
  EXPECT_FALSE(ProcessExists(pid));
#endif
}

}  // namespace
}  // namespace radlyn
