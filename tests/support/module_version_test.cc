// CModuleVersion: parsing dotted text, order, both text forms, and reading a program file's
// product version.
#include "support/module_version.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/paths.h"

namespace radlyn {
namespace {

std::string Parts(const CModuleVersion& v) { return v.FormatParts(4); }

TEST(ModuleVersionTest, ParseText) {
  const std::pair<const char*, const char*> cases[] = {
      {"7.0", "7.0.0.0"},      {"1.2.3.4", "1.2.3.4"}, {"1.2.3.4.5", "1.2.3.4"},
      {".7.1", "0.0.0.0"},     {"", "0.0.0.0"},        {"70000", "4464.0.0.0"},
      {"-1.2", "65535.2.0.0"}, {" 7 . 3", "7.3.0.0"},  {"7..3", "7.0.0.0"},
      {"7.", "7.0.0.0"},       {"1x.2y", "1.2.0.0"},   {"99999999999.1", "65535.1.0.0"},
  };
  for (const auto& [text, parts] : cases) {
    EXPECT_EQ(Parts(CModuleVersion(text)), parts) << text;
  }
  CModuleVersion v("1.2.3.4");
  v.ParseText("5");
  EXPECT_EQ(Parts(v), "5.0.0.0") << "parsing starts from 0.0.0.0";
  EXPECT_EQ(Parts(CModuleVersion()), "0.0.0.0");
}

TEST(ModuleVersionTest, OrderIsLexicographic) {
  struct Case {
    const char* a;
    const char* b;
    int less, equal;
  };
  const Case cases[] = {
      {"6.9.9.9", "7.0.0.0", 1, 0}, {"7.0.0.0", "7.0.0.0", 0, 1},     {"7.0.0.1", "7.0.0.0", 0, 0},
      {"7.0.0.0", "7.0.0.1", 1, 0}, {"1.65535", "2.0", 1, 0},         {"2.0", "1.65535.9.9", 0, 0},
      {"7.1.0.0", "7.0.9.9", 0, 0}, {"7.0.1.0", "7.0.0.65535", 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CModuleVersion(c.a).IsLessThan(CModuleVersion(c.b)), c.less) << c.a << " " << c.b;
    EXPECT_EQ(CModuleVersion(c.a).IsEqual(CModuleVersion(c.b)), c.equal) << c.a << " " << c.b;
  }
}

TEST(ModuleVersionTest, TextForms) {
  const CModuleVersion v("12.34.56.78");
  EXPECT_EQ(v.FormatParts(1), "12");
  EXPECT_EQ(v.FormatParts(2), "12.34");
  EXPECT_EQ(v.FormatParts(3), "12.34.56");
  EXPECT_EQ(v.FormatParts(4), "12.34.56.78");
  EXPECT_EQ(v.FormatParts(0), "12.34.56.78");
  EXPECT_EQ(v.FormatParts(5), "12.34.56.78");
  EXPECT_EQ(v.FormatShort(), "2.46");
  EXPECT_EQ(CModuleVersion("7.1.2.0").FormatShort(), "7.12");
  EXPECT_EQ(CModuleVersion("7.1.0.5").FormatShort(), "7.1");
  EXPECT_EQ(CModuleVersion("65535.65535.65535.65535").FormatParts(4), "65535.65535.65535.65535");
}

TEST(ModuleVersionTest, ReadFromFile) {
  const char* build = std::getenv("RADLYN_BUILD_DIR");
  ASSERT_NE(build, nullptr) << "the test runner sets RADLYN_BUILD_DIR";
  const std::string program = std::string(build) + "/bin/radlyn" + platform::kProgramFileSuffix;
  ASSERT_TRUE(std::filesystem::exists(program)) << program << " is built with the tests";

  CModuleVersion v("9.9.9.9");
  EXPECT_EQ(v.ReadFromFile(program), 1);
  EXPECT_EQ(Parts(v), "1.0.0.1");

  for (const std::string& without :
       {std::string(build) + "/CMakeCache.txt", std::string(build) + "/no-such-program"}) {
    CModuleVersion kept("3.4.5.6");
    EXPECT_EQ(kept.ReadFromFile(without), 0) << without;
    EXPECT_EQ(Parts(kept), "3.4.5.6") << without;
  }
}

}  // namespace
}  // namespace radlyn
