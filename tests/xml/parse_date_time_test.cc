#include "xml/parse_date_time.h"

#include <gtest/gtest.h>

#include <optional>

namespace radlyn {
namespace {

TEST(ParseDateTimeTest, AcceptsDatesWithOptionalTimesAndRejectsTheRest) {
  struct Case {
    const char* text;
    std::optional<XmlDateTime> expected;
  };
  const Case kCases[] = {
      {"2013-05-06T10:20:30", XmlDateTime{2013, 5, 6, 10, 20, 30}},
      {"2013-05-06 10:20:30", XmlDateTime{2013, 5, 6, 10, 20, 30}},
      {"2013-05-06T10:20:30.123+01:00", XmlDateTime{2013, 5, 6, 10, 20, 30}},
      {"2013-05-06", XmlDateTime{2013, 5, 6, 0, 0, 0}},
      {"2013-05-06T10:20", XmlDateTime{2013, 5, 6, 0, 0, 0}},    // 16 characters: midnight
      {"2013-05-06T10:20:3", XmlDateTime{2013, 5, 6, 0, 0, 0}},  // 18 characters: midnight
      {"2013-05-06junk", XmlDateTime{2013, 5, 6, 0, 0, 0}},
      {"2012-02-29", XmlDateTime{2012, 2, 29, 0, 0, 0}},
      {"2000-02-29", XmlDateTime{2000, 2, 29, 0, 0, 0}},
      {"9999-12-31T23:59:59", XmlDateTime{9999, 12, 31, 23, 59, 59}},
      {"2013-05-06t10:20:30", std::nullopt},  // small t
      {"2013-05-06X10:20:30", std::nullopt},
      {"2013-05-06T10-20-30", std::nullopt},
      {"2013-05-06T1a:20:30", std::nullopt},
      {"2013-13-01", std::nullopt},
      {"2013-00-01", std::nullopt},
      {"2013-02-29", std::nullopt},
      {"1900-02-29", std::nullopt},
      {"2013-04-31", std::nullopt},
      {"2013-05-00", std::nullopt},
      {"2013-05-06T24:00:00", std::nullopt},
      {"2013-05-06T23:60:00", std::nullopt},
      {"2013-05-06T23:59:60", std::nullopt},
      {"2013/05/06", std::nullopt},
      {"2013-5-6", std::nullopt},
      {"-013-05-06", std::nullopt},
      {"2013-05-0", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    TypedValue value = TypedValue::Text("before");
    EXPECT_EQ(ParseDateTime(c.text, value), c.expected.has_value());
    EXPECT_EQ(value, c.expected ? TypedValue::DateTime(*c.expected) : TypedValue::Text("before"));
  }
}

TEST(ParseDateTimeTest, ReadsBackTheTextFormOfADateTime) {
  const XmlDateTime moment{987, 1, 2, 3, 4, 5};
  TypedValue value;
  ASSERT_TRUE(ParseDateTime(TypedValue::DateTime(moment).TextForm(), value));
  EXPECT_EQ(value.date_time(), moment);
}

}  // namespace
}  // namespace radlyn
