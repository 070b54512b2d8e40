#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/command_line_info.h"
#include "platform/code_page.h"

namespace radlyn {
namespace {

CRadlynCommandLineInfo Parse(std::initializer_list<std::string_view> parameters) {
  CRadlynCommandLineInfo info;
  for (std::string_view parameter : parameters) info.ParseParam(parameter);
  return info;
}

TEST(CommandLineTest, HelpIsAWholeParameterInAnyCaseWithOrWithoutOnePrefix) {
  const std::pair<std::string_view, bool> cases[] = {
      {"?", true},       {"/?", true},      {"-?", true},      {"help", true},
      {"/HELP", true},   {"-help", true},   {"Help", true},    {"help=1", false},
      {"--help", false}, {"//help", false}, {"helpme", false}, {"datapath=help", false},
  };
  for (const auto& [parameter, help] : cases) {
    EXPECT_EQ(Parse({"datapath=x", parameter}).IsHelpRequested(), help) << parameter;
  }
}

TEST(CommandLineTest, ParametersAreLoweredInFullAndTheFirstKeyWins) {
  CRadlynCommandLineInfo info = Parse(
      {"/DataPath=C:\\Praxis\\XRAY", "-datapath=/other", "parentwnd", "PARENTWND=", "datapathx=1"});
  EXPECT_THAT(info.GetParameters(),
              ::testing::ElementsAre("datapath=c:\\praxis\\xray", "datapath=/other", "parentwnd",
                                     "parentwnd=", "datapathx=1"));
  EXPECT_EQ(info.GetParameterValue("datapath"), "c:\\praxis\\xray");
  EXPECT_EQ(info.GetParameterValue("DATAPATH"), "c:\\praxis\\xray");
  // "parentwnd" without "=" never matches; the next one has an empty value.
  EXPECT_EQ(info.GetParameterValue("parentwnd"), "");
  EXPECT_EQ(info.GetParameterValue("datapathx"), "1");
  EXPECT_EQ(info.GetParameterValue("missing"), "");
}

// Values are lowered in the workstation's ANSI code page, so that the folder a client names is
// the one found: under Windows-1250 z-acute (0x9F) stays and Z-acute (0x8F) becomes it.
TEST(CommandLineTest, ValuesAreLoweredInTheAnsiCodePage) {
  const struct {
    unsigned page;
    std::string_view parameter;
    std::string_view value;
  } cases[] = {
      {1252, "DATAPATH=\xC4RZTE\\\x8A", "\xE4rzte\\\x9A"},
      {1250, "DATAPATH=C:\\\x8F\x9Frebak\\\x9F", "c:\\\x9F\x9Frebak\\\x9F"},
      {1251, "DATAPATH=C:\\\xC0\xDF\xA8", "c:\\\xE0\xFF\xB8"},
      {932, "DATAPATH=C:\\\x83\x41\x83\x5CZ", "c:\\\x83\x41\x83\x5Cz"},  // trail bytes stay
  };
  const unsigned page = platform::GetCodePages().AnsiCodePage();
  for (const auto& c : cases) {
    if (c.page != page) continue;
    EXPECT_EQ(Parse({c.parameter}).GetParameterValue("datapath"), c.value) << c.parameter;
  }
}

TEST(CommandLineTest, ParentWindowIsHexadecimalAfter0x) {
  const std::pair<std::string_view, platform::WindowHandle> cases[] = {
      {"0x1a2b", 0x1A2B},
      {"1a2b", 0},
      {"", 0},
      {"0x", 0},
      {"0x12zz", 0x12},
      {"0x7fffffff", 0x7FFFFFFF},
      {"0xffffffff", 0x7FFFFFFF},
      {"0x123456789ab", 0x7FFFFFFF},
      {" 0x10", 0},
      {"x10", 0},
  };
  for (const auto& [value, handle] : cases) EXPECT_EQ(ParseParentWindow(value), handle) << value;
  // The prefix is checked after lowering, so an upper-case X is accepted on the command line.
  EXPECT_EQ(ParseParentWindow(Parse({"parentwnd=0X1A2B"}).GetParameterValue("parentwnd")), 0x1A2Bu);
}

}  // namespace
}  // namespace radlyn
