// Start-up of the real program: help, the information dialog without a job, a job without a
// Morlund installation, folder-name case, and a second instance.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "integration/support/integration_support.h"
#include "platform/named_mutex.h"

namespace radlyn::integration {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr const char* kAboutText =
    "Tebro\nVersion: 1.0.0\nCopyright (C) 2026 Radlyn developers. All rights reserved.\n"
    "Refer to RADLYN reference for integration details\n";

// Under Wine the information dialog is a real window that waits for a click; the Windows GUI
// tests read it.
constexpr char kDialogWaits[] = "the information dialog waits for a click under Wine";

class StartupTest : public ::testing::Test {
 protected:
  std::string DataFolder() const { return sandbox_.Path("data"); }
  std::string JobFile() const { return DataFolder() + "/RADLYN_in.ini"; }
  std::string ResultFile() const { return DataFolder() + "/RADLYN_out.ini"; }
  void WriteJob() { WriteIniFile(JobFile(), {{"Logon", {{"ClientName", "DentalOffice"}}}}); }

  RadlynSandbox sandbox_;
};

TEST_F(StartupTest, HelpShowsTheInformationDialogAndWritesNoResultFile) {
  if (TargetIsWindows()) GTEST_SKIP() << kDialogWaits;
  for (const char* help : {"?", "help", "/HELP", "-help"}) {
    ProgramRun run = sandbox_.RunRadlyn({"datapath=" + DataFolder(), help});
    EXPECT_EQ(run.exit_code, 0) << help;
    EXPECT_EQ(run.standard_output, kAboutText) << help;
  }
  // No data folder was chosen, so no report lies anywhere, the current folder included.
  EXPECT_FALSE(fs::exists(DataFolder()));
  EXPECT_TRUE(fs::is_empty(sandbox_.WorkFolder()));
  EXPECT_FALSE(fs::exists(sandbox_.Path("home/.local/share/Tavora")));
}

TEST_F(StartupTest, WithoutAJobFileTheDialogShowsAndTheReportSaysNoError) {
  if (TargetIsWindows()) GTEST_SKIP() << kDialogWaits;
  fs::create_directories(DataFolder());
  ProgramRun run = sandbox_.RunRadlyn({"datapath=" + DataFolder()});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.standard_output, kAboutText);
  EXPECT_THAT(ReadIniEntries(ResultFile()), ElementsAre(IniEntry{"Info", "ErrorNr", "0"},
                                                        IniEntry{"Info", "ErrorMsg", "No error"}));

  // An older result file with an error keeps it; an older success keeps its image path, so
  // only a client that deleted the file itself can tell that no job ran.
  const std::string older = "[Info]\r\nErrorNr=13\r\nErrorMsg=Not enough disk space\r\n";
  WriteTextFile(ResultFile(), older);
  sandbox_.RunRadlyn({"datapath=" + DataFolder()});
  EXPECT_EQ(ReadTextFile(ResultFile()), older);
  const std::string success =
      "[Info]\r\nErrorNr=0\r\nErrorMsg=No error\r\n[Config]\r\nImageDataPathFile=old.tif\r\n";
  WriteTextFile(ResultFile(), success);
  sandbox_.RunRadlyn({"datapath=" + DataFolder()});
  EXPECT_EQ(ReadTextFile(ResultFile()), success);
}

TEST_F(StartupTest, TheDefaultDataFolderLiesBelowTheUsersDataFolder) {
  if (TargetIsWindows()) GTEST_SKIP() << "Wine takes APPDATA from its prefix, not the sandbox";
  const std::string folder = sandbox_.Path("home/.local/share/Tavora/RADLYN");
  fs::create_directories(folder);
  sandbox_.RunRadlyn({"datapath="});
  EXPECT_EQ(FindIniValue(ReadIniEntries(folder + "/RADLYN_out.ini"), "Info", "ErrorNr"), "0");
}

