#include "platform/dynamic_library.h"

#include <gtest/gtest.h>

#include "platform/last_error.h"
#include "platform/paths.h"
#include "platform/windows_codes.h"
#include "platform_test_support.h"

namespace radlyn::platform {
namespace {

using testing::TempFolder;
using testing::WriteFile;

#ifdef _WIN32
// By full path: a bare name is refused (below).
constexpr const char* kMathLibrary = "C:\\windows\\system32\\msvcrt.dll";
// Windows tells a file that is no library from a missing one.
constexpr std::uint32_t kNotALibrary = kWinBadExeFormat;
#else
constexpr const char* kMathLibrary = "libm.so.6";
constexpr std::uint32_t kNotALibrary = kWinModuleNotFound;
#endif

TEST(DynamicLibraryTest, LoadsFindsExportsAndReportsWhatIsMissing) {
  DynamicLibraries& libraries = DynamicLibraries::Native();
  LibraryHandle math = libraries.Load(kMathLibrary);
  ASSERT_NE(math, 0u);
  EXPECT_NE(libraries.FindExport(math, "cos"), nullptr);
  SetLastErrorCode(0);
  EXPECT_EQ(libraries.FindExport(math, "MC_TakeImage"), nullptr);
  EXPECT_EQ(GetLastErrorCode(), kWinProcedureNotFound);
  libraries.Release(math);

  TempFolder folder;
  const std::string suffix = kLibraryFileSuffix;
  WriteFile(folder / ("moutil" + suffix), "not a library");
  SetLastErrorCode(0);
  EXPECT_EQ(libraries.Load(folder / ("mofiledb" + suffix)), 0u);
  EXPECT_EQ(GetLastErrorCode(), kWinModuleNotFound);
  SetLastErrorCode(0);
  EXPECT_EQ(libraries.Load(folder / ("moutil" + suffix)), 0u);
  EXPECT_EQ(GetLastErrorCode(), kNotALibrary);
  EXPECT_EQ(libraries.FindExport(0, "cos"), nullptr);
#ifdef _WIN32
  // Never searched for (the current folder may hold a planted copy).
  SetLastErrorCode(0);
  EXPECT_EQ(libraries.Load("msvcrt.dll"), 0u);
  EXPECT_EQ(GetLastErrorCode(), kWinModuleNotFound);
#endif
}

}  // namespace
}  // namespace radlyn::platform
