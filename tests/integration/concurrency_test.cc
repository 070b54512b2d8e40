// Several radlyn processes at once. The single-instance guard is one per workstation session, so
// whichever process holds it runs its job and every other one started meanwhile ends at once,
// whatever its data folder, and writes nothing: no result file, no event-log line, no module call.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "integration/support/integration_support.h"

namespace radlyn::integration {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

class ConcurrencyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InstallHostsim(sandbox_, Morlund()));
    SetHostsimSwitch(Morlund(), "MoModCh", "Width", "320");
    SetHostsimSwitch(Morlund(), "MoModCh", "Height", "240");
    // The exposure holds the guard long enough for every other start to meet it (under Wine,
    // where twenty starts take seconds of their own, longer).
    SetHostsimSwitch(Morlund(), "MoModCh", "DelayMs", TargetIsWindows() ? "15000" : "5000");
  }

  std::string Morlund() const { return sandbox_.Path("morlund"); }
  std::string Data(int n) const { return sandbox_.Path("data" + std::to_string(n)); }
  std::string Images(int n) const { return sandbox_.Path("images" + std::to_string(n)); }

  // Writes a job into data folder `n` and answers the job file's content.
  std::string WriteJob(int n) const {
    WriteIniFile(Data(n) + "/RADLYN_in.ini", StandardJob(Images(n)));
    return ReadTextFile(Data(n) + "/RADLYN_in.ini").value_or("");
  }

  std::unique_ptr<BackgroundProgram> Start(int n) const {
    return std::make_unique<BackgroundProgram>(
        ProgramStart{RadlynProgramPath(),
                     {"datapath=" + Data(n), "parentwnd=0x1234"},
                     sandbox_.environment(),
                     sandbox_.WorkFolder()});
  }

  // Waits until all but one of `programs` have ended (each with exit code 0); answers the index
  // of the one still running, or -1.
  static int WaitForAllButOne(std::vector<std::unique_ptr<BackgroundProgram>>& programs,
                              std::vector<bool>& ended) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
      for (std::size_t i = 0; i < programs.size(); ++i) {
        if (ended[i]) continue;
        const std::string state = programs[i]->Wait(0);
        if (state == "running") continue;
        EXPECT_EQ(state, "exit 0") << "process " << i;
        ended[i] = true;
      }
      const auto running = std::count(ended.begin(), ended.end(), false);
      if (running <= 1 || std::chrono::steady_clock::now() > deadline) {
        auto it = std::find(ended.begin(), ended.end(), false);
        return it == ended.end() ? -1 : static_cast<int>(it - ended.begin());
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  // The one job's traces: one exposure, one start and one end in the event log, one image.
  void ExpectExactlyOneJob(int n) const {
    EXPECT_THAT(ReadCallsLog(Morlund(), "MC_TakeImage("), SizeIs(1));
    const std::vector<std::string> log = ReadEventLogEntries(Morlund() + "/morlund.log");
    EXPECT_EQ(std::count(log.begin(), log.end(), "[Info] RADLYN - New X-ray image"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "[Info] RADLYN - End X-ray image"), 1);
    const std::vector<IniEntry> result = ReadIniEntries(Data(n) + "/RADLYN_out.ini");
    EXPECT_EQ(FindIniValue(result, "Info", "ErrorNr"), "0");
    EXPECT_TRUE(fs::exists(FindIniValue(result, "Config", "ImageDataPathFile").value_or("")));
    EXPECT_EQ(std::distance(fs::directory_iterator(Images(n)), fs::directory_iterator()), 1);
  }

  RadlynSandbox sandbox_;
};

TEST_F(ConcurrencyTest, TwentyStartsOnOneDataFolderRunExactlyOneJob) {
  const std::string job = WriteJob(1);
  std::vector<std::unique_ptr<BackgroundProgram>> programs;
  for (int i = 0; i < 20; ++i) programs.push_back(Start(1));
  std::vector<bool> ended(programs.size(), false);

  // Nineteen end while the one job is still inside its exposure.
  const int job_runner = WaitForAllButOne(programs, ended);
  ASSERT_NE(job_runner, -1) << "every process ended: the exposure was over before the others";
  EXPECT_THAT(ReadCallsLog(Morlund(), "MC_TakeImage("), IsEmpty());
  EXPECT_FALSE(fs::exists(Data(1) + "/RADLYN_out.ini"));

  EXPECT_EQ(programs[job_runner]->Wait(60), "exit 0");
  ExpectExactlyOneJob(1);
  EXPECT_EQ(ReadTextFile(Data(1) + "/RADLYN_in.ini"), job);
  EXPECT_FALSE(fs::exists(Data(1) + "/RADLYN_out.ini.tmp"));
}

TEST_F(ConcurrencyTest, ASecondDataFolderMeetsTheSameGuardAndGetsNothing) {
  WriteJob(1);
  const std::string second_job = WriteJob(2);
  std::unique_ptr<BackgroundProgram> first = Start(1);
  ASSERT_TRUE(WaitForCallsLogLine(Morlund(), "FDB_Open(", ""));

  std::unique_ptr<BackgroundProgram> second = Start(2);
  EXPECT_EQ(second->Wait(60), "exit 0");
  EXPECT_EQ(first->Wait(0), "running");
  EXPECT_EQ(first->Wait(60), "exit 0");

  ExpectExactlyOneJob(1);
  // The second client finds its job file as it wrote it and no answer: it may start again.
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(Data(2))) {
    left.push_back(entry.path().filename().string());
  }
  EXPECT_THAT(left, ElementsAre("RADLYN_in.ini"));
  EXPECT_EQ(ReadTextFile(Data(2) + "/RADLYN_in.ini"), second_job);
  EXPECT_FALSE(fs::exists(Images(2)));
}

}  // namespace
}  // namespace radlyn::integration
