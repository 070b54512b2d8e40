#include "platform/profile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/last_error.h"
#include "platform_test_support.h"

namespace radlyn::platform {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;
namespace fs = std::filesystem;

// UTF-16LE bytes with a byte-order mark.
std::string Utf16LeFile(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

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
            "FirstName='Ann\r\nDoc=' Dr. A '\r\nTitle\r\n [ Info ] \r\n Type = XI \r\n");
  struct Case {
    const char* section;
    const char* key;
    const char* fallback;
    std::size_t limit;
    const char* expected;
  } cases[] = {
      {"Patient", "Birthdate", "d", 10, "19700101xy"},
      {"Patient", "Birthdate", "d", 259, "19700101xyz"},
      {"Patient", "Birthdate", "d", 0, ""},
      {"patient", "ID", "d", 64, ""},
      {"Patient", "LastName", "d", 128, "O'Brien"},  // enclosing quotes dropped
      {"Patient", "LastName", "d", 7, "O'Brien"},    // quoted, exactly at the limit
      {"Patient", "FirstName", "d", 128, "'Ann"},
      {"Patient", "Doc", "d", 128, " Dr. A "},
      {" INFO ", " type ", "d", 4, "XI"},                 // blanks around every name
      {"Patient", "Title", "fallback", 128, "fallback"},  // a key line without '='
      {"Patient", "Missing", "fallback", 3, "fal"},
      {"Patient", "Missing", "\"tif\"  ", 259, "tif"},  // the fallback read like a value
      {"Config", "ID", " d ", 259, " d"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(profile_.ReadString(c.section, c.key, c.fallback, c.limit, file_), c.expected)
        << c.section << "/" << c.key << " limit " << c.limit;
  }
  EXPECT_EQ(profile_.ReadString("Patient", "ID", "fallback", 64, folder_ / "missing.ini"),
            "fallback");
}

TEST_F(ProfileTest, ReadIntTakesTheLeadingNumber) {
  WriteFile(file_,
            "[Config]\nPlain=42\nSigned= -7\nPlus=+3\nTrailing=12abc\nNone=abc\nEmpty=\n"
            "Huge=99999999999\nHugeNegative=-99999999999\nHex=0x1f\nUpperHex=0X10\nOctal=0o17\n"
            "Binary=0b101\nLeadingZero=010\nQuoted=\"5\"\nBlankAfterSign=- 5\n"
            "Long=0000000000000000000000000000000000000007\n");
  struct Case {
    const char* key;
    std::int32_t expected;
  } cases[] = {{"Plain", 42},         {"Signed", -7},
               {"Plus", 3},           {"Trailing", 12},
               {"None", 0},           {"Empty", 1},                   // an empty value is no number
               {"Huge", 1215752191},  {"HugeNegative", -1215752191},  // wrapped around in 32 bits
               {"Hex", 31},           {"UpperHex", 0},
               {"Octal", 15},         {"Binary", 5},
               {"LeadingZero", 10},   {"Quoted", 5},
               {"BlankAfterSign", 0}, {"Long", 0},  // only the first 29 characters count
               {"Missing", 1}};
  for (const Case& c : cases) {
    EXPECT_EQ(profile_.ReadInt("Config", c.key, 1, file_), c.expected) << c.key;
  }
}

TEST_F(ProfileTest, ReadsEveryLineEndAndEncoding) {
  struct Case {
    const char* what;
    std::string text;
    const char* expected;  // of Patient/LastName
  } cases[] = {
      {"lone CR", "[Info]\rType=XI\r[Patient]\rLastName=A\r", "A"},
      {"mixed", "[Info]\nType=XI\r\n[Patient]\rLastName=A", "A"},
      {"UTF-8 with mark", "\xEF\xBB\xBF[Patient]\r\nLastName=M\xC3\xBCller\r\n", "M\xFCller"},
      {"UTF-8 outside the code page",
       "\xEF\xBB\xBF[Patient]\nLastName=\xC5\x81\xC3\xB3\xC5\xBA \xE4\xB8\x80", "L\xF3z ?"},
      {"UTF-8 without mark", "[Patient]\r\nLastName=M\xC3\xBCller\r\n", "M\xC3\xBCller"},
      {"UTF-16LE", Utf16LeFile(u"[Patient]\r\nLastName=M\u00FCller\r\n"), "M\xFCller"},
  };
  for (const Case& c : cases) {
    WriteFile(file_, c.text);
    EXPECT_EQ(profile_.ReadString("Patient", "LastName", "d", 128, file_), c.expected) << c.what;
  }
}

TEST_F(ProfileTest, WriteKeepsTheEncodingAndKeepsLineBreaksOutOfValues) {
  struct Case {
    const char* what;
    std::string before;
    const char* key;
    const char* value;
    std::string after;
  } cases[] = {
      {"UTF-16LE", Utf16LeFile(u"[Patient]\r\nLastName=A\r\n"), "FirstName", "M\xFCller",
       Utf16LeFile(u"[Patient]\r\nLastName=A\r\nFirstName=M\u00FCller\r\n")},
      {"UTF-8 with mark", "\xEF\xBB\xBF[Patient]\r\nLastName=A\r\n", "FirstName", "M\xFCller",
       "\xEF\xBB\xBF[Patient]\r\nLastName=A\r\nFirstName=M\xC3\xBCller\r\n"},
      {"line breaks", "[Patient]\r\nLastName=A\r\n", "DebugInfo", "x\r\n[Info]\nErrorNr=0",
       "[Patient]\r\nLastName=A\r\nDebugInfo=x  [Info] ErrorNr=0\r\n"},
  };
  for (const Case& c : cases) {
    WriteFile(file_, c.before);
    EXPECT_TRUE(profile_.WriteString("Patient", c.key, c.value, file_)) << c.what;
    EXPECT_EQ(ReadFile(file_), c.after) << c.what;
  }
}

TEST_F(ProfileTest, WriteCreatesTheFileButNotItsFolder) {
  EXPECT_TRUE(profile_.WriteString("Info", "ErrorNr", "0", file_));
  EXPECT_EQ(ReadFile(file_), "[Info]\r\nErrorNr=0\r\n");

  std::string nested = folder_ / "absent/RADLYN_out.ini";
  EXPECT_FALSE(profile_.WriteString("Info", "ErrorNr", "0", nested));
  EXPECT_FALSE(fs::exists(folder_ / "absent"));
  EXPECT_TRUE(Strays().empty());

  // The file system's path rules: ".." steps resolved in the text, too long a path refused.
  EXPECT_TRUE(profile_.WriteString("Info", "ErrorNr", "1", folder_ / "absent\\..\\RADLYN_in.ini"));
  EXPECT_EQ(ReadFile(file_), "[Info]\r\nErrorNr=1\r\n");
  const std::string too_long = folder_ / std::string(260, 'n');
  EXPECT_FALSE(profile_.WriteString("Info", "ErrorNr", "0", too_long));
  EXPECT_EQ(profile_.ReadString("Info", "ErrorNr", "none", 9, too_long), "none");
#ifndef _WIN32
  EXPECT_FALSE(profile_.WriteString("Info", "ErrorNr", "0", folder_ / "CON.ini"));
#endif
  EXPECT_TRUE(Strays().empty());
}

#ifndef _WIN32
// The Linux backend's own promises: atomic replacement, mode and links kept, no hang on a pipe.
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

#endif

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
