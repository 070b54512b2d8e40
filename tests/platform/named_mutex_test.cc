#include "platform/named_mutex.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/last_error.h"
#include "platform/posix/lock_file_mutexes.h"
#include "platform_test_support.h"

namespace radlyn::platform {
namespace {

using testing::ScopedVariable;
using testing::TempFolder;

constexpr const char* kGuardName = "{C2772E85-0A11-4be6-A134-2B2421B164B9}";

TEST(NamedMutexTest, SecondHolderGetsAlreadyExistsUntilTheFirstLetsGo) {
  TempFolder runtime;
  ScopedVariable runtime_dir("XDG_RUNTIME_DIR", runtime.path().string());
  NamedMutexes& mutexes = NamedMutexes::Native();

  NamedMutexResult first = mutexes.Create(kGuardName);
  EXPECT_EQ(first.creation_error, 0u);
  EXPECT_NE(first.handle, nullptr);
  EXPECT_TRUE(std::filesystem::exists(runtime / (std::string(kGuardName) + ".lock")));

  NamedMutexResult second = mutexes.Create(kGuardName);  // a separate open conflicts
  EXPECT_EQ(second.creation_error, kErrorAlreadyExists);
  EXPECT_NE(second.handle, nullptr);
  EXPECT_EQ(mutexes.Create("other name").creation_error, 0u);

  first.handle.reset();
  second.handle.reset();
  EXPECT_EQ(mutexes.Create(kGuardName).creation_error, 0u);
}

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
  EXPECT_EQ(result.creation_error, kErrorAccessDenied);
  EXPECT_EQ(result.handle, nullptr);
}

TEST(NamedMutexTest, ALockTheFileSystemRefusesGivesAccessDeniedAndNoHandle) {
  TempFolder runtime;
  ScopedVariable runtime_dir("XDG_RUNTIME_DIR", runtime.path().string());
  // As on a network file system without locks.
  std::unique_ptr<NamedMutexes> mutexes = MakeLockFileMutexes([](int, int) {
    errno = ENOLCK;
    return -1;
  });
  NamedMutexResult result = mutexes->Create(kGuardName);
  EXPECT_EQ(result.creation_error, kErrorAccessDenied);
  EXPECT_EQ(result.handle, nullptr);
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);
}

}  // namespace
}  // namespace radlyn::platform
