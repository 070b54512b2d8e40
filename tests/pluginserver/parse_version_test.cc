#include "pluginserver/parse_version.h"

#include <gtest/gtest.h>

namespace radlyn {
namespace {

TEST(ParseVersionTest, ReadsEachDottedPartAsItsLeadingInteger) {
  const struct {
    const char* text;
    std::int32_t major, minor, build, revision;
  } kCases[] = {
      {"2.3.0.15", 2, 3, 0, 15}, {"1.1", 1, 1, 0, 0},       {"1.10", 1, 10, 0, 0},
      {"3", 3, 0, 0, 0},         {"", 0, 0, 0, 0},          {" 4. 5", 4, 5, 0, 0},
      {"-1.2", -1, 2, 0, 0},     {"a.b.c.d", 0, 0, 0, 0},   {"1..2", 1, 0, 2, 0},
      {"1.2.3.4.5", 1, 2, 3, 4}, {"7beta.2rc", 7, 2, 0, 0}, {"99999999999.1", INT32_MAX, 1, 0, 0},
  };
  for (const auto& c : kCases) {
    std::int32_t major = 9, minor = 9, build = 9, revision = 9;
    ParseVersion(c.text, major, minor, &build, &revision);
    EXPECT_EQ(major, c.major) << c.text;
    EXPECT_EQ(minor, c.minor) << c.text;
    EXPECT_EQ(build, c.build) << c.text;
    EXPECT_EQ(revision, c.revision) << c.text;
  }
}

TEST(ParseVersionTest, MajorAndMinorAloneIgnoreTheRest) {
  std::int32_t major = 9, minor = 9;
  ParseVersion("5.6.7.8", major, minor);
  EXPECT_EQ(major, 5);
  EXPECT_EQ(minor, 6);
}

}  // namespace
}  // namespace radlyn
