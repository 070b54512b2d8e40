// BuildAutoPostDocument, DoAutoPostProcessing and ApplyFilterClass on a host link whose module
// table points at in-process stand-ins for Morlund's settings and filter functions.
//
// CMorlundLinkTestAccess is defined here and only here: morlund_link.h names it as the one
// friend for tests.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "hostlink/auto_post.h"
#include "hostlink/morlund_folder.h"
#include "hostlink/morlund_link.h"
#include "platform/clock.h"
#include "platform/registry.h"
#include "platform/xml_parser.h"
#include "support/event_log.h"
#include "xml/recording_debug_output.h"

namespace radlyn {

class CMorlundLinkTestAccess {
 public:
  explicit CMorlundLinkTestAccess(CMorlundLink& link) : link_(link) {}
  void Set(bool initialized, std::string take_type, GmHandle take, std::int32_t post_processed) {
    link_.initialized_ = initialized;
    link_.take_type_ = std::move(take_type);
    link_.take_handle_ = take;
    link_.post_processed_ = post_processed;
  }
  ModuleTable& modules() { return link_.modules_; }
  void SetDocument(std::string document) { link_.auto_post_document_ = std::move(document); }
  void Build(const std::uint8_t* take_record) { link_.BuildAutoPostDocument(take_record); }

 private:
  CMorlundLink& link_;
};

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr char kDt[] = "xmlns:dt=\"urn:schemas-microsoft-com:datatypes\"";

// Morlund's settings and filter functions as the tests set them up.
struct FakeSettings {
  std::map<std::string, std::int32_t> ints;  // key -> value; absent keys give the fallback
  std::string wwe;
  std::map<std::uint32_t, MorlundStatus> filter_status;  // by filter code; absent: 0
  std::vector<std::string> reads;                        // "key(take type,fallback,file)"
  std::vector<std::string> filters;                      // "code:wwe values" per MGM_FilterEx
};
FakeSettings* g_settings = nullptr;

std::int32_t MORLUND_CALL FakeReadInt(const char* section, const char* key, const char* take_type,
                                      std::int32_t fallback, const char* file) {
  g_settings->reads.push_back(std::string(section) + "/" + key + "(" + take_type + "," +
                              std::to_string(fallback) + "," + file + ")");
  auto found = g_settings->ints.find(key);
  return found == g_settings->ints.end() ? fallback : found->second;
}

std::uint32_t MORLUND_CALL FakeReadString(const char* section, const char* key, const char*,
                                          const char*, char* buffer, std::uint32_t size,
                                          const char*) {
  g_settings->reads.push_back(std::string(section) + "/" + key + "[" + std::to_string(size) + "]");
  std::snprintf(buffer, size, "%s", g_settings->wwe.c_str());
  return 0;
}

MorlundStatus MORLUND_CALL FakeFilterEx(std::uint32_t code, std::uint32_t one, std::uint32_t zero,
                                        GmHandle, void* area, void* parameters) {
  std::string call = std::to_string(code) + ":";
  if (parameters != nullptr) {
    for (std::size_t i = 0; i < wwe::kValueCount; ++i) {
      call += " " + std::to_string(static_cast<std::int32_t>(records::ReadU32(
                        static_cast<const std::uint8_t*>(parameters), wwe::ValueField(i))));
    }
  }
  const std::uint8_t zeroes[16] = {};
  if (one != 1 || zero != 0 || std::memcmp(area, zeroes, 16) != 0) call += " bad arguments";
  g_settings->filters.push_back(call);
  auto found = g_settings->filter_status.find(code);
  return found == g_settings->filter_status.end() ? 0 : found->second;
}

// Markup without the line breaks and indentation between tags that a parser may add when it
// writes out an element it parsed (Wine's MSXML indents it; libxml2 writes it as parsed).
std::string WithoutLayout(const std::string& markup) {
  std::string text;
  std::size_t i = 0;
  while (i < markup.size()) {
    text += markup[i];
    if (markup[i++] != '>') continue;
    const std::size_t end = markup.find_first_not_of(" \t\r\n", i);
    if (end != std::string::npos && markup[end] == '<') i = end;
  }
  return text;
}

class FixedClock : public platform::Clock {
 public:
  platform::LocalTime Now() override { return {2013, 5, 6, 7, 8, 9}; }
};

// Morlund registered in a temporary folder, so that "morlund.ini" and "morlund.log" lie there.
class TempRegistry : public platform::Registry {
 public:
  explicit TempRegistry(std::string program) : program_(std::move(program)) {}
  std::optional<platform::RegistryValue> ReadClassesRootValue(std::string_view,
                                                              std::string_view name) override {
    if (!name.empty()) return std::nullopt;
    return platform::RegistryValue{true, program_};
  }

