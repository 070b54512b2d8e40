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
