#include "job/job_frame.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <iomanip>
#include <sstream>
#include <tuple>
#include <utility>

#include "job/job_fixture.h"
#include "job/result_text.h"
#include "platform/crash_result.h"
#include "platform/last_error.h"
#include "platform/profile.h"

namespace radlyn {
namespace {

using ::testing::ElementsAre;
using JobFrameTest = testing::JobFixture;

TEST_F(JobFrameTest, PathsFollowTheDataFolderAndTheProgramFile) {
  EXPECT_EQ(frame_.GetJobFilePath(), DataFolder() + "RADLYN_in.ini");
  EXPECT_EQ(frame_.GetResultFilePath(), DataFolder() + "RADLYN_out.ini");
  EXPECT_EQ(frame_.GetProgramFolder(), scratch_.Sub("program/"));
  EXPECT_EQ(frame_.GetSettingsFilePath(), scratch_.Sub("program/Radlyn.ini"));
  files_.program_path = "/elsewhere/radlyn";  // kept from the first use
  EXPECT_EQ(frame_.GetSettingsFilePath(), scratch_.Sub("program/Radlyn.ini"));

  CJobFrame fresh(&link_);
  EXPECT_EQ(fresh.GetJobFilePath(), "RADLYN_in.ini");
  EXPECT_EQ(fresh.GetResultFilePath(), "RADLYN_out.ini");
}

TEST_F(JobFrameTest, TheFirstNonzeroReportIsFinal) {
  frame_.WriteErrorReport(31, "x");
  frame_.WriteErrorReport(0, "");
  frame_.WriteErrorReport(2, "later");
  EXPECT_THAT(ResultKeys(), ElementsAre("Info/ErrorNr=31", "Info/ErrorMsg=File I/O problems",
                                        "Info/DebugInfo=x"));
  EXPECT_THAT(LogEntries(),
              ElementsAre("[Info] Error in RADLYN: ErrorNr=31; ErrorMsg='File I/O problems'; "
                          "DebugInfo='x'"));
}

TEST_F(JobFrameTest, ASuccessReportIsReplacedByALaterErrorAndLogsNothing) {
  frame_.WriteErrorReport(0, "");
  EXPECT_THAT(ResultKeys(), ElementsAre("Info/ErrorNr=0", "Info/ErrorMsg=No error"));
  EXPECT_TRUE(LogEntries().empty());

  frame_.WriteErrorReport(-5, "");
  EXPECT_THAT(ResultKeys(), ElementsAre("Info/ErrorNr=-5", "Info/ErrorMsg=Unspecified error"));
  EXPECT_THAT(LogEntries(),
              ElementsAre("[Info] Error in RADLYN: ErrorNr=-5; ErrorMsg='Unspecified error'; "
                          "DebugInfo=''"));
}

// The profile service of the platform, whose writes fail while `fail` is set (a full disk).
class FailingWrites : public platform::Profile {
 public:
  std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback,
                         std::size_t limit, std::string_view path) override {
    return platform::Profile::Native().ReadString(section, key, fallback, limit, path);
  }
  std::int32_t ReadInt(std::string_view section, std::string_view key, std::int32_t fallback,
                       std::string_view path) override {
    if (fail_reads) return fallback;  // as from a file that cannot be read
    return platform::Profile::Native().ReadInt(section, key, fallback, path);
  }
  bool WriteString(std::string_view section, std::string_view key, std::string_view value,
                   std::string_view path) override {
    return !fail && platform::Profile::Native().WriteString(section, key, value, path);
  }
  bool fail = false;
  bool fail_reads = false;
};

TEST_F(JobFrameTest, AStoredErrorStaysWhenReadingItBackFails) {
  FailingWrites profile;
  platform::ScopedService<platform::Profile> scoped_profile(profile);
  frame_.WriteErrorReport(31, "x");
  profile.fail_reads = true;
  frame_.WriteErrorReport(0, "");
  EXPECT_THAT(ResultKeys(), ElementsAre("Info/ErrorNr=31", "Info/ErrorMsg=File I/O problems",
                                        "Info/DebugInfo=x"));
}

TEST_F(JobFrameTest, AResultWhoseErrorNumberCannotBeWrittenIsWithheld) {
  ASSERT_TRUE(frame_.BeginResult());
  frame_.WriteErrorReport(0, "");  // the client's initialisation
  files_.fail_own_file_writes = true;
  frame_.WriteErrorReport(31, "x");
  EXPECT_TRUE(frame_.ResultWriteFailed());
  frame_.PublishResult();
  files_.fail_own_file_writes = false;
  frame_.WriteErrorReport(0, "");  // the report at exit writes nothing any more
  frame_.PublishResult();
  EXPECT_FALSE(std::filesystem::exists(frame_.GetResultFilePath()));
  EXPECT_FALSE(std::filesystem::exists(frame_.GetPendingResultFilePath()));
  // The line names the operation and the folder (the fake's error differs between platforms).
  EXPECT_THAT(LogEntries(),
              ::testing::Contains(::testing::StartsWith(
                  "[Error] Couldn't write the result file: '" + frame_.GetPendingResultFilePath() +
                  "' (writing in folder '" + DataFolder() + "': error ")));
}

// A fault while the result is pending publishes it with 99 and the crash; an error the job had
// already reported keeps its number. (Windows reports from its reporter thread instead.)
TEST_F(JobFrameTest, AFaultPublishesThePendingResultAndAStoredErrorStays) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows writes a crash's report from its reporter thread";
#else
  const auto fault = [this] {
    platform::InstallCrashResultWriter(nullptr);
    frame_.PrepareCrashResult();
    volatile std::uintptr_t address = 0x10;
    *reinterpret_cast<volatile int*>(address) = 1;
  };
  ASSERT_TRUE(frame_.BeginResult());
  frame_.WriteErrorReport(0, "");  // the client's initialisation
  EXPECT_EXIT(fault(), ::testing::KilledBySignal(SIGSEGV), "");
  std::vector<std::string> keys = ResultKeys();
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0], "Info/ErrorNr=99");
  EXPECT_THAT(keys[2], ::testing::StartsWith("Info/DebugInfo=Unhandled exception SIGSEGV in "));
  const std::string log = ReadFile(testing::LogFolderForTests() + "morlund.log");
  EXPECT_THAT(log, ::testing::HasSubstr("[Error] Unhandled exception SIGSEGV in "));
  EXPECT_FALSE(std::filesystem::exists(frame_.GetPendingResultFilePath()));
  // The handler stamps its lines with the local time of the crash.
  std::tm stamp{};
  std::istringstream(log) >> std::get_time(&stamp, "%Y-%m-%dT%H:%M:%S");
  stamp.tm_isdst = -1;
  EXPECT_LT(std::abs(std::difftime(std::time(nullptr), std::mktime(&stamp))), 30.0) << log;

  // A pending file planted as a link: neither written through nor published.
  const std::string elsewhere = scratch_.Sub("elsewhere.ini");
  WriteFile(elsewhere, "[Info]\r\nErrorNr=0\r\n");
  std::filesystem::remove(frame_.GetResultFilePath());
  CJobFrame linked(&link_);
  linked.SetDataFolder(DataFolder());
  ASSERT_TRUE(linked.BeginResult());
  std::filesystem::remove(linked.GetPendingResultFilePath());
  std::filesystem::create_symlink(elsewhere, linked.GetPendingResultFilePath());
  EXPECT_EXIT(
      {
        platform::InstallCrashResultWriter(nullptr);
        linked.PrepareCrashResult();
        raise(SIGFPE);
      },
      ::testing::KilledBySignal(SIGFPE), "");
  EXPECT_FALSE(std::filesystem::exists(frame_.GetResultFilePath()));
  EXPECT_EQ(ReadFile(elsewhere), "[Info]\r\nErrorNr=0\r\n");
  std::filesystem::remove(linked.GetPendingResultFilePath());

  std::filesystem::remove(frame_.GetResultFilePath());
  CJobFrame failed(&link_);
  failed.SetDataFolder(DataFolder());
  ASSERT_TRUE(failed.BeginResult());
  failed.WriteErrorReport(31, "x");
  EXPECT_EXIT(
      {
        platform::InstallCrashResultWriter(nullptr);
        failed.PrepareCrashResult();
        raise(SIGBUS);
      },
      ::testing::KilledBySignal(SIGBUS), "");
  EXPECT_THAT(ResultKeys(), ElementsAre("Info/ErrorNr=31", "Info/ErrorMsg=File I/O problems",
                                        "Info/DebugInfo=x"));

  // A withheld result (its error number could not be written) is not published by a crash
  // either: the pending file still reads the client's initialisation, ErrorNr=0.
  std::filesystem::remove(frame_.GetResultFilePath());
  CJobFrame withheld(&link_);
  withheld.SetDataFolder(DataFolder());
  ASSERT_TRUE(withheld.BeginResult());
  withheld.WriteErrorReport(0, "");
  files_.fail_own_file_writes = true;
  withheld.WriteErrorReport(31, "x");
  files_.fail_own_file_writes = false;
  EXPECT_EXIT(
      {
        platform::InstallCrashResultWriter(nullptr);
        withheld.PrepareCrashResult();
        raise(SIGILL);
      },
      ::testing::KilledBySignal(SIGILL), "");
  EXPECT_FALSE(std::filesystem::exists(frame_.GetResultFilePath()));
