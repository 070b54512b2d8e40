#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/command_line_info.h"

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
  EXPECT_EQ(Parse({"DATAPATH=\xC4RZTE"}).GetParameterValue("datapath"), "\xE4rzte");
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