 private:
  std::string program_;
};

class AutoPostLinkTest : public ::testing::Test {
 protected:
  AutoPostLinkTest() {
    g_settings = &settings_;
    std::filesystem::create_directories(folder_);
    access_.modules().UTL_GetPrivateProfileIntTakeType = &FakeReadInt;
    access_.modules().UTL_GetPrivateProfileStringTakeType = &FakeReadString;
    access_.modules().MGM_FilterEx = &FakeFilterEx;
    take_ = GmAlloc(records::take::kSize);
    record_ = static_cast<std::uint8_t*>(GmLock(take_));
    access_.Set(true, "11XI", take_, 0);
  }
  ~AutoPostLinkTest() override {
    SetEventLogFolderSource(previous_log_folder_);
    access_.Set(false, "  XI", 0, 0);
    GmUnlock(take_);
    GmFree(take_);
    if (extension_ != 0) GmFree(extension_);
    std::filesystem::remove_all(folder_);
    g_settings = nullptr;
  }

  void SetTakeTexts(const char* hardware, const char* exposure, const char* correction) {
    records::WriteText(record_, records::take::kHardware, hardware);
    records::WriteText(record_, records::take::kExposureParameters, exposure);
    records::WriteText(record_, records::take::kAutoCorrection, correction);
  }
  void SetExtension(const std::string& text) {
    const std::string block = std::string("first") + '\0' + text + '\0';
    extension_ = GmAlloc(static_cast<std::uint32_t>(block.size()));
    std::memcpy(GmLock(extension_), block.data(), block.size());
    GmUnlock(extension_);
    records::WriteU32(record_, records::take::kExtensionHandle, extension_);
  }
  std::string Build() {
    access_.Build(record_);
    return link_.GetAutoPostDocument();
  }
  // The document's part after </TAKE>.
  std::string BuildIni() {
    const std::string document = Build();
    return document.substr(document.find("</TAKE>") + 7);
  }
  std::string EventLog() {
    std::ifstream file(folder_ + "morlund.log", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  const std::string folder_ = (std::filesystem::temp_directory_path() /
                               (std::string("radlyn-auto-post-") +
                                ::testing::UnitTest::GetInstance()->current_test_info()->name()) /
                               "")
                                  .make_preferred()
                                  .string();
  FakeSettings settings_;
  FixedClock clock_;
  TempRegistry registry_{folder_ + "morlund"};
  platform::ScopedService<platform::Clock> clock_scope_{clock_};
  platform::ScopedService<platform::Registry> registry_scope_{registry_};
  testing::RecordingDebugOutput debug_;
  EventLogFolderSource previous_log_folder_ = SetEventLogFolderSource(&GetMorlundFolder);
  CMorlundLink link_;
  CMorlundLinkTestAccess access_{link_};
  GmHandle take_ = 0;
  GmHandle extension_ = 0;
  std::uint8_t* record_ = nullptr;
};

TEST_F(AutoPostLinkTest, DocumentDescribesTheTakeAndCarriesTheSettingsOfItsTakeType) {
  SetTakeTexts("Sensor A", "TXRay,120,kV,60,mA,7", "");
  settings_.ints = {
      {"FilterClass", 1}, {"FilterClass1", 3}, {"FilterClass2", 0}, {"FilterClass3", 2}};
  settings_.wwe = "1,8000";
  const std::string ini_file = folder_ + "morlund.ini";
  EXPECT_EQ(Build(), std::string("<TAVORAAUTOPOST><TAKE ") + kDt +
                         "><CREATED dt:dt=\"dateTime\">2013-05-06T07:08:09</CREATED>"
                         "<TYPE dt:dt=\"string\">XI</TYPE><REGIO dt:dt=\"string\">11</REGIO>"
                         "<HW dt:dt=\"string\">Sensor A</HW>"
                         "<XRAYPARAM dt:dt=\"string\">TXRay,120,kV,60,mA,7</XRAYPARAM></TAKE>"
                         "<INI><FILTERCLASS " +
                         kDt + " dt:dt=\"int\">1</FILTERCLASS><FILTERCLASS1 " + kDt +
                         " dt:dt=\"int\">3</FILTERCLASS1><WWE " + kDt +
                         " dt:dt=\"string\">1,8000</WWE></INI></TAVORAAUTOPOST>");
  EXPECT_THAT(settings_.reads,
              ElementsAre("AutoPost/AutoPost(11XI,1," + ini_file + ")",
                          "AutoPost/FilterClass(11XI,0," + ini_file + ")",
                          "AutoPost/FilterClass1(11XI,0," + ini_file + ")",
                          "AutoPost/FilterClass2(11XI,0," + ini_file + ")", "AutoPost/WWE[260]"));

  // The filters run in document order: 7 (class 1), then 4 (class 3); FilterClass3 was never
  // written. Every call gets the WWE block.
  EXPECT_TRUE(link_.DoAutoPostProcessing());
  EXPECT_THAT(settings_.filters, ElementsAre("7: 24 1 8000 0 1000 40", "4: 24 1 8000 0 1000 40"));
  EXPECT_EQ(link_.GetPostProcessedFlag(), 1);
}

TEST_F(AutoPostLinkTest, SettingsDecideTheIniElement) {
  struct Case {
    const char* name;
    std::map<std::string, std::int32_t> ints;
    const char* wwe;
    std::string ini;
  };
  const std::string fc = std::string("<FILTERCLASS ") + kDt + " dt:dt=\"int\">";
  const Case kCases[] = {
      {"AutoPost off", {{"AutoPost", 0}, {"FilterClass", 1}}, "5", "</TAVORAAUTOPOST>"},
      {"no filter class", {}, "5", "<INI></INI></TAVORAAUTOPOST>"},
      {"class without WWE",
       {{"FilterClass", 2}},
       "",
       "<INI>" + fc + "2</FILTERCLASS></INI></TAVORAAUTOPOST>"},
      {"class written unsigned",
       {{"FilterClass", -1}},
       "",
       "<INI>" + fc + "4294967295</FILTERCLASS></INI></TAVORAAUTOPOST>"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    settings_.ints = c.ints;
    settings_.wwe = c.wwe;
    EXPECT_EQ(BuildIni(), c.ini);
  }
}

TEST_F(AutoPostLinkTest, TakeWithoutRegionOrTextsHasOnlyTheFixedElements) {
  access_.Set(true, "  XI", take_, 0);
  settings_.ints = {{"AutoPost", 0}};
  EXPECT_THAT(Build(), HasSubstr("<REGIO dt:dt=\"string\">  </REGIO></TAKE></TAVORAAUTOPOST>"));
}

TEST_F(AutoPostLinkTest, ProcessedImageGetsNoDocument) {
  access_.Set(true, "11XI", take_, 1);
  access_.SetDocument("earlier");
  EXPECT_EQ(Build(), "earlier");
  EXPECT_TRUE(settings_.reads.empty());
  EXPECT_TRUE(link_.DoAutoPostProcessing());
  EXPECT_TRUE(settings_.filters.empty());
}

TEST_F(AutoPostLinkTest, ExtensionTextReplacesTheSettingsOrLogsAWarning) {
  const std::string ini =
      std::string("<INI><FILTERCLASS ") + kDt + " dt:dt=\"int\">3</FILTERCLASS></INI>";
  struct Case {
    const char* name;
    std::string extension;
    std::string ini;  // empty: no INI element and the warning
  };
  const Case kCases[] = {
      {"settings in the data attribute",
       "<EXTENSION><POSTPROCESSING data=\"&lt;TAVORAAUTOPOST&gt;&lt;INI&gt;&lt;FILTERCLASS "
       "xmlns:dt=&quot;urn:schemas-microsoft-com:datatypes&quot; dt:dt=&quot;int&quot;&gt;3"
       "&lt;/FILTERCLASS&gt;&lt;/INI&gt;&lt;/TAVORAAUTOPOST&gt;\"/></EXTENSION>",
       ini},
      {"escaped twice",
       "<EXTENSION><POSTPROCESSING data=\"&amp;lt;TAVORAAUTOPOST&amp;gt;"
       "&amp;lt;INI/&amp;gt;&amp;lt;/TAVORAAUTOPOST&amp;gt;\"/></EXTENSION>",
       "<INI/>"},
      {"not XML", "TAVORAAUTOPOST <", ""},
      {"no POSTPROCESSING", "<EXTENSION><TAVORAAUTOPOST/></EXTENSION>", ""},
      {"no data attribute", "<EXTENSION><POSTPROCESSING TAVORAAUTOPOST=\"\"/></EXTENSION>", ""},
      {"data not XML", "<EXTENSION><POSTPROCESSING data=\"TAVORAAUTOPOST\"/></EXTENSION>", ""},
      {"no INI", "<EXTENSION><POSTPROCESSING data=\"&lt;TAVORAAUTOPOST/&gt;\"/></EXTENSION>", ""},
  };
  settings_.ints = {{"FilterClass", 1}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(folder_ + "morlund.log");
    SetExtension(c.extension);
    EXPECT_EQ(WithoutLayout(BuildIni()), c.ini + "</TAVORAAUTOPOST>");
    EXPECT_EQ(EventLog(), c.ini.empty() ? "2013-05-06T07:08:09 [Warning] RADLYN - Couldn't find "
                                          "TAVORAAUTOPOST. No auto post processing possible.\r\n"
                                        : "");
    GmFree(extension_);
    extension_ = 0;
  }
  EXPECT_TRUE(settings_.reads.empty());

  // An extension text that does not name the root element leaves the settings in charge.
  SetExtension("<EXTENSION/>");
  EXPECT_EQ(BuildIni(), std::string("<INI><FILTERCLASS ") + kDt +
                            " dt:dt=\"int\">1</FILTERCLASS></INI></TAVORAAUTOPOST>");
}

// A workstation without an XML parser (no MSXML 4.0 nor 6.0): one line that names the parser,
// from the processing, and not the warning about settings that may well be there.
class NoXmlParser : public platform::XmlParser {
 public:
  std::unique_ptr<platform::XmlDocument> CreateDocument() override { return nullptr; }
  std::string Name() override { return "Parser.One, Parser.Two"; }
};

TEST_F(AutoPostLinkTest, WithoutAnXmlParserProcessingNamesTheMissingParserOnce) {
  NoXmlParser parser;
  platform::ScopedService<platform::XmlParser> parser_scope{parser};
  settings_.ints = {{"FilterClass", 1}};
  for (const bool from_extension : {false, true}) {
    SCOPED_TRACE(from_extension ? "extension" : "settings");
    std::filesystem::remove(folder_ + "morlund.log");
    if (from_extension) {
      SetExtension("<EXTENSION><POSTPROCESSING data=\"&lt;TAVORAAUTOPOST/&gt;\"/></EXTENSION>");
    }
    Build();
    EXPECT_TRUE(link_.DoAutoPostProcessing());
    EXPECT_EQ(link_.GetPostProcessedFlag(), 0);
    EXPECT_TRUE(settings_.filters.empty());
    EXPECT_EQ(EventLog(),
              "2013-05-06T07:08:09 [Error] RADLYN - Couldn't create an XML parser (Parser.One, "
              "Parser.Two). No auto post processing possible.\r\n");
  }
}

TEST_F(AutoPostLinkTest, TakeTextsCannotAddMarkupToTheDocument) {
  SetTakeTexts("</HW><INI><FILTERCLASS>1</FILTERCLASS></INI><HW>", "a<b & c", "x > y &amp; z");
  settings_.ints = {{"FilterClass", 3}};
  const std::string document = Build();
  EXPECT_THAT(document, HasSubstr(">&lt;/HW&gt;&lt;INI&gt;&lt;FILTERCLASS&gt;1&lt;/FILTERCLASS"
                                  "&gt;&lt;/INI&gt;&lt;HW&gt;</HW>"));
  EXPECT_THAT(document, HasSubstr(">a&lt;b &amp; c</XRAYPARAM>"));
  EXPECT_THAT(document, HasSubstr(">x > y &amp; z</AUTOCORR>"));  // well-formed: unchanged
  EXPECT_TRUE(link_.DoAutoPostProcessing());
  EXPECT_THAT(settings_.filters, ElementsAre("4:"));
}

TEST_F(AutoPostLinkTest, ProcessingAppliesTheFirstThreeClassesAndRecordsFailures) {
  const std::string ints = std::string(" ") + kDt + " dt:dt=\"int\"";
  auto document = [&](const std::string& ini) {
    return "<TAVORAAUTOPOST><INI>" + ini + "</INI></TAVORAAUTOPOST>";
  };
  struct Case {
    const char* name;
    std::string document;
    std::map<std::uint32_t, MorlundStatus> statuses;
    std::vector<std::string> filters;
    std::int32_t flag;
    std::uint32_t error;
  };
  const Case kCases[] = {
      {"all three with WWE",
       document("<FILTERCLASS" + ints + ">2</FILTERCLASS><FILTERCLASS1" + ints +
                ">1</FILTERCLASS1><FILTERCLASS2" + ints + ">9</FILTERCLASS2><FILTERCLASS3" + ints +
                ">3</FILTERCLASS3><WWE>1,0,50000,-3,2000</WWE>"),
       {},
       {"9: 24 1 7000 0 1000 40", "7: 24 1 7000 0 1000 40", "0: 24 1 7000 0 1000 40"},
       1,
       0},
      {"class 2 without WWE", document("<FILTERCLASS>2</FILTERCLASS>"), {}, {}, 0, 0},
      {"failing filter",
       document("<FILTERCLASS>3</FILTERCLASS><FILTERCLASS1>1</FILTERCLASS1>"),
       {{4, 3}},
       {"4:", "7:"},
       1,
       11},
      {"cancelled", document("<FILTERCLASS>1</FILTERCLASS>"), {{7, 0x10001}}, {"7:"}, 0, 1},
      {"document that does not load", "<TAVORAAUTOPOST><INI>", {}, {}, 0, 0},
      {"no INI", "<TAVORAAUTOPOST/>", {}, {}, 0, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    settings_.filters.clear();
    settings_.filter_status = c.statuses;
    access_.Set(true, "11XI", take_, 0);
    access_.SetDocument(c.document);
    link_.SetError(0, "");
    EXPECT_TRUE(link_.DoAutoPostProcessing());
    EXPECT_EQ(settings_.filters, c.filters);
    EXPECT_EQ(link_.GetPostProcessedFlag(), c.flag);
    EXPECT_EQ(link_.GetLastErrorNumber(), c.error);
    EXPECT_EQ(link_.GetLastErrorText(), c.error != 0 ? "Error during auto-post-processing" : "");
  }
}

TEST_F(AutoPostLinkTest, ValueThatIsNotANumberEndsProcessingWithAnError) {
  access_.SetDocument("<TAVORAAUTOPOST><INI><WWE>5</WWE><FILTERCLASS " + std::string(kDt) +
                      " dt:dt=\"int\">abc</FILTERCLASS></INI></TAVORAAUTOPOST>");
  EXPECT_FALSE(link_.DoAutoPostProcessing());
  EXPECT_EQ(link_.GetLastErrorNumber(), 2u);
  EXPECT_EQ(link_.GetLastErrorText(), "DoAutoPostProcessing: Unknown exception occurred");
  EXPECT_EQ(link_.GetPostProcessedFlag(), 0);
  EXPECT_TRUE(settings_.filters.empty());
}

TEST_F(AutoPostLinkTest, ProcessingNeedsAnInitializedLinkWithATake) {
  const std::pair<bool, std::string> kStates[] = {{false, "11XI"}, {true, "11"}};
  for (const auto& [initialized, take_type] : kStates) {
    access_.Set(initialized, take_type, take_, 0);
    EXPECT_FALSE(link_.DoAutoPostProcessing());
    EXPECT_EQ(link_.GetLastErrorText(), "DoAutoPostProcessing: Not yet callable");
  }
  access_.Set(true, "11XI", 0, 0);
  EXPECT_FALSE(link_.DoAutoPostProcessing());
  EXPECT_EQ(link_.GetLastErrorNumber(), 2u);
}

}  // namespace
}  // namespace radlyn
