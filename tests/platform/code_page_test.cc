#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace radlyn::platform {
namespace {

constexpr unsigned kWestern = 1252;

// A run set up for another code page (RADLYN_EXPECT_ANSI_CODE_PAGE) checks that it got it, so
// that a missing locale cannot pass by checking only the cases of the default page.
TEST(CodePageTest, RunsInTheCodePageItWasSetUpFor) {
  const char* expected = std::getenv("RADLYN_EXPECT_ANSI_CODE_PAGE");
  if (expected == nullptr) GTEST_SKIP() << "no code page asked for";
  EXPECT_EQ(CodePages::Native().AnsiCodePage(), std::stoul(expected));
}

TEST(CodePageTest, AnsiAndOemRoundTrip) {
  CodePages& pages = CodePages::Native();
  if (pages.AnsiCodePage() != kWestern) GTEST_SKIP() << "Windows-1252 texts";
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
  if (pages.AnsiCodePage() != kWestern) GTEST_SKIP() << "Windows-1252 texts";
  EXPECT_EQ(pages.AnsiToOem("5\x80 net"), "5? net");  // no euro sign in the OEM pages
  EXPECT_EQ(pages.OemToAnsi("\xC9\xCD\xBB"), "+-+");  // box drawing, by Windows' best fit
  EXPECT_EQ(pages.Utf8ToAnsi("\xE2\x82\xAC \xE4\xB8\xAD"), "\x80 ?");  // euro, CJK
  EXPECT_EQ(pages.Utf8ToAnsi("a\xC3(b\xFF"), "a?(b?");                 // invalid UTF-8
  EXPECT_EQ(pages.Utf8ToAnsi("cut \xC3"), "cut ?");                    // sequence cut at the end
}

// Letters of the OEM page that Windows finds for ANSI characters the page lacks: an archived
// image record keeps "Ouvre" for "Œuvre", not "?uvre". The pairs of pages are the workstation's
// (Linux keeps CP850 whatever the ANSI page).
TEST(CodePageTest, AnsiToOemTakesWindowsBestFit) {
  CodePages& pages = CodePages::Native();
  struct Case {
    unsigned ansi_page;
    unsigned oem_page;
    std::string ansi;
    std::string oem;
  } cases[] = {
      // OE ligature, single right angle quote, oe, z and Z with caron, Y with diaeresis, S with
      // caron, en dash, low double quote, ellipsis; dagger and bullet.
      {1252, 850, "\x8Cuvre \x9B\x9C\x9E\x8E\x9F\x8A\x96\x84\x85 \x86\x95",
       "Ouvre >ozZYS-\". \xC5\x07"},
      {1252, 437, "\x8Cuvre \x9B\x9C\x9E\x8E\x9F\x8A\x96\x84\x85 \x86\x95",
       "Ouvre >ozZYS-,. +\x07"},
      {1250, 852, "\x8F\x9F\xA3\x96", "\x8D\xAB\x9D-"},  // Z and z with acute, L with stroke
      {1250, 850, "\x8F\x9F\xA3\x96", "ZzL-"},           // ... without them in the page
      {1251, 866, "\xC0\xE0\xA8\xB8\x80", "\x80\xA0\xF0\xF1?"},  // Cyrillic A a Yo yo, Dje
      {932, 932, "\x83\x41 AB", "\x83\x41 AB"},                  // one page for both
  };
  int checked = 0;
  for (const Case& c : cases) {
    if (c.ansi_page != pages.AnsiCodePage() || c.oem_page != pages.OemCodePage()) continue;
    EXPECT_EQ(pages.AnsiToOem(c.ansi), c.oem) << c.ansi_page << " to " << c.oem_page;
    ++checked;
  }
  if (checked == 0) GTEST_SKIP() << "no cases for these code pages";
}

// Lower-casing as CharLowerBuffA does it: every capital of the ANSI page, and nothing else (a
// data folder with z-acute in Poland, 0x9F, is not taken for Y with diaeresis of Windows-1252).
TEST(CodePageTest, LowerAnsiFollowsTheAnsiCodePage) {
  CodePages& pages = CodePages::Native();
  struct Case {
    unsigned page;  // 0: every page
    std::string text;
    std::string lowered;
  } cases[] = {
      {0, "DataPath=C:\\X-RAY\\Images 09?_[]@", "datapath=c:\\x-ray\\images 09?_[]@"},
      {0, "", ""},
      // A-grave, O-umlaut, thorn, S with caron, OE, Z with caron, Y with diaeresis.
      {1252, "\xC0\xD6\xDE\x8A\x8C\x8E\x9F", "\xE0\xF6\xFE\x9A\x9C\x9E\xFF"},
      {1252, "\xD7\xDF\x81\xFF", "\xD7\xDF\x81\xFF"},  // times, sharp s, no character, y-umlaut
      // Z with acute, z with acute, L with stroke, A with ogonek, Z with dot, S and N with acute.
      {1250, "\x8F\x9F\xA3\xA5\xAF\x8C\xD1", "\x9F\x9F\xB3\xB9\xBF\x9C\xF1"},
      {1250, "\xD7\xDF", "\xD7\xDF"},
      // Cyrillic A, Ya, Yo, Dje, Gje, Byelorussian-Ukrainian I.
      {1251, "\xC0\xDF\xA8\x80\x81\xB2", "\xE0\xFF\xB8\x90\x83\xB3"},
      // Katakana a and so: their trail bytes 'A' and '\' are no letters of their own.
      {932, "DATA\\\x83\x41Z\x83\x5C", "data\\\x83\x41z\x83\x5C"},
      // Fullwidth A, Greek Alpha, Cyrillic A; a halfwidth katakana stays.
      {932, "\x82\x60\x83\x9F\x84\x40\xB1", "\x82\x81\x83\xBF\x84\x70\xB1"},
  };
  for (const Case& c : cases) {
    if (c.page != 0 && c.page != pages.AnsiCodePage()) continue;
    EXPECT_EQ(pages.LowerAnsi(c.text), c.lowered) << c.page << ": " << c.text;
  }
}

TEST(CodePageTest, UnicodeForms) {
  CodePages& pages = CodePages::Native();
  if (pages.AnsiCodePage() != kWestern) GTEST_SKIP() << "Windows-1252 texts";
  EXPECT_EQ(pages.AnsiToUtf8("J\xFCrgen \x80"), "J\xC3\xBCrgen \xE2\x82\xAC");
  EXPECT_EQ(pages.Utf8ToAnsi("J\xC3\xBCrgen"), "J\xFCrgen");
  EXPECT_EQ(pages.Utf16LeToAnsi(u"\uFEFFM\u00E4rz \u20AC \u4E2D"), "M\xE4rz \x80 ?");
  EXPECT_EQ(pages.Utf16LeToAnsi(u"\xD800x"), "?x");  // unpaired surrogate
}

}  // namespace
}  // namespace radlyn::platform
