#include "platform/code_page.h"

#include <gtest/gtest.h>

namespace radlyn::platform {
namespace {

TEST(CodePageTest, AnsiAndOemRoundTrip) {
  CodePages& pages = CodePages::Native();
  struct Case {
    std::string ansi;
    std::string oem;
  } cases[] = {
      {"M\xE4rz", "M\x84rz"},                    // a-umlaut
      {"\xC4\xD6\xDC\xDF", "\x8E\x99\x9A\xE1"},  // A-, O-, U-umlaut, sharp s
      {"plain ASCII 123", "plain ASCII 123"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(pages.AnsiToOem(c.ansi), c.oem);
    EXPECT_EQ(pages.OemToAnsi(c.oem), c.ansi);
  }
}

TEST(CodePageTest, CharactersWithoutAFormBecomeQuestionMarks) {
  CodePages& pages = CodePages::Native();
  EXPECT_EQ(pages.AnsiToOem("5\x80 net"), "5? net");  // no euro sign in CP850
#ifdef _WIN32
  EXPECT_EQ(pages.OemToAnsi("\xC9\xCD\xBB"), "+-+");  // box drawing, by the system's best fit
#else
  EXPECT_EQ(pages.OemToAnsi("\xC9\xCD\xBB"), "???");  // box drawing
#endif
  EXPECT_EQ(pages.Utf8ToAnsi("\xE2\x82\xAC \xE4\xB8\xAD"), "\x80 ?");  // euro, CJK
  EXPECT_EQ(pages.Utf8ToAnsi("a\xC3(b\xFF"), "a?(b?");                 // invalid UTF-8
  EXPECT_EQ(pages.Utf8ToAnsi("cut \xC3"), "cut ?");                    // sequence cut at the end
}

TEST(CodePageTest, UnicodeForms) {
  CodePages& pages = CodePages::Native();
  EXPECT_EQ(pages.AnsiToUtf8("J\xFCrgen \x80"), "J\xC3\xBCrgen \xE2\x82\xAC");
  EXPECT_EQ(pages.Utf8ToAnsi("J\xC3\xBCrgen"), "J\xFCrgen");
  EXPECT_EQ(pages.Utf16LeToAnsi(u"\uFEFFM\u00E4rz \u20AC \u4E2D"), "M\xE4rz \x80 ?");
  EXPECT_EQ(pages.Utf16LeToAnsi(u"\xD800x"), "?x");  // unpaired surrogate
}

}  // namespace
}  // namespace radlyn::platform
