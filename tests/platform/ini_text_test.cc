#include "platform/posix/ini_text.h"

#include <gtest/gtest.h>

namespace radlyn::platform {
namespace {

struct ReadCase {
  const char* name;
  std::string text;
  const char* section;
  const char* key;
  std::optional<std::string> expected;
};

class IniTextReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniTextReadTest, FindsTheValueTheWorkstationWouldRead) {
  const ReadCase& c = GetParam();
  EXPECT_EQ(IniText(c.text).Find(c.section, c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Conventions, IniTextReadTest,
    ::testing::Values(
        ReadCase{"CrLf", "[Info]\r\nType=XI\r\n", "Info", "Type", "XI"},
        ReadCase{"Lf", "[Info]\nType=XI\n", "Info", "Type", "XI"},
        ReadCase{"NoFinalLineBreak", "[Info]\nType=XI", "Info", "Type", "XI"},
        ReadCase{"ByteOrderMark", "\xEF\xBB\xBF[Info]\r\nType=XI\r\n", "Info", "Type", "XI"},
        ReadCase{"BlanksTrimmed", "  [ Info ]  \n\t Type \t=  X I \t\n", "Info", "Type", "X I"},
        ReadCase{"NamesIgnoreCase", "[INFO]\ntype=XI\n", "info", "TYPE", "XI"},
        ReadCase{"AccentedNamesIgnoreCase", "[\xC4rzte]\n\xD6l=1\n", "\xE4rzte", "\xF6l", "1"},
        ReadCase{"EmptyValueIsNotMissing", "[Config]\nImageDataPath=\n", "Config", "ImageDataPath",
                 ""},
        ReadCase{"MissingKey", "[Config]\nOther=1\n", "Config", "ImageDataPath", std::nullopt},
        ReadCase{"MissingSection", "[Other]\nKey=1\n", "Config", "Key", std::nullopt},
        ReadCase{"KeyOfTheNextSectionIsNotOurs", "[A]\n[B]\nKey=1\n", "A", "Key", std::nullopt},
        ReadCase{"CommentIgnored", "[A]\n;Key=1\nKey=2\n", "A", "Key", "2"},
        ReadCase{"FirstSectionCounts", "[A]\nKey=1\n[a]\nKey=2\nOther=3\n", "A", "Other",
                 std::nullopt},
        ReadCase{"FirstKeyCounts", "[A]\nKey=1\nkey=2\n", "A", "Key", "1"},
        ReadCase{"KeysBeforeAnySectionIgnored", "Key=0\n[A]\n", "A", "Key", std::nullopt},
        ReadCase{"ValueMayHoldEquals", "[A]\nKey=a=b\n", "A", "Key", "a=b"},
        ReadCase{"HeaderWithoutBracketIsNoSection", "[A]\n[B\nKey=1\n", "A", "Key", "1"},
        ReadCase{"BinaryGarbage", std::string("\0\xFF[\n]=\r\r\n", 9), "A", "Key", std::nullopt},
        ReadCase{"LoneCr", "[Info]\rType=XI\r", "Info", "Type", "XI"},
        ReadCase{"Utf16Be", std::string("\xFE\xFF\0[\0A\0]\0\n\0K\0=\0v", 16), "A", "K", "v"},
        ReadCase{"KeyWithoutEqualsIsMissing", "[A]\nKey\nKey=1\n", "A", "Key", std::nullopt},
        ReadCase{"NulEndsNameAndValue", std::string("[A\0x]\nK=a\0b\n", 12), "A", "K", "a"},
        ReadCase{"CtrlZIsBlank", "[A]\nK=\x1Av\x1A\n", "a", "k", "v"},
        ReadCase{"NameOutsideTheCodePageMatchesNothing", "\xEF\xBB\xBF[\xC4\x80]\nK=1\n", "A", "K",
                 std::nullopt}),
    [](const ::testing::TestParamInfo<ReadCase>& param) { return param.param.name; });

struct EditCase {
  const char* name;
  std::string before;
  const char* section;
  const char* key;
  const char* value;
  std::string after;
};

class IniTextEditTest : public ::testing::TestWithParam<EditCase> {};

TEST_P(IniTextEditTest, ChangesOnlyWhatTheWriteNames) {
  const EditCase& c = GetParam();
  IniText text(c.before);
  text.Set(c.section, c.key, c.value);
  EXPECT_EQ(text.Serialize(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Conventions, IniTextEditTest,
    ::testing::Values(
        EditCase{"NewFileUsesCrLf", "", "Info", "ErrorNr", "0", "[Info]\r\nErrorNr=0\r\n"},
        EditCase{"ReplacesInPlace", "[Info]\r\nErrorNr=0\r\nErrorMsg=x\r\n", "info", "ERRORNR",
                 "31", "[Info]\r\nErrorNr=31\r\nErrorMsg=x\r\n"},
        EditCase{"ReplacesEmptyValue", "[A]\nKey=\n", "A", "Key", "v", "[A]\nKey=v\n"},
        EditCase{"AppendsAfterLastKeyNotAfterBlankLines", "[A]\r\nK1=1\r\n\r\n[B]\r\nX=1\r\n", "A",
                 "K2", "2", "[A]\r\nK1=1\r\nK2=2\r\n\r\n[B]\r\nX=1\r\n"},
        EditCase{"AppendsRightAfterEmptySectionHeader", "[A]\n\n[B]\n", "A", "K", "v",
                 "[A]\nK=v\n\n[B]\n"},
        EditCase{"NewSectionAtEnd", "[A]\nK=1\n", "B", "K", "2", "[A]\nK=1\n[B]\nK=2\n"},
        EditCase{"KeepsLfStyle", "[A]\nK=1\n", "A", "L", "2", "[A]\nK=1\nL=2\n"},
        EditCase{"ClosesLastLineFirst", "[A]\r\nK=1", "A", "L", "2", "[A]\r\nK=1\r\nL=2\r\n"},
        EditCase{"KeepsByteOrderMarkAndComments", "\xEF\xBB\xBF;note\n[A]\nK=1\n", "A", "K", "2",
                 "\xEF\xBB\xBF;note\n[A]\nK=2\n"},
        EditCase{"WritesIntoFirstOfDuplicateSections", "[A]\nK=1\n[A]\nK=2\n", "A", "K", "3",
                 "[A]\nK=3\n[A]\nK=2\n"},
        EditCase{"KeepsLoneCrStyle", "[A]\rK=1\r", "A", "L", "2", "[A]\rK=1\rL=2\r"},
        EditCase{"KeyWithoutValueGetsOne", "[A]\n Key \nX=1\n", "A", "key", "v",
                 "[A]\nKey=v\nX=1\n"},
        EditCase{"AppendsAfterTrailingCommentNotAfterBlankLines", "[A]\nK=1\n;end\n\n[B]\n", "A",
                 "L", "2", "[A]\nK=1\n;end\nL=2\n\n[B]\n"},
        EditCase{"Utf16KeepsEncodingUnpairedSurrogateAndOddByte",
                 std::string("\xFF\xFE[\0A\0]\0\n\0\0\xD8=\0\x31\0\n\0x", 19), "A", "K", "\xFC",
                 std::string("\xFF\xFE[\0A\0]\0\n\0\0\xD8=\0\x31\0\n\0K\0=\0\xFC\0\n\0x", 27)},
        EditCase{"LineBreaksInValueCannotForgeKeys", "[Info]\nErrorNr=0\n", "Info", "DebugInfo",
                 "x\r\n[Info]\nErrorNr=0", "[Info]\nErrorNr=0\nDebugInfo=x  [Info] ErrorNr=0\n"}),
    [](const ::testing::TestParamInfo<EditCase>& param) { return param.param.name; });

TEST(IniTextTest, ValueWrittenIsReadBackAsWrittenAfterReparse) {
  IniText text("[Patient]\nLastName=Old\n");
  text.Set("Patient", "LastName",
           "M\xFCller-L\xFC"
           "denscheid");
  text.Set("Info", "Doc", "Dr. A=B");
  IniText reparsed(text.Serialize());
  EXPECT_EQ(reparsed.Find("patient", "lastname"),
            "M\xFCller-L\xFC"
            "denscheid");
  EXPECT_EQ(reparsed.Find("Info", "Doc"), "Dr. A=B");
}

}  // namespace
}  // namespace radlyn::platform
