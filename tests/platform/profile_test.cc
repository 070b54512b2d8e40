#include "platform/profile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/last_error.h"
#include "platform/posix/file_replace.h"
#include "platform_test_support.h"

namespace radlyn::platform {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;
namespace fs = std::filesystem;

class ProfileTest : public ::testing::Test {
 protected:
  Profile& profile_ = Profile::Native();
  TempFolder folder_;
  std::string file_ = folder_ / "RADLYN_in.ini";

  // Names in the folder other than the profile itself (left-over temporary files).
  std::vector<std::string> Strays() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_.path())) {
      if (entry.path().string() != file_) names.push_back(entry.path().filename().string());
    }
    return names;
  }
};

TEST_F(ProfileTest, ReadStringCutsAtTheLimitAndFallsBackOnlyWhenMissing) {
  WriteFile(file_,
            "[Patient]\r\nBirthdate=19700101xyz\r\nID=\r\nLastName=\"O'Brien\"\r\n"
            "FirstName='Ann\r\nDoc=' Dr. A '\r\n");
  struct Case {
    const char* section;
    const char* key;
    std::size_t limit;
    const char* expected;
  } cases[] = {
      {"Patient", "Birthdate", 10, "19700101xy"},
      {"Patient", "Birthdate", 259, "19700101xyz"},
      {"Patient", "Birthdate", 0, ""},
      {"patient", "ID", 64, ""},
      {"Patient", "LastName", 128, "O'Brien"},  // enclosing quotes dropped
      {"Patient", "FirstName", 128, "'Ann"},
      {"Patient", "Doc", 128, " Dr. A "},
      {"Patient", "Title", 128, "fallback"},
      {"Config", "ID", 3, "fal"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(profile_.ReadString(c.section, c.key, "fallback", c.limit, file_), c.expected)
        << c.section << "/" << c.key << " limit " << c.limit;
  }
  EXPECT_EQ(profile_.ReadString("Patient", "ID", "fallback", 64, folder_ / "missing.ini"),
            "fallback");
}

TEST_F(ProfileTest, ReadIntTakesTheLeadingDecimalNumber) {
  WriteFile(file_,
            "[Config]\nPlain=42\nSigned= -7\nPlus=+3\nTrailing=12abc\nNone=abc\nEmpty=\n"
            "Huge=99999999999\nHugeNegative=-99999999999\nHex=0x10\n");
  struct Case {
    const char* key;
    std::int32_t expected;
  } cases[] = {
      {"Plain", 42}, {"Signed", -7}, {"Plus", 3},          {"Trailing", 12},
      {"None", 0},   {"Empty", 0},   {"Huge", 2147483647}, {"HugeNegative", -2147483647 - 1},
      {"Hex", 0},    {"Missing", 1}};
  for (const Case& c : cases) {
    EXPECT_EQ(profile_.ReadInt("Config", c.key, 1, file_), c.expected) << c.key;
  }
}

TEST_F(ProfileTest, WriteCreatesTheFileButNotItsFolder) {
  EXPECT_TRUE(profile_.WriteString("Info", "ErrorNr", "0", file_));
  EXPECT_EQ(ReadFile(file_), "[Info]\r\nErrorNr=0\r\n");

  std::string nested = folder_ / "absent/RADLYN_out.ini";
  EXPECT_FALSE(profile_.WriteString("Info", "ErrorNr", "0", nested));
  EXPECT_FALSE(fs::exists(folder_ / "absent"));
  EXPECT_TRUE(Strays().empty());
}

TEST_F(ProfileTest, WriteReplacesTheFileAndKeepsItsModeWithoutLeavingTemporaries) {
  WriteFile(file_, "[Info]\nErrorNr=0\n");
  fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_TRUE(profile_.WriteString("Info", "ErrorNr", "31", file_));
  EXPECT_TRUE(profile_.WriteString("Info", "ErrorMsg", "File I/O problems", file_));
  EXPECT_EQ(ReadFile(file_), "[Info]\nErrorNr=31\nErrorMsg=File I/O problems\n");
  EXPECT_EQ(fs::status(file_).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_TRUE(Strays().empty());
}

TEST_F(ProfileTest, WriteThroughALinkReplacesTheLinkedFile) {
  std::string target = folder_ / "target.ini";
  WriteFile(target, "[A]\nK=1\n");
  fs::create_symlink(target, file_);
  EXPECT_TRUE(profile_.WriteString("A", "K", "2", file_));
  EXPECT_TRUE(fs::is_symlink(file_));
  EXPECT_EQ(ReadFile(target), "[A]\nK=2\n");
}

TEST_F(ProfileTest, FailedReplacementLeavesTheOldFileIntact) {
  WriteFile(file_, "[Info]\nErrorNr=31\n");
  // An immutable file cannot be renamed over, not even by a privileged user.
  if (!testing::RunCommand("chattr +i " + file_ + " 2>/dev/null")) {
    GTEST_SKIP() << "chattr is not available on this file system";
  }
  bool written = profile_.WriteString("Info", "ErrorNr", "0", file_);
  ASSERT_TRUE(testing::RunCommand("chattr -i " + file_));
  EXPECT_FALSE(written);
  EXPECT_EQ(GetLastErrorCode(), 5u);
  EXPECT_EQ(ReadFile(file_), "[Info]\nErrorNr=31\n");
  EXPECT_TRUE(Strays().empty());
}

TEST_F(ProfileTest, AFolderOrPipeInPlaceOfTheFileIsNeitherReadNorReplaced) {
  std::string pipe = folder_ / "pipe.ini";
  fs::create_directory(file_);
  ASSERT_TRUE(testing::RunCommand("mkfifo " + pipe));
  for (const std::string& path : {file_, pipe}) {
    EXPECT_EQ(profile_.ReadString("A", "K", "d", 10, path), "d") << path;  // and no hang
    EXPECT_FALSE(profile_.WriteString("A", "K", "v", path)) << path;
  }
  EXPECT_TRUE(fs::is_directory(file_));
  EXPECT_TRUE(fs::is_fifo(pipe));
}

TEST_F(ProfileTest, PathsResolveWithoutRegardToCaseAndWithBackslashes) {
  fs::create_directory(folder_ / "Data");
  WriteFile(folder_ / "Data/RADLYN_in.ini", "[Logon]\r\nClientName=Dent\r\n");
  std::string lowered = folder_.path().string() + "\\data\\radlyn_in.ini";
  EXPECT_EQ(profile_.ReadString("Logon", "ClientName", "", 259, lowered), "Dent");
  EXPECT_TRUE(profile_.WriteString("Info", "Type", "XI", lowered));
  EXPECT_EQ(ReadFile(folder_ / "Data/RADLYN_in.ini"),
            "[Logon]\r\nClientName=Dent\r\n[Info]\r\nType=XI\r\n");
}

}  // namespace
}  // namespace radlyn::platform
