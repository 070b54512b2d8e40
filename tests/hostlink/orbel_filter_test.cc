#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "hostlink/orbel.h"
#include "support/event_log.h"
#include "support/platform_fakes.h"

namespace radlyn {
namespace {

TEST(MatchTakeTypePatternTest, SinglePassWithoutBacktracking) {
  const struct {
    const char* text;
    const char* pattern;
    bool match;
  } kCases[] = {
      {"12XI", "??XI", true},
      {"12XI", "*XI", true},
      {"XI", "*XI", false},
      {"12XI", "*", true},
      {"", "*", true},
      {"12XI", "12*", true},
      {"12XI", "?*", true},
      {"12XI", "**", false},
      {"12XI", "XI", false},
      {"12XI", "?", false},
      {"12XI", "", false},
      // Beyond the table: case counts, a `*` consumes at least one character, no backtracking.
      {"12xi", "12XI", false},
      {"12XI", "12XI", true},
      {"12XI", "1*I", true},
      {"12XI", "*I", true},
      {"12XI", "1?X?", true},
      {"12XI", "12XI?", false},
      {"12XI", "12X", false},
      {"", "", true},
      {"", "?", false},
      {"12XI", "*2XI", true},
      {"1212", "*12", true},
      {"12XI", " 12XI", false},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(MatchTakeTypePattern(c.text, c.pattern), c.match)
        << '"' << c.text << "\" against \"" << c.pattern << '"';
  }
}

// The same Config.xml content as 8-bit text and as UTF-16LE with its byte-order mark.
std::string Utf16(std::string_view ascii) {
  std::string bytes = "\xFF\xFE";
  for (char c : ascii) {
    bytes.push_back(c);
    bytes.push_back('\0');
  }
  return bytes;
}

TEST(OrbelFilterTextTest, DecidesAlikeForBothEncodings) {
  const struct {
    const char* config;
    const char* take_type;
    bool in_filter;
  } kCases[] = {
      {"<Orbel filter=\"12XI,34XI\"/>", "34XI", true},
      {"<Orbel filter=\"12XI,34XI\"/>", "56XI", false},
      {"<Orbel filter=\"*\"/>", "12XI", false},         // one character: no filter
      {"<Orbel filter=\"?*\"/>", "12XI", true},         // matches every take type
      {"<Orbel filter=\"AB, 12XI\"/>", "12XI", false},  // the blank stays in the piece
      {"<Orbel filter=\",,12XI,\"/>", "12XI", true},    // empty pieces are skipped
      {"<Orbel filter=\"12XI\" other=\"x\"/>", "12XI", true},
      {"<Orbel other=\"12XI\"/>", "12XI", false},                   // no filter attribute
      {"<Orbel FILTER=\"12XI\"/>", "12XI", false},                  // the name is case-sensitive
      {"<Orbel filter=\"12XI/>", "12XI", false},                    // no closing quote
      {"<a filter=\"99XI\"/><b filter=\"12XI\"/>", "12XI", false},  // the first one counts
      {"filter=\"12XI\"", "12XI", false},                           // at the very first position
      {"<Orbel filter=\"\"/>", "12XI", false},
      {"", "12XI", false},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(IsTakeTypeInFilterText(c.take_type, c.config), c.in_filter) << c.config;
    EXPECT_EQ(IsTakeTypeInFilterText(c.take_type, Utf16(c.config)), c.in_filter)
        << "UTF-16: " << c.config;
  }
}

TEST(OrbelFilterTextTest, TextEndsAtTheFirstZero) {
  using namespace std::string_literals;
  EXPECT_FALSE(IsTakeTypeInFilterText("12XI", "<a\0 filter=\"12XI\"/>"s));
  // A UTF-16 file of odd length and a lone high byte still reads safely.
  EXPECT_TRUE(IsTakeTypeInFilterText("12XI", Utf16("<a filter=\"12XI\"/>") + "\x41"));
  EXPECT_FALSE(IsTakeTypeInFilterText("12XI", "\xFF\xFE"));
  EXPECT_FALSE(IsTakeTypeInFilterText("12XI", "\xFF"));
}

std::string g_log_folder;
std::string LogFolder() { return g_log_folder; }

class OrbelFilterFileTest : public ::testing::Test {
 protected:
  OrbelFilterFileTest() : previous_(SetEventLogFolderSource(&LogFolder)) {
    g_log_folder = folder_.path();
  }
  ~OrbelFilterFileTest() override { SetEventLogFolderSource(previous_); }

  void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }

  testing::ScratchFolder folder_;
  EventLogFolderSource previous_;
};

TEST_F(OrbelFilterFileTest, ReadsConfigXmlGluedToTheFolderText) {
  std::filesystem::create_directories(folder_.Sub("orbel"));
  Write(folder_.Sub("orbel/Config.xml"), Utf16("<Orbel filter=\"??XI\"/>"));
  EXPECT_TRUE(IsTakeTypeInOrbelFilter("12XI", folder_.Sub("orbel/")));
  // Without the trailing separator the name becomes ".../orbelConfig.xml": no such file.
  EXPECT_FALSE(IsTakeTypeInOrbelFilter("12XI", folder_.Sub("orbel")));
  Write(folder_.Sub("orbelConfig.xml"), "<Orbel filter=\"12XI\"/>");
  EXPECT_TRUE(IsTakeTypeInOrbelFilter("12XI", folder_.Sub("orbel")));
  EXPECT_FALSE(std::filesystem::exists(folder_.Sub("morlund.log")));
}

TEST_F(OrbelFilterFileTest, MissingFileAndFolderNamedLikeItAreSilentlyNoFilter) {
  EXPECT_FALSE(IsTakeTypeInOrbelFilter("12XI", folder_.Sub("missing/")));
  EXPECT_FALSE(std::filesystem::exists(folder_.Sub("morlund.log")));

  // A folder where the file should be cannot be read as a file.
  std::filesystem::create_directories(folder_.Sub("odd/Config.xml"));
  EXPECT_FALSE(IsTakeTypeInOrbelFilter("12XI", folder_.Sub("odd/")));
  EXPECT_FALSE(std::filesystem::exists(folder_.Sub("morlund.log")));
}

// A Config.xml that is there but whose opening or reading the platform refuses.
class RefusingFileSystem : public testing::ForwardingFileSystem {
 public:
  std::optional<std::string> ReadWholeFile(std::string_view, bool* opened) override {
    if (opened != nullptr) *opened = opens;
    return std::nullopt;
  }
  bool opens = false;
};

TEST_F(OrbelFilterFileTest, OnlyAReadFailingAfterOpeningIsLogged) {
  Write(folder_.Sub("Config.xml"), "<Orbel filter=\"12XI\"/>");
  RefusingFileSystem files;
  platform::ScopedService<platform::FileSystem> installed(files);
  EXPECT_FALSE(IsTakeTypeInOrbelFilter("12XI", folder_.path()));
  EXPECT_FALSE(std::filesystem::exists(folder_.Sub("morlund.log")));

  files.opens = true;
  EXPECT_FALSE(IsTakeTypeInOrbelFilter("12XI", folder_.path()));
  std::ifstream log(folder_.Sub("morlund.log"));
  std::string line;
  std::getline(log, line);
  EXPECT_NE(line.find(" [Error] File reading error " + folder_.Sub("Config.xml")),
            std::string::npos)
      << line;
}

}  // namespace
}  // namespace radlyn
