#include "platform/dynamic_library.h"

#include <gtest/gtest.h>

#include "platform/last_error.h"
#include "platform_test_support.h"

namespace radlyn::platform {
namespace {

using testing::TempFolder;
using testing::WriteFile;

TEST(DynamicLibraryTest, LoadsFindsExportsAndReportsWhatIsMissing) {
  DynamicLibraries& libraries = DynamicLibraries::Native();
  LibraryHandle math = libraries.Load("libm.so.6");
  ASSERT_NE(math, 0u);
  EXPECT_NE(libraries.FindExport(math, "cos"), nullptr);
  SetLastErrorCode(0);
  EXPECT_EQ(libraries.FindExport(math, "MC_TakeImage"), nullptr);
  EXPECT_EQ(GetLastErrorCode(), kErrorProcedureNotFound);
  libraries.Release(math);

  TempFolder folder;
  WriteFile(folder / "moutil.so", "not a library");
  for (const std::string& path : {folder / "mofiledb.so", folder / "moutil.so"}) {
    SetLastErrorCode(0);
    EXPECT_EQ(libraries.Load(path), 0u) << path;
    EXPECT_EQ(GetLastErrorCode(), kErrorModuleNotFound) << path;
  }
  EXPECT_EQ(libraries.FindExport(0, "cos"), nullptr);
}

}  // namespace
}  // namespace radlyn::platform
