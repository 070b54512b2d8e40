#include "job/birth_date.h"

#include <gtest/gtest.h>

namespace radlyn {
namespace {

TEST(ParseBirthDateTest, AcceptsExactlyEightCharactersFormingARealDate) {
  struct Case {
    std::string_view text;
    std::optional<CalendarDate> date;
  };
  const Case cases[] = {
      {"19700305", CalendarDate{1970, 3, 5}},
      {"20000229", CalendarDate{2000, 2, 29}},  // divisible by 400
      {"19000229", std::nullopt},               // divisible by 100 only
      {"20240229", CalendarDate{2024, 2, 29}},
      {"20230229", std::nullopt},
      {"19700230", std::nullopt},
      {"19701301", std::nullopt},
      {"19700100", std::nullopt},
      {"19700431", std::nullopt},
      {"00000101", CalendarDate{0, 1, 1}},
      {"00500101", CalendarDate{50, 1, 1}},
      {" 1970305", CalendarDate{197, 3, 5}},  // each field read like atoi
      {"+9990101", CalendarDate{999, 1, 1}},
      {"-0010101", std::nullopt},
      {"1970-3-5", std::nullopt},
      {"1970035", std::nullopt},
      {"197003050", std::nullopt},
      {"1970-03-05", std::nullopt},
      {"", std::nullopt},
      {"abcdefgh", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseBirthDate(c.text), c.date) << c.text;
}

TEST(ParseBirthDateTest, DatesBeforeTheYear100ReachTheHostLinkAsMinusOne) {
  EXPECT_EQ(ToHostBirthDate({99, 12, 31}), (CalendarDate{-1, -1, -1}));
  EXPECT_EQ(ToHostBirthDate({100, 1, 1}), (CalendarDate{100, 1, 1}));
}

}  // namespace
}  // namespace radlyn
