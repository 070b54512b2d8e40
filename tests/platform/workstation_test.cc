#include "platform/workstation.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform_test_support.h"

namespace radlyn::platform {
namespace {

using testing::TempFolder;

TEST(WorkstationTest, NamesTheComputerAndTheUser) {
  EXPECT_FALSE(ComputerName().empty());
  EXPECT_FALSE(UserName().empty());
}

TEST(WorkstationTest, TellsWhetherOtherUsersMayWriteAFolder) {
  // A fresh temporary folder is this user's own (Wine derives its access list from the Unix mode).
  TempFolder folder;
  FolderAccess access = DescribeOthersWriteAccess(folder.path().string());
  EXPECT_TRUE(access.known);
  EXPECT_FALSE(access.others_may_write) << access.granted_to;
  EXPECT_FALSE(DescribeOthersWriteAccess(folder / "absent").known);
#ifndef _WIN32
  std::filesystem::permissions(folder.path(), std::filesystem::perms::others_write,
                               std::filesystem::perm_options::add);
  access = DescribeOthersWriteAccess(folder.path().string());
  EXPECT_TRUE(access.others_may_write);
  EXPECT_EQ(access.granted_to, "others");
#endif
}

}  // namespace
}  // namespace radlyn::platform
