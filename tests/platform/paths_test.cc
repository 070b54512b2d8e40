#include "platform/paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform_test_support.h"

namespace radlyn::platform {
namespace {

using testing::TempFolder;
namespace fs = std::filesystem;

#ifdef _WIN32
TEST(PathsTest, WindowsTextsPassWithTheirSlashesTurnedIntoBackslashes) {
  EXPECT_EQ(ToNativePath("C:/Data\\TAVORA/radlyn\\"), "C:\\Data\\TAVORA\\radlyn\\");
  EXPECT_EQ(ToNativePath("\\\\server\\share\\J\xFCrgen.tif"), "\\\\server\\share\\J\xFCrgen.tif");
  EXPECT_EQ(ToNativePath(""), "");
}
#else
TEST(PathsTest, ResolvesEachExistingComponentWithoutRegardToCase) {
  TempFolder folder;
  fs::create_directories(folder / "Tavora/RADLYN");
  fs::create_directories(folder / "Images");
  fs::create_directories(folder / "images");  // exact match wins over a case variant
  fs::create_directories(folder / "Out/bB");
  fs::create_directories(folder / "Out/Bb");        // two variants: the first in sorted order
  fs::create_directories(folder / "\xC3\x84rzte");  // "Ärzte" in UTF-8
  std::string base = folder.path().string();
  struct Case {
    std::string text;
    std::string expected;
  } cases[] = {
      {base + "\\tavora\\radlyn\\", base + "/Tavora/RADLYN/"},
      {base + "/TAVORA/radlyn/RADLYN_in.ini", base + "/Tavora/RADLYN/RADLYN_in.ini"},
      {base + "/images", base + "/images"},
      {base + "/IMAGES", base + "/Images"},
      {base + "/out/BB", base + "/Out/Bb"},
      {base + "/missing/tavora", base + "/missing/tavora"},  // nothing below a missing folder
      {base + "/tavora/./radlyn/../RADLYN", base + "/Tavora/RADLYN"},  // steps resolved first
      {base + "/\xE4RZTE", base + "/\xC3\x84rzte"},                    // ANSI in, UTF-8 out
      {base + "/neu-\xE4", base + "/neu-\xC3\xA4"},
      // Trailing dots and blanks as Windows takes them: all of them at the end, one dot before a
      // separator.
      {base + "/tavora./radlyn. .", base + "/Tavora/RADLYN"},
      {base + "/images..\\x", base + "/images./x"},
      {base + "/images \\x", base + "/images /x"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ToNativePath(c.text), c.expected) << c.text;
}
#endif

}  // namespace
}  // namespace radlyn::platform