#endif
}

// The pending result is written through the file BeginResult created, byte for byte as the
// profile service writes the same keys, and published only while its name still holds that file.
TEST_F(JobFrameTest, ThePendingResultIsWrittenThroughItsOwnFileAndPublishedOnlyFromThere) {
  ASSERT_TRUE(frame_.BeginResult());
  frame_.WriteErrorReport(0, "");
  frame_.WriteErrorReport(31, "x");
  const std::string reference = scratch_.Sub("reference.ini");
  for (const auto& [key, value] : {std::pair{"ErrorNr", "0"},
                                   {"ErrorMsg", "No error"},
                                   {"ErrorNr", "31"},
                                   {"ErrorMsg", "File I/O problems"},
                                   {"DebugInfo", "x"}}) {
    platform::Profile::Native().WriteString("Info", key, value, reference);
  }
  EXPECT_EQ(ReadFile(frame_.GetPendingResultFilePath()), ReadFile(reference));
  frame_.PublishResult();
  EXPECT_EQ(ReadFile(frame_.GetResultFilePath()), ReadFile(reference));
#ifdef _WIN32
  // Sections in the order of their first key, blanks around values dropped, as Windows writes.
  const std::string sections = scratch_.Sub("sections.ini");
  ResultText text;
  for (const auto& [section, key, value] : {std::tuple{"Info", "ErrorNr", "0"},
                                            {"Config", "fAutoPostProcessed", "0"},
                                            {"Info", "Doc", " Dr. B "},
                                            {"Patient", "ID", "4711"},
                                            {"Config", "ImageDataPathFile", "x"}}) {
    text.Set(section, key, value);
    platform::Profile::Native().WriteString(section, key, value, sections);
  }
  EXPECT_EQ(text.Serialize(), ReadFile(sections));
#endif

#ifndef _WIN32  // Windows lets no one delete or rename the pending file while it is open
  const std::string victim = scratch_.Sub("victim.ini");
  for (const bool as_link : {true, false}) {
    SCOPED_TRACE(as_link ? "a link" : "a plain file");
    std::filesystem::remove(frame_.GetResultFilePath());
    CJobFrame job(&link_);
    job.SetDataFolder(DataFolder());
    ASSERT_TRUE(job.BeginResult());
    job.WriteErrorReport(0, "");
    WriteFile(victim, "[Info]\r\nKeep=this\r\n");
    std::filesystem::remove(job.GetPendingResultFilePath());
    if (as_link) {
      std::filesystem::create_symlink(victim, job.GetPendingResultFilePath());
    } else {
      WriteFile(job.GetPendingResultFilePath(), "[Info]\r\nErrorNr=0\r\n");
    }
    job.WriteErrorReport(0, "");
    job.PublishResult();
    EXPECT_FALSE(std::filesystem::exists(job.GetResultFilePath()));
    EXPECT_EQ(std::filesystem::is_symlink(job.GetPendingResultFilePath()), as_link);
    EXPECT_EQ(ReadFile(victim), "[Info]\r\nKeep=this\r\n");
    std::filesystem::remove(job.GetPendingResultFilePath());
    EXPECT_THAT(LogEntries().back(),
                ::testing::EndsWith(as_link ? "; a link stands at that name)"
                                            : "; another file stands at that name)"));
  }
#endif
}

