#include "platform/environment.h"

#include <gtest/gtest.h>

#include "platform_test_support.h"

namespace radlyn::platform {
namespace {

using testing::ScopedVariable;

class EnvironmentTest : public ::testing::Test {
 protected:
  Environment& environment_ = Environment::Native();
  ScopedVariable folder_{"RADLYN_TEST_FOLDER", "/srv/data"};
  ScopedVariable empty_{"RADLYN_TEST_EMPTY", ""};
  ScopedVariable unknown_{"RADLYN_TEST_UNKNOWN", std::nullopt};
};

TEST_F(EnvironmentTest, ExpandsKnownNamesAndKeepsEverythingElseAsWritten) {
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"%RADLYN_TEST_FOLDER%\\Tavora", "/srv/data\\Tavora"},
      {"%radlyn_test_folder%", "/srv/data"},  // the command line arrives lower-cased
      {"a%RADLYN_TEST_EMPTY%b", "ab"},
      {"%RADLYN_TEST_UNKNOWN%\\x", "%RADLYN_TEST_UNKNOWN%\\x"},
      {"100%", "100%"},
      {"%%", "%%"},
      {"%RADLYN_TEST_FOLDER%%RADLYN_TEST_FOLDER%", "/srv/data/srv/data"},
      {"%RADLYN_TEST_UNKNOWN%RADLYN_TEST_FOLDER%", "%RADLYN_TEST_UNKNOWN%RADLYN_TEST_FOLDER%"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(environment_.ExpandEnvironmentText(c.text, kMaxPath), c.expected) << c.text;
  }
}

TEST_F(EnvironmentTest, ResultMustFitTheCapacityWithItsTerminator) {
  // "/srv/data" has 9 characters: it needs a capacity of 10.
  EXPECT_EQ(environment_.ExpandEnvironmentText("%RADLYN_TEST_FOLDER%", 10), "/srv/data");
  EXPECT_EQ(environment_.ExpandEnvironmentText("%RADLYN_TEST_FOLDER%", 9), std::nullopt);
  EXPECT_EQ(environment_.ExpandEnvironmentText("", 0), std::nullopt);
  std::string long_text(300, 'x');
  EXPECT_EQ(environment_.ExpandEnvironmentText(long_text, kMaxPath), std::nullopt);
  // Near the longest value a Windows variable may have (32767 characters).
  ScopedVariable huge("RADLYN_TEST_HUGE", std::string(32000, 'y'));
  EXPECT_EQ(environment_.ExpandEnvironmentText("%RADLYN_TEST_HUGE%", kMaxPath), std::nullopt);
}

#ifndef _WIN32
TEST_F(EnvironmentTest, AppDataDefaultsToTheXdgDataHome) {
  ScopedVariable appdata("APPDATA", std::nullopt);
  ScopedVariable home("HOME", "/home/dent");
  {
    ScopedVariable data_home("XDG_DATA_HOME", "/data/home");
    EXPECT_EQ(environment_.ExpandEnvironmentText("%APPDATA%\\Tavora\\RADLYN", kMaxPath),
              "/data/home\\Tavora\\RADLYN");
  }
  {
    ScopedVariable data_home("XDG_DATA_HOME", std::nullopt);
    EXPECT_EQ(environment_.ExpandEnvironmentText("%appdata%", kMaxPath), "/home/dent/.local/share");
  }
  ScopedVariable set_appdata("APPDATA", "/explicit");
  EXPECT_EQ(environment_.GetVariable("APPDATA"), "/explicit");
}
#endif

TEST_F(EnvironmentTest, ValuesAreHandedOutInTheAnsiCodePage) {
#ifdef _WIN32
  ScopedVariable umlaut("RADLYN_TEST_UMLAUT", "/home/j\xFCrgen");  // the ANSI block itself
#else
  ScopedVariable umlaut("RADLYN_TEST_UMLAUT", "/home/j\xC3\xBCrgen");  // UTF-8
#endif
  EXPECT_EQ(environment_.GetVariable("RADLYN_TEST_UMLAUT"), "/home/j\xFCrgen");
}

}  // namespace
}  // namespace radlyn::platform
