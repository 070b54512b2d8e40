#include "platform/named_mutex.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/last_error.h"
#include "platform_test_support.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/posix/lock_file_mutexes.h"
#endif

namespace radlyn::platform {
namespace {

using testing::ScopedVariable;
using testing::TempFolder;

// Not the program's own guard: on Windows mutex names are shared by every program of the session,
// and other tests run radlyn.exe while this one runs.
constexpr const char* kGuardName = "{C2772E85-0A11-4be6-A134-2B2421B164B9}-platform-test";

TEST(NamedMutexTest, SecondHolderGetsAlreadyExistsUntilTheFirstLetsGo) {
#ifndef _WIN32
  TempFolder runtime;
  ScopedVariable runtime_dir("XDG_RUNTIME_DIR", runtime.path().string());
#endif
  NamedMutexes& mutexes = NamedMutexes::Native();

  NamedMutexResult first = mutexes.Create(kGuardName);
  EXPECT_EQ(first.creation_error, 0u);
  EXPECT_NE(first.handle, nullptr);
#ifndef _WIN32
  EXPECT_TRUE(std::filesystem::exists(runtime / (std::string(kGuardName) + ".lock")));
#endif

  NamedMutexResult second = mutexes.Create(kGuardName);  // a separate open conflicts
  EXPECT_EQ(second.creation_error, kWinAlreadyExists);
  EXPECT_NE(second.handle, nullptr);
  EXPECT_EQ(mutexes.Create("other name").creation_error, 0u);

  first.handle.reset();
  second.handle.reset();
  EXPECT_EQ(mutexes.Create(kGuardName).creation_error, 0u);
}

#ifdef _WIN32
TEST(NamedMutexTest, AMutexThatMayNotBeOpenedGivesAccessDenied) {
  // Held by this process under an empty access list: nobody may open it again.
  SECURITY_DESCRIPTOR descriptor;
  ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  ACL empty;
  ASSERT_TRUE(InitializeAcl(&empty, sizeof empty, ACL_REVISION));
  ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, &empty, FALSE));
  SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
  HANDLE locked = CreateMutexA(&attributes, FALSE, "radlyn-test-locked-mutex");
  ASSERT_NE(locked, nullptr);

  NamedMutexResult result = NamedMutexes::Native().Create("radlyn-test-locked-mutex");
  EXPECT_EQ(result.creation_error, kWinAccessDenied);
  EXPECT_EQ(result.handle, nullptr);
  CloseHandle(locked);
}
#else
TEST(NamedMutexTest, NamesCannotLeaveTheRuntimeFolder) {
  TempFolder runtime;
  ScopedVariable runtime_dir("XDG_RUNTIME_DIR", runtime.path().string());
  NamedMutexResult result = NamedMutexes::Native().Create("Global\\..\\../x");
  EXPECT_EQ(result.creation_error, 0u);
  EXPECT_TRUE(std::filesystem::exists(runtime / "Global_.._.._x.lock"));
}

TEST(NamedMutexTest, AFolderThatMayNotBeWrittenGivesAccessDenied) {
  // /sys refuses new files even to a privileged user.
  ScopedVariable runtime_dir("XDG_RUNTIME_DIR", "/sys");
  NamedMutexResult result = NamedMutexes::Native().Create(kGuardName);
  EXPECT_EQ(result.creation_error, kWinAccessDenied);
  EXPECT_EQ(result.handle, nullptr);
}

// Without a runtime folder the lock lives in a folder of the user's own below /tmp: another
// user's lock file in /tmp itself stops nothing, and a folder of that name that is not the
// user's own is never used.
TEST(NamedMutexTest, WithoutARuntimeFolderNoOtherUserCanHoldOrPlantTheLock) {
  if (geteuid() == 0) {
    ScopedVariable runtime_dir("XDG_RUNTIME_DIR", std::nullopt);
    ScopedVariable temp_dir("TMPDIR", std::nullopt);
    const std::string planted = std::string("/tmp/") + kGuardName + ".lock";
    std::filesystem::remove(planted);
    testing::WriteFile(planted, "");
    ASSERT_EQ(chown(planted.c_str(), 65534, 65534), 0);  // nobody's, and held
    const int foreign = open(planted.c_str(), O_RDWR);
    ASSERT_EQ(flock(foreign, LOCK_EX | LOCK_NB), 0);
    NamedMutexResult ours = NamedMutexes::Native().Create(kGuardName);
    EXPECT_EQ(ours.creation_error, 0u);
    const std::filesystem::path folder = "/tmp/radlyn-" + std::to_string(geteuid());
    EXPECT_EQ(std::filesystem::status(folder).permissions(), std::filesystem::perms::owner_all);
    EXPECT_TRUE(std::filesystem::exists(folder / (std::string(kGuardName) + ".lock")));
    close(foreign);
    std::filesystem::remove(planted);
  }
  const struct {
    const char* name;
    const char* make;  // shell command run in the temporary folder
  } kRefused[] = {
      {"another user's", "mkdir -m 700 radlyn-$(id -u) && chown 65534 radlyn-$(id -u)"},
      {"open to others", "mkdir -m 777 radlyn-$(id -u)"},
      {"a link", "mkdir -m 700 own && ln -s own radlyn-$(id -u)"},
      {"a file", "touch radlyn-$(id -u)"},
  };
  for (const auto& c : kRefused) {
    SCOPED_TRACE(c.name);
    TempFolder temp;
    ScopedVariable runtime_dir("XDG_RUNTIME_DIR", std::nullopt);
    ScopedVariable temp_dir("TMPDIR", temp.path().string());
    if (geteuid() != 0 && std::string(c.name) == "another user's") continue;
    ASSERT_TRUE(testing::RunCommand("cd '" + temp.path().string() + "' && " + c.make));
    NamedMutexResult result = NamedMutexes::Native().Create(kGuardName);
    EXPECT_EQ(result.creation_error, kWinAccessDenied);
    EXPECT_EQ(result.handle, nullptr);
  }
}
#endif

#ifndef _WIN32
TEST(NamedMutexTest, ALockTheFileSystemRefusesGivesAccessDeniedAndNoHandle) {
  TempFolder runtime;
  ScopedVariable runtime_dir("XDG_RUNTIME_DIR", runtime.path().string());
  // As on a network file system without locks.
  std::unique_ptr<NamedMutexes> mutexes = MakeLockFileMutexes([](int, int) {
    errno = ENOLCK;
    return -1;
  });
  NamedMutexResult result = mutexes->Create(kGuardName);
  EXPECT_EQ(result.creation_error, kWinAccessDenied);
  EXPECT_EQ(result.handle, nullptr);
  EXPECT_EQ(GetLastErrorCode(), kWinAccessDenied);
}
#endif

}  // namespace
}  // namespace radlyn::platform