// An old result that cannot even be looked up (a share that stopped answering) may still be
// there: it never counts as deleted.
TEST_F(JobFrameTest, AnOldResultThatCannotBeLookedUpIsNoDeletedOne) {
  WriteFile(frame_.GetResultFilePath(), "[Info]\r\nErrorNr=0\r\n");
  files_.fail_delete_file = true;
  files_.exists_error = platform::kWinBadNetPath;
  EXPECT_FALSE(frame_.RemoveOldResult());
  files_.exists_error = platform::kWinFileNotFound;
  EXPECT_TRUE(frame_.RemoveOldResult());
}

TEST_F(JobFrameTest, NoReportIsWrittenWhileNoDataFolderIsSet) {
  CJobFrame fresh(&link_);
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(scratch_.path());
  fresh.WriteErrorReport(99, "nowhere");
  std::filesystem::current_path(previous);
  EXPECT_FALSE(std::filesystem::exists(scratch_.Sub("RADLYN_out.ini")));
  EXPECT_TRUE(LogEntries().empty());
}

TEST_F(JobFrameTest, ClientInitialisationReportsItsOutcome) {
  WriteJob("[Logon]\r\nClientName=DentalOffice\r\n");
  EXPECT_EQ(frame_.InitializeClient(), 0);
  EXPECT_THAT(link_.calls, ElementsAre("Initialize DentalOffice"));
  EXPECT_THAT(ResultKeys(), ElementsAre("Info/ErrorNr=0", "Info/ErrorMsg=No error"));

  struct Case {
    bool throws;
    std::uint32_t os_error;
    std::int32_t number;
    std::string debug_text;
  };
  const Case cases[] = {
      {false, 126, 126, "Error occurred during client initialization; ClientName = DentalOffice!"},
      {false, 0, 99, "Error occurred during client initialization; ClientName = DentalOffice!"},
      {true, 126, 27, "Exception occurred during client initialization!"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(frame_.GetResultFilePath());
    link_.initialize_result = false;
    link_.throw_in_initialize = c.throws;
    platform::SetLastErrorCode(c.os_error);
    EXPECT_EQ(frame_.InitializeClient(), c.number);
    EXPECT_EQ(ResultKeys().at(0), "Info/ErrorNr=" + std::to_string(c.number));
    EXPECT_EQ(ResultKeys().at(2), "Info/DebugInfo=" + c.debug_text);
  }
}

}  // namespace
}  // namespace radlyn
