#include "support/translate_escapes.h"

#include <gtest/gtest.h>

namespace radlyn {
namespace {

struct Case {
  std::string plain;
  std::string escaped;
};

// Each pair converts both ways: decoding the escaped form gives the plain one and back.
const Case kRoundTrips[] = {
    {"", ""},
    {"\r\n", "||r|n||"},
    {"\n", "||n||"},
    {"'", "&#x27;"},
    {"\n\n", "||n||||n||"},
    {"a\r\nb\nc'd", "a||r|n||b||n||c&#x27;d"},
    {"\r\n\n\r", "||r|n||||n||\r"},
    {"no escapes &amp; &#x22; \r here", "no escapes &amp; &#x22; \r here"},
    {"\r\r\n", "\r||r|n||"},
};

TEST(TranslateEscapesTest, ConvertsEachFormInBothDirections) {
  for (const Case& c : kRoundTrips) {
    EXPECT_EQ(TranslateEscapes(c.escaped, false), c.plain) << c.escaped;
    EXPECT_EQ(TranslateEscapes(c.plain, true), c.escaped) << c.escaped;
  }
}

TEST(TranslateEscapesTest, MatchesLeftToRightWithoutOverlap) {
  // The second "||n||" would overlap the first; scanning resumes after the first replacement.
  EXPECT_EQ(TranslateEscapes("||n||n||", false), "\nn||");
  // "||r||n||" is no CR LF escape, but holds an LF escape.
  EXPECT_EQ(TranslateEscapes("||r||n||", false), "||r\n");
  // Text that already holds an escaped form does not come back unchanged from encode-decode.
  EXPECT_EQ(TranslateEscapes(TranslateEscapes("||n||", true), false), "\n");
}

}  // namespace
}  // namespace radlyn
