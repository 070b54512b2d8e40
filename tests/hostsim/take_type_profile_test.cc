// The per-take-type key rule of UTL_GetPrivateProfileIntTakeType and
// UTL_GetPrivateProfileStringTakeType.
#include "core/take_type_profile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/platform_test_support.h"

namespace hostsim {
namespace {

class TakeTypeProfile : public testing::Test {
 protected:
  void SetUp() override {
    file_ = folder_ / "morlund.ini";
    std::ofstream(file_) << "[AutoPost]\r\n"
                            "FilterClass=1\r\n"
                            "filterclass_xi=2\r\n"
                            "FilterClass_12XI=3\r\n"
                            "FilterClass_XP=\r\n"
                            "WWE=1,2,3\r\n"
                            "WWE_21XI=9,9,9,9,9\r\n";
  }
  radlyn::platform::testing::TempFolder folder_;
  std::string file_;
};

TEST_F(TakeTypeProfile, MostSpecificPresentKeyWins) {
  struct Case {
    const char* take_type;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"12XI", 3},   // FilterClass_12XI
      {"13XI", 2},   // FilterClass_XI (names match without regard to case)
      {"  XI", 2},   // no region: FilterClass_XI
      {"01XP", -7},  // FilterClass_XP is present but empty: no number, so the default
      {"  XS", 1},   // FilterClass
      {"", 1},       // no take type: FilterClass
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadIntTakeType("AutoPost", "FilterClass", c.take_type, -7, file_), c.expected)
        << "take type '" << c.take_type << "'";
  }
  EXPECT_EQ(ReadIntTakeType("AutoPost", "FilterClass1", "12XI", -7, file_), -7);
  EXPECT_EQ(ReadIntTakeType("Other", "FilterClass", "12XI", -7, file_), -7);
  EXPECT_EQ(ReadIntTakeType("AutoPost", "FilterClass", "12XI", -7, folder_ / "none.ini"), -7);
}

TEST_F(TakeTypeProfile, StringsFollowTheSameRuleAndAreCutToTheLimit) {
  EXPECT_EQ(ReadStringTakeType("AutoPost", "WWE", "21XI", "", 259, file_), "9,9,9,9,9");
  EXPECT_EQ(ReadStringTakeType("AutoPost", "WWE", "22XI", "", 259, file_), "1,2,3");
  EXPECT_EQ(ReadStringTakeType("AutoPost", "WWE", "21XI", "", 3, file_), "9,9");
  EXPECT_EQ(ReadStringTakeType("AutoPost", "Missing", "21XI", "fallback", 259, file_), "fallback");
}

TEST(TakeTypeKeys, CandidatesInOrderWithoutDuplicates) {
  EXPECT_EQ(TakeTypeKeys("K", "12XI"), (std::vector<std::string>{"K_12XI", "K_XI", "K"}));
  EXPECT_EQ(TakeTypeKeys("K", "  XI"), (std::vector<std::string>{"K_XI", "K"}));
  EXPECT_EQ(TakeTypeKeys("K", "a b"), (std::vector<std::string>{"K_ab", "K"}));
}

}  // namespace
}  // namespace hostsim
