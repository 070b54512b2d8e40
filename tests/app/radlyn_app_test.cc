#include "app/radlyn_app.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "job/job_fixture.h"
#include "platform/code_page.h"
#include "platform/component_system.h"
#include "platform/named_mutex.h"
#include "resources/dialog_templates.h"

namespace radlyn {
namespace {

using ::testing::ElementsAre;

class FakeComponentSystem : public platform::ComponentSystem {
 public:
  bool Initialize() override {
    calls.emplace_back("Initialize");
    return usable;
  }
  void FreeUnusedLibraries() override { calls.emplace_back("FreeUnusedLibraries"); }
  void Uninitialize() override { calls.emplace_back("Uninitialize"); }
  bool usable = true;
  std::vector<std::string> calls;
};

class FakeMutexes : public platform::NamedMutexes {
 public:
  platform::NamedMutexResult Create(std::string_view name) override {
    names.emplace_back(name);
    return {nullptr, creation_error};
  }
  std::uint32_t creation_error = 0;
  std::vector<std::string> names;
};

std::string TestLogFolder() { return testing::LogFolderForTests(); }

class RadlynAppTest : public testing::JobFixture {
 protected:
  RadlynAppTest() {
    // The application points the event log at Morlund's folder; the tests keep their own.
    SetEventLogFolderSource(&TestLogFolder);
    files_.program_path = scratch_.Sub("program/radlyn.exe");
  }

  void StartUp(std::vector<std::string> parameters) {
    CSingleInstanceGuard guard;
    app_.StartUp(guard, parameters);
  }
  std::string DataParameter() const { return "datapath=" + DataFolder(); }
  void WriteFailingJob() { WriteJob("[Logon]\r\nClientName=Office\r\n[Info]\r\nType=XI\r\n"); }