TEST_F(StartupTest, AJobWithoutMorlundReportsTheFailedClientInitialisation) {
  WriteJob();
  WriteTextFile(ResultFile(), "[Info]\r\nErrorNr=13\r\n[Config]\r\nImageDataPathFile=old.tif\r\n");
  ProgramRun run = sandbox_.RunRadlyn({"datapath=" + DataFolder(), "parentwnd=0x1234"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.standard_output, "");

  // The old result went first; the one report left is the initialisation's.
  std::vector<IniEntry> result = ReadIniEntries(ResultFile());
  ASSERT_EQ(result.size(), 3u);
  const std::string number = result[0].value;
  EXPECT_EQ(result[0].key, "ErrorNr");
  EXPECT_NE(number, "0");
  EXPECT_EQ(result[1].key, "ErrorMsg");
  EXPECT_EQ(result[2], (IniEntry{"Info", "DebugInfo",
                                 "Error occurred during client initialization; "
                                 "ClientName = DentalOffice!"}));

  // Without a Morlund folder the event log lies in the current folder.
  EXPECT_THAT(
      ReadEventLogEntries(sandbox_.WorkFolder() + "/morlund.log"),
      ElementsAre("[Info] Error in RADLYN: ErrorNr=" + number + "; ErrorMsg='" + result[1].value +
                  "'; DebugInfo='Error occurred during client initialization; "
                  "ClientName = DentalOffice!'"));
}

TEST_F(StartupTest, ADataFolderGivenInOtherCaseFindsTheFolderOnDisk) {
  const std::string folder = sandbox_.Path("Praxis/Röntgen");
  WriteIniFile(folder + "/RADLYN_in.ini", {{"Logon", {{"ClientName", "Office"}}}});
  sandbox_.RunRadlyn({"DATAPATH=" + folder});
  EXPECT_EQ(FindIniValue(ReadIniEntries(folder + "/RADLYN_out.ini"), "Info", "DebugInfo"),
            "Error occurred during client initialization; ClientName = Office!");
  EXPECT_FALSE(fs::exists(sandbox_.Path("praxis")));
}

TEST_F(StartupTest, ASecondInstanceEndsAtOnceAndTouchesNothing) {
  if (TargetIsWindows()) {
    GTEST_SKIP() << "the guard is held here through the Linux platform layer; under Wine the "
                    "Windows startup test holds the Windows mutex";
  }
  WriteJob();
  const std::string older =
      "[Info]\r\nErrorNr=0\r\nErrorMsg=No error\r\n[Config]\r\nImageDataPathFile=old.tif\r\n";
  WriteTextFile(ResultFile(), older);

  // Hold the single-instance lock from this process, where radlyn looks for it.
  const char* previous = std::getenv("XDG_RUNTIME_DIR");
  const std::string previous_value = previous != nullptr ? previous : "";
  ::setenv("XDG_RUNTIME_DIR", sandbox_.RuntimeFolder().c_str(), 1);
  platform::NamedMutexResult held =
      platform::GetNamedMutexes().Create("{C2772E85-0A11-4be6-A134-2B2421B164B9}");
  if (previous != nullptr) {
    ::setenv("XDG_RUNTIME_DIR", previous_value.c_str(), 1);
  } else {
    ::unsetenv("XDG_RUNTIME_DIR");
  }
  ASSERT_EQ(held.creation_error, 0u);

  for (const char* extra : {"help", "parentwnd=0x1"}) {
    ProgramRun run = sandbox_.RunRadlyn({"datapath=" + DataFolder(), extra});
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.standard_output, "");
    EXPECT_EQ(run.standard_error, "");
  }
  EXPECT_EQ(ReadTextFile(ResultFile()), older);
  EXPECT_TRUE(fs::is_empty(sandbox_.WorkFolder()));

  held.handle.reset();
  sandbox_.RunRadlyn({"datapath=" + DataFolder()});
  EXPECT_NE(ReadTextFile(ResultFile()), older);
}

}  // namespace
}  // namespace radlyn::integration
