#include "support/event_log.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/service.h"
#include "support/platform_fakes.h"
#include "xml/recording_debug_output.h"

namespace radlyn {
namespace {

using testing::FixedClock;
using testing::ScratchFolder;

std::string g_log_folder;
std::string LogFolder() { return g_log_folder; }

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

class EventLogTest : public ::testing::Test {
 protected:
  EventLogTest() : previous_(SetEventLogFolderSource(&LogFolder)) { g_log_folder = folder_.path(); }
  ~EventLogTest() override { SetEventLogFolderSource(previous_); }

  ScratchFolder folder_;
  FixedClock clock_{{2013, 5, 17, 14, 3, 9}};
  platform::ScopedService<platform::Clock> clock_service_{clock_};
  EventLogFolderSource previous_;
};

TEST_F(EventLogTest, AppendsStampedLinesWithCrLfAndKeepsEarlierContent) {
  const std::string log = folder_.Sub("morlund.log");
  EXPECT_EQ(GetEventLogPath(), log);
  {
    std::ofstream existing(log, std::ios::binary);
    existing << "earlier line\r\n";
  }
  EXPECT_TRUE(WriteEventLog("Info", "Start"));
  EXPECT_TRUE(WriteEventLog("Warning", ""));
  EXPECT_EQ(ReadFile(log),
            "earlier line\r\n"
            "2013-05-17T14:03:09 [Info] Start\r\n"
            "2013-05-17T14:03:09 [Warning] \r\n");
}

TEST_F(EventLogTest, CreatesTheLogOnFirstUse) {
  EXPECT_TRUE(WriteEventLog("Error", "multi\nline"));
  EXPECT_EQ(ReadFile(folder_.Sub("morlund.log")), "2013-05-17T14:03:09 [Error] multi\nline\r\n");
}

TEST_F(EventLogTest, UnwritableLogSendsTheLineToTheDebugOutput) {
  testing::RecordingDebugOutput debug;
  EXPECT_TRUE(WriteEventLog("Info", "kept"));
  EXPECT_EQ(debug.text(), "");
  g_log_folder = folder_.Sub("missing/folder/");
  EXPECT_FALSE(WriteEventLog("Info", "not lost"));
  EXPECT_EQ(debug.text(), "Radlyn morlund.log unwritable: 2013-05-17T14:03:09 [Info] not lost\n");
}

TEST(EventLogPathTest, WithoutMorlundFolderTheBareNameIsUsed) {
  EventLogFolderSource previous = SetEventLogFolderSource(nullptr);
  EXPECT_EQ(GetEventLogPath(), "morlund.log");
  SetEventLogFolderSource([] { return std::string(); });
  EXPECT_EQ(GetEventLogPath(), "morlund.log");
  SetEventLogFolderSource(previous);
}

TEST(EventLogLineTest, PadsEveryFieldToItsWidth) {
  EXPECT_EQ(FormatEventLogLine({987, 1, 2, 3, 4, 5}, "Info", "x"), "0987-01-02T03:04:05 [Info] x");
}

}  // namespace
}  // namespace radlyn