  FakeComponentSystem components_;
  platform::ScopedService<platform::ComponentSystem> scoped_components_{components_};
  FakeMutexes mutexes_;
  platform::ScopedService<platform::NamedMutexes> scoped_mutexes_{mutexes_};
  testing::RecordingUserInterface ui_;
  platform::ScopedService<platform::UserInterface> scoped_ui_{ui_};
  CRadlynApp app_{&link_};
};

TEST_F(RadlynAppTest, AnUnusableComponentSystemShowsTheOleMessageAndStops) {
  components_.usable = false;
  WriteFailingJob();
  StartUp({DataParameter()});
  ASSERT_EQ(ui_.message_boxes.size(), 1u);
  EXPECT_EQ(ui_.message_boxes[0].text,
            "OLE initialization failed. Make sure that the OLE libraries on your system are the "
            "correct version.");
  EXPECT_EQ(ui_.message_boxes[0].caption, "radlyn");
  EXPECT_TRUE(link_.calls.empty());
  EXPECT_EQ(app_.ShutDown(), 0);
  EXPECT_FALSE(std::filesystem::exists(frame_.GetResultFilePath()));
}

TEST_F(RadlynAppTest, ASecondInstanceDoesNothingAtAll) {
  for (std::uint32_t error : {platform::kWinAlreadyExists, platform::kWinAccessDenied}) {
    mutexes_.creation_error = error;
    WriteFailingJob();
    StartUp({"help", DataParameter()});
    EXPECT_THAT(mutexes_.names.back(), "{C2772E85-0A11-4be6-A134-2B2421B164B9}");
    EXPECT_TRUE(ui_.modal_dialogs.empty());
    EXPECT_FALSE(app_.HasDataFolder());
    app_.ShutDown();
    EXPECT_THAT(link_.calls, ElementsAre("Uninitialize"));
    EXPECT_FALSE(std::filesystem::exists(frame_.GetResultFilePath()));
    link_.calls.clear();
  }
}

TEST_F(RadlynAppTest, WithoutAJobFileTheInformationDialogShowsAndAnOlderErrorStays) {
  WriteFile(frame_.GetResultFilePath(), "[Info]\r\nErrorNr=13\r\n");
  StartUp({"datapath=" + scratch_.Sub("data")});  // no trailing separator: one is added
  EXPECT_EQ(app_.GetDataFolder(),
            platform::GetCodePages().LowerAnsi(DataFolder()));  // parameters arrive lowered
  ASSERT_EQ(ui_.modal_dialogs.size(), 1u);
  EXPECT_EQ(ui_.modal_dialogs[0].dialog_id, kAboutDialogId);
  app_.ShutDown();
  EXPECT_EQ(ReadFile(frame_.GetResultFilePath()), "[Info]\r\nErrorNr=13\r\n");
  EXPECT_THAT(link_.calls, ElementsAre("Uninitialize"));
}

TEST_F(RadlynAppTest, ADataFolderTooLongAfterExpansionIsRefusedWithoutAnyResultFile) {
  WriteFailingJob();
  const std::string long_folder = scratch_.Sub(std::string(260, 'd'));
  StartUp({"datapath=" + long_folder});
  ASSERT_EQ(ui_.message_boxes.size(), 1u);
  EXPECT_THAT(ui_.message_boxes[0].text, ::testing::HasSubstr("Data folder path too long"));
  EXPECT_THAT(LogEntries(), ElementsAre("[Error] " + ui_.message_boxes[0].text));
  EXPECT_FALSE(app_.HasDataFolder());
  app_.ShutDown();
  EXPECT_THAT(link_.calls, ElementsAre("Uninitialize"));
  EXPECT_FALSE(std::filesystem::exists(frame_.GetResultFilePath()));
}

TEST_F(RadlynAppTest, AFailedClientInitialisationRunsNoJob) {
  WriteFailingJob();
  WriteFile(frame_.GetResultFilePath(), "[Info]\r\nErrorNr=13\r\n");
  files_.held[platform::GetCodePages().LowerAnsi(DataFolder()) + "RADLYN_out.ini"] =
      3;  // a reader lets go in time
  link_.initialize_result = false;
  StartUp({DataParameter()});
  EXPECT_THAT(link_.calls, ElementsAre("Initialize Office"));
  EXPECT_THAT(clock_.waits, ElementsAre(100, 200, 300));
  app_.ShutDown();
  // The old result file went first; the initialisation's report stands.
  EXPECT_EQ(ResultKeys().at(2),
            "Info/DebugInfo=Error occurred during client initialization; ClientName = Office!");
}

// An earlier job's result that cannot be removed would be read as this job's: no exposure, one
// event-log line, and the old file, which may still be written, reports this failure instead of
// the earlier success; the report at exit writes nothing more.
TEST_F(RadlynAppTest, AnOldResultHeldThroughTheBoundMeansNoJobAndReportsTheFailureInPlace) {
  WriteFailingJob();
  WriteFile(frame_.GetResultFilePath(),
            "[Info]\r\nErrorNr=0\r\n[Config]\r\nImageDataPathFile=C:\\x.tif\r\n");
  const std::string result_file =
      platform::GetCodePages().LowerAnsi(DataFolder()) + "RADLYN_out.ini";
  files_.held[result_file] = -1;
  StartUp({DataParameter()});
  app_.ShutDown();
  EXPECT_THAT(link_.calls, ElementsAre("Uninitialize"));
  EXPECT_EQ(clock_.waits.size(), 10u);
  const std::string cause = "Couldn't delete the old result file: '" + result_file +
                            "' (error 32); no X-ray image was taken";
  EXPECT_THAT(ResultKeys(),
              ElementsAre("Info/ErrorNr=8", "Info/ErrorMsg=File deleting error",
                          "Info/DebugInfo=" + cause, "Config/ImageDataPathFile=C:\\x.tif"));
  EXPECT_FALSE(std::filesystem::exists(frame_.GetPendingResultFilePath()));
  EXPECT_THAT(LogEntries(),
              ElementsAre("[Error] " + cause + "; the file now reports this failure"));
}

// A read-only old result is made writable and deleted: the job runs as usual.
TEST_F(RadlynAppTest, AReadOnlyOldResultIsDeletedAndTheJobRuns) {
  WriteFailingJob();
  WriteFile(frame_.GetResultFilePath(), "[Info]\r\nErrorNr=0\r\n");
  std::filesystem::permissions(frame_.GetResultFilePath(),
                               std::filesystem::perms::owner_write |
                                   std::filesystem::perms::group_write |
                                   std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  link_.initialize_result = false;
  StartUp({DataParameter()});
  app_.ShutDown();
  EXPECT_THAT(link_.calls, ElementsAre("Initialize Office", "Uninitialize"));
  EXPECT_TRUE(clock_.waits.empty());
  EXPECT_EQ(ResultKeys().at(2),
            "Info/DebugInfo=Error occurred during client initialization; ClientName = Office!");
}

TEST_F(RadlynAppTest, TheClientsWindowOwnsTheJobWhenItExists) {
  WriteFailingJob();
  link_.take_type_result = false;
  ui_.live_windows = {0x4321};
  StartUp({DataParameter(), "parentwnd=0x4321"});
  EXPECT_TRUE(ui_.created_dialog_ids.empty());
  EXPECT_EQ(app_.GetParentWindow(), 0x4321u);
}

TEST_F(RadlynAppTest, OtherwiseAnInvisibleParentDialogOwnsItUntilTheJobEnds) {
  WriteFailingJob();
  link_.take_type_result = false;
  StartUp({DataParameter(), "parentwnd=0x4321"});
  EXPECT_THAT(ui_.created_dialog_ids, ElementsAre(kParentDialogId));
  // Screen 1280 x 1024: the left edge at half the height.
  EXPECT_THAT(ui_.moves, ElementsAre(testing::RecordingUserInterface::Move{0x10000, 512, 0, 0, 0}));
  EXPECT_THAT(ui_.foreground, ElementsAre(0x10000u));
  EXPECT_THAT(ui_.destroyed, ElementsAre(0x10000u));
  EXPECT_EQ(app_.GetParentWindow(), 0x10000u);
}

TEST_F(RadlynAppTest, WithoutAParentDialogTheJobRunsWithNoOwner) {
  WriteJob(
      "[Logon]\r\nClientName=Office\r\n[Info]\r\nType=XI\r\n[Patient]\r\nBirthdate=19700305\r\n");
  ui_.can_create_dialogs = false;
  link_.acquire_error = 10;
  StartUp({DataParameter()});
  EXPECT_EQ(link_.calls.back(), "Acquire 0");
  EXPECT_THAT(LogEntries(), ::testing::Contains("[Error] Could not create sysmod parent dlg!"));
}

TEST_F(RadlynAppTest, AFailureEscapingStartUpReplacesTheSuccessfulInitialisationReport) {
  WriteFailingJob();
  ui_.throw_in_create = true;
  StartUp({DataParameter()});
  app_.ShutDown();
  EXPECT_THAT(ResultKeys(),
              ElementsAre("Info/ErrorNr=99", "Info/ErrorMsg=Unspecified error",
                          "Info/DebugInfo=Unknown exception occured during start-up"));
}

TEST_F(RadlynAppTest, TheResultAppearsWholeWhenTheJobIsOverAndAnOldPendingOneIsGone) {
  WriteJob(
      "[Logon]\r\nClientName=Office\r\n[Info]\r\nType=XI\r\n[Patient]\r\n"
      "Birthdate=19700305\r\n");
  // What a job that died left pending; had it survived, its stored error would be final.
  const std::string pending = frame_.GetPendingResultFilePath();
  EXPECT_EQ(pending, DataFolder() + "RADLYN_out.ini.tmp");
  WriteFile(pending, "[Info]\r\nErrorNr=13\r\n[Config]\r\nStale=1\r\n");

  bool result_during_job = true;
  std::string pending_during_job;
  link_.during_acquire = [&] {
    result_during_job = std::filesystem::exists(frame_.GetResultFilePath());
    pending_during_job = ReadFile(pending);
    files_.held[platform::GetCodePages().LowerAnsi(DataFolder()) + "RADLYN_out.ini.tmp"] =
        4;  // a virus scanner opens it; publishing waits
  };
  StartUp({DataParameter()});
  EXPECT_FALSE(result_during_job);
  EXPECT_THAT(clock_.waits, ElementsAre(100, 200, 300, 400));
  EXPECT_EQ(pending_during_job, "[Info]\r\nErrorNr=0\r\nErrorMsg=No error\r\n");
  EXPECT_FALSE(std::filesystem::exists(pending));
  const std::vector<std::string> published = ResultKeys();
  EXPECT_THAT(published, ::testing::Contains("Info/ErrorNr=0"));
  EXPECT_THAT(published, ::testing::Contains("Config/ImageDataPathFile=" +
                                             platform::GetCodePages().LowerAnsi(DataFolder()) +
                                             "20261207_101500.tif"));
  EXPECT_THAT(published, ::testing::Not(::testing::Contains("Config/Stale=1")));

  // The report at exit does not write the published success again.
  const std::string bytes = ReadFile(frame_.GetResultFilePath());
  const auto written =
      std::filesystem::last_write_time(frame_.GetResultFilePath()) - std::chrono::hours(1);
  std::filesystem::last_write_time(frame_.GetResultFilePath(), written);
  app_.ShutDown();
  EXPECT_EQ(ReadFile(frame_.GetResultFilePath()), bytes);
  EXPECT_EQ(std::filesystem::last_write_time(frame_.GetResultFilePath()), written);
  EXPECT_FALSE(std::filesystem::exists(pending));
}

TEST_F(RadlynAppTest, AFaultInTheTeardownAfterAPublishedSuccessLeavesTheSuccessStanding) {
  WriteJob(
      "[Logon]\r\nClientName=Office\r\n[Info]\r\nType=XI\r\n[Patient]\r\n"
      "Birthdate=19700305\r\n");
  link_.throw_in_uninitialize = true;
  StartUp({DataParameter()});
  app_.ShutDown();
  const std::vector<std::string> keys = ResultKeys();
  EXPECT_THAT(keys, ::testing::Contains("Info/ErrorNr=0"));
  EXPECT_THAT(keys, ::testing::Contains("Info/DebugInfo=Exception occured during Uninitialize()"));
  EXPECT_THAT(LogEntries(), ::testing::Contains("[Error] Error after the job's success was "
                                                "published (the success stands): ErrorNr=99; "
                                                "DebugInfo='Exception occured during "
                                                "Uninitialize()'"));
}

TEST_F(RadlynAppTest, AResultThatCannotBePublishedStaysPendingAndNoReportClaimsSuccess) {
  WriteFailingJob();
  link_.take_type_result = false;
  files_.fail_rename_file = true;
  StartUp({DataParameter()});
  app_.ShutDown();
  EXPECT_FALSE(std::filesystem::exists(frame_.GetResultFilePath()));
  const std::string pending = frame_.GetPendingResultFilePath();
  EXPECT_THAT(ReadFile(pending), ::testing::StartsWith("[Info]\r\nErrorNr=2\r\n"));
  const std::string data_folder = platform::GetCodePages().LowerAnsi(DataFolder());
  EXPECT_THAT(LogEntries(),
              ::testing::Contains("[Error] Couldn't publish the result file: '" + data_folder +
                                  "RADLYN_out.ini.tmp' (renaming in folder '" + data_folder +
                                  "': error 5 after 5500 ms of retries)"));
}

TEST_F(RadlynAppTest, APendingFileThatCannotBeDeletedStopsTheJobBeforeItStarts) {
  WriteFailingJob();
  std::filesystem::create_directories(frame_.GetPendingResultFilePath());
  StartUp({DataParameter()});
  app_.ShutDown();
  EXPECT_THAT(link_.calls, ElementsAre("Uninitialize"));
  EXPECT_THAT(ResultKeys(), ElementsAre("Info/ErrorNr=8", "Info/ErrorMsg=File deleting error",
                                        "Info/DebugInfo=Couldn't delete file: '" +
                                            platform::GetCodePages().LowerAnsi(DataFolder()) +
                                            "RADLYN_out.ini.tmp'. Please remove this file "
                                            "manually."));
}

TEST_F(RadlynAppTest, TheReportAtExitKeepsTheFirstErrorAndReportsAThrowingShutdown) {
  WriteFailingJob();
  link_.take_type_result = false;
  link_.throw_in_uninitialize = true;
  StartUp({DataParameter()});
  EXPECT_EQ(app_.UninitializeHostLink(), 99);
  EXPECT_EQ(ResultKeys().at(0), "Info/ErrorNr=2");

  std::filesystem::remove(frame_.GetResultFilePath());
  app_.ShutDown();
  EXPECT_THAT(ResultKeys(), ElementsAre("Info/ErrorNr=99", "Info/ErrorMsg=Unspecified error",
                                        "Info/DebugInfo=Exception occured during Uninitialize()"));
  // Even after a throwing shutdown: libraries unloaded, then the component system ended.
  EXPECT_THAT(components_.calls, ElementsAre("Initialize", "FreeUnusedLibraries", "Uninitialize"));
}

}  // namespace
}  // namespace radlyn
