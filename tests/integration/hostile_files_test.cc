// Files and folders a job should never meet: job files that are no job, links planted where
// radlyn writes, output folders it cannot use, and disks that fill up. Each ends in a clear error
// number or in no answer at all, never in success without an image, and nothing is written
// anywhere but where it belongs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "integration/support/integration_support.h"

namespace radlyn::integration {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::SizeIs;

class HostileFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InstallHostsim(sandbox_, Morlund()));
    SetHostsimSwitch(Morlund(), "MoModCh", "Width", "320");
    SetHostsimSwitch(Morlund(), "MoModCh", "Height", "240");
  }
  void TearDown() override {
    for (const std::string& mount : mounts_) {
      std::system(("umount -l '" + mount + "' 2>/dev/null").c_str());
    }
  }

  std::string Morlund() const { return sandbox_.Path("morlund"); }
  std::string Data() const { return sandbox_.Path("data"); }
  std::string Images() const { return sandbox_.Path("images"); }
  std::string JobFile() const { return Data() + "/RADLYN_in.ini"; }
  std::string ResultFile() const { return Data() + "/RADLYN_out.ini"; }

  void WriteJob(const std::string& images) const { WriteIniFile(JobFile(), StandardJob(images)); }
  ProgramStart Job() const {
    return {RadlynProgramPath(),
            {"datapath=" + Data(), "parentwnd=0x1234"},
            sandbox_.environment(),
            sandbox_.WorkFolder()};
  }
  std::vector<IniEntry> RunJob(int time_limit_seconds = 60) {
    ProgramStart start = Job();
    start.time_limit_seconds = time_limit_seconds;
    const ProgramRun run = RunProgram(start);
    EXPECT_EQ(run.exit_code, 0) << run.standard_error;
    return ReadIniEntries(ResultFile());
  }
  static std::string Value(const std::vector<IniEntry>& result, const char* key) {
    return FindIniValue(result, "Info", key).value_or("<none>");
  }

  // A small tmpfs at `folder`; false (the caller skips) where mounting is not allowed.
  bool MountSmallDisk(const std::string& folder, const std::string& size) {
    fs::create_directories(folder);
    if (std::system(
            ("mount -t tmpfs -o size=" + size + " tmpfs '" + folder + "' 2>/dev/null").c_str()) !=
        0) {
      return false;
    }
    mounts_.push_back(folder);
    return true;
  }
  // Fills the disk that holds `folder` with a ballast file.
  static void FillDisk(const std::string& folder) {
    std::system(("dd if=/dev/zero of='" + folder + "/ballast' bs=64k 2>/dev/null").c_str());
  }

  RadlynSandbox sandbox_;
  std::vector<std::string> mounts_;
};

// Job files that hold no job: client initialisation fails under an empty client name, no
// exposure is made, and the job file (or whatever stands in its place) is left as it was.
TEST_F(HostileFilesTest, JobFilesThatAreNoJobFailBeforeTheExposure) {
  std::string garbage(4096, '\0');
  std::mt19937 random(1);
  for (char& c : garbage) c = static_cast<char>(random());
  const struct {
    const char* name;
    const char* content;  // nullptr: a folder of that name
    std::string bytes;
    bool unreadable;
  } kCases[] = {
      {"empty", "", "", false},
      {"binary garbage", "bytes", garbage, false},
      {"a folder", nullptr, "", false},
      {"unreadable", "job", "", true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    if (c.unreadable && geteuid() == 0) {
      std::printf("skipped the unreadable job file: as root, chmod 000 does not deny reading\n");
      continue;
    }
    fs::remove_all(Data());
    WriteTextFile(Morlund() + "/hostsim-calls.log", "");
    if (c.content == nullptr) {
      fs::create_directories(JobFile());
    } else if (c.unreadable) {
      WriteJob(Images());
    } else {
      WriteTextFile(JobFile(), c.bytes);
    }
    const std::optional<std::string> before = ReadTextFile(JobFile());
    if (c.unreadable) fs::permissions(JobFile(), fs::perms::none);
    const std::vector<IniEntry> result = RunJob();
    EXPECT_THAT(Value(result, "ErrorNr"), Not(::testing::AnyOf("0", "<none>")));
    EXPECT_EQ(Value(result, "DebugInfo"),
              "Error occurred during client initialization; ClientName = !");
    EXPECT_THAT(ReadCallsLog(Morlund(), "MC_TakeImage("), IsEmpty());
    EXPECT_EQ(fs::is_directory(JobFile()), c.content == nullptr);
    if (c.unreadable) fs::permissions(JobFile(), fs::perms::owner_all);
    if (c.content != nullptr) {
      EXPECT_EQ(ReadTextFile(JobFile()), before);
    }
  }
}

// A job file of 100 MB (a job, then a long comment) is read like any other; a job file reached
// through a link is the link's target, and both stay as they were.
TEST_F(HostileFilesTest, LargeAndLinkedJobFilesRunTheirJob) {
  WriteJob(Images());
  const std::string job = ReadTextFile(JobFile()).value_or("");
  WriteTextFile(JobFile(), job + ";" + std::string(100 << 20, 'x') + "\r\n");
  // Every key read parses the whole file again: slow, above all under the sanitizers.
  std::vector<IniEntry> result = RunJob(600);
  EXPECT_EQ(Value(result, "ErrorNr"), "0");
  EXPECT_EQ(fs::file_size(JobFile()), job.size() + (100u << 20) + 3);

  fs::remove_all(Images());
  fs::remove(JobFile());
  WriteTextFile(sandbox_.Path("elsewhere/job.ini"), job);
  fs::create_symlink(sandbox_.Path("elsewhere/job.ini"), JobFile());
  result = RunJob();
  EXPECT_EQ(Value(result, "ErrorNr"), "0");
  EXPECT_TRUE(fs::is_symlink(JobFile()));
  EXPECT_EQ(ReadTextFile(sandbox_.Path("elsewhere/job.ini")), job);
}

// Links planted where radlyn writes (the result file, its pending file, the probe file) are
// never followed: the files they lead to stay as they were.
TEST_F(HostileFilesTest, PlantedLinksNeverLeadAWriteElsewhere) {
  if (TargetIsWindows()) {
    GTEST_SKIP() << "a Linux link is no link to a program under Wine: Wine opens its target as "
                    "the file itself";
  }
  const std::string victim = sandbox_.Path("victim.ini");
  const std::string kVictim = "[Info]\r\nErrorNr=0\r\nKeep=this\r\n";
  const std::string probe = Images() + "/4176AF36-32EF-428f-8116-46E5D63BBF61.txt";
  WriteJob(Images());
  const struct {
    const char* name;
    std::string link;
    const char* error_number;
  } kCases[] = {
      {"result file", ResultFile(), "0"},
      {"pending result file", ResultFile() + ".tmp", "0"},
      {"probe file", probe, "7"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(Images());
    fs::remove(ResultFile());
    WriteTextFile(victim, kVictim);
    fs::create_directories(Images());
    fs::create_symlink(victim, c.link);
    const std::vector<IniEntry> result = RunJob();
    EXPECT_EQ(Value(result, "ErrorNr"), c.error_number);
    EXPECT_EQ(ReadTextFile(victim), kVictim);
    EXPECT_FALSE(fs::is_symlink(ResultFile()));
    fs::remove(c.link);
  }

  // Put in the pending file's place during the exposure (by someone who may write the data
  // folder): the result is withheld instead of written there or published, and the event log
  // says what stood at the name.
  SetHostsimSwitch(Morlund(), "MoModCh", "DelayMs", "2000");
  for (const bool as_link : {true, false}) {
    SCOPED_TRACE(as_link ? "link during the exposure" : "plain file during the exposure");
    fs::remove_all(Images());
    fs::create_directories(Images());
    fs::remove(ResultFile());
    WriteTextFile(victim, kVictim);
    const std::string pending = ResultFile() + ".tmp";
    fs::remove(pending);  // what the last round planted, left alone by its job
    BackgroundProgram radlyn(Job());
    for (int i = 0; i < 500 && ReadTextFile(pending).value_or("").empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_THAT(ReadTextFile(pending).value_or(""), HasSubstr("ErrorNr=0"));
    fs::remove(pending);
    if (as_link) {
      fs::create_symlink(victim, pending);
    } else {
      WriteTextFile(pending, "[Info]\r\nErrorNr=0\r\n");
    }
    EXPECT_EQ(radlyn.Wait(60), "exit 0");
    EXPECT_FALSE(fs::exists(ResultFile()));
    EXPECT_EQ(ReadTextFile(victim), kVictim);
    EXPECT_THAT(ReadEventLogEntries(Morlund() + "/morlund.log"),
                Contains(HasSubstr(as_link ? "; a link stands at that name)"
                                           : "; another file stands at that name)")));
  }
  SetHostsimSwitch(Morlund(), "MoModCh", "DelayMs", "0");

  // Without a job file the report at exit would go to the result file itself: a link there is
  // left alone.
  fs::remove(JobFile());
  fs::remove(ResultFile());
  fs::create_symlink(victim, ResultFile());
  const ProgramRun run = RunProgram(Job());
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_TRUE(fs::is_symlink(ResultFile()));
  EXPECT_EQ(ReadTextFile(victim), kVictim);
}

// Output folders named through "..", or that cannot take a file.
TEST_F(HostileFilesTest, OutputFoldersThroughDotDotOrReadOnly) {
  WriteJob(Images() + "/../other");
  std::vector<IniEntry> result = RunJob();
  EXPECT_EQ(Value(result, "ErrorNr"), "0");
  const std::string image = FindIniValue(result, "Config", "ImageDataPathFile").value_or("");
  EXPECT_THAT(image, HasSubstr("/images/../other/"));
  // Windows resolves ".." by the name alone, so "images" itself need not exist there.
  const fs::path written = fs::path(image).lexically_normal();
  EXPECT_TRUE(fs::exists(written));
  EXPECT_EQ(fs::canonical(written).parent_path(), fs::canonical(sandbox_.Path("other")));

  const std::string read_only = sandbox_.Path("read-only");
  fs::create_directories(read_only);
  fs::permissions(read_only, fs::perms::owner_read | fs::perms::owner_exec);
  // A privileged user writes into any folder; an immutable one refuses even that.
  if (geteuid() == 0 && std::system(("chattr +i '" + read_only + "' 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "as root, a read-only folder needs chattr, which is not available here";
  }
  WriteJob(read_only);
  result = RunJob();
  if (geteuid() == 0) std::system(("chattr -i '" + read_only + "'").c_str());
  EXPECT_EQ(Value(result, "ErrorNr"), "7");
  EXPECT_EQ(Value(result, "DebugInfo"),
            "Exception occured during acquisition: Error during testing file access in the "
            "specified directory: '" +
                read_only + "/'");
  EXPECT_TRUE(fs::is_empty(read_only));
}

// An output disk that fills up while the image is written: the job fails with the file failure,
// no partial image is left behind, and the next job into that folder succeeds.
TEST_F(HostileFilesTest, OutputDiskFullDuringTheImageWrite) {
  const std::string disk = sandbox_.Path("small-disk");
  if (!MountSmallDisk(disk, "11m")) GTEST_SKIP() << "mounting a tmpfs needs root and mount";
  // 16-bit samples of 2600 x 2600 do not fit into the 11 MiB that pass the free-space check.
  SetHostsimSwitch(Morlund(), "MoModCh", "Width", "2600");
  SetHostsimSwitch(Morlund(), "MoModCh", "Height", "2600");
  WriteIniFile(JobFile(), StandardJob(disk, {{"fAssure8Bit", "0"}}));
  // Making and filtering an image of that size takes a minute and more in the sanitizer build on
  // a busy machine.
  std::vector<IniEntry> result = RunJob(600);
  EXPECT_EQ(Value(result, "ErrorNr"), "31");
  EXPECT_THAT(Value(result, "DebugInfo"),
              ::testing::StartsWith("File exception occured during acquisition, file='" + disk));
  EXPECT_EQ(FindIniValue(result, "Config", "ImageDataPathFile"), std::nullopt);
  EXPECT_TRUE(fs::is_empty(disk));

  SetHostsimSwitch(Morlund(), "MoModCh", "Width", "320");
  SetHostsimSwitch(Morlund(), "MoModCh", "Height", "240");
  result = RunJob();
  EXPECT_EQ(Value(result, "ErrorNr"), "0");
  EXPECT_TRUE(fs::exists(FindIniValue(result, "Config", "ImageDataPathFile").value_or("")));
}

// A data folder whose disk is full: a result that cannot be written is withheld rather than left
// reading the ErrorNr=0 of the client's initialisation. Full from the start, no exposure is made.
TEST_F(HostileFilesTest, DataDiskFullWithholdsTheResult) {
  if (TargetIsWindows()) {
    GTEST_SKIP() << "Wine's WritePrivateProfileString reports success on a full disk, leaving an "
                    "empty result file";
  }
  if (!MountSmallDisk(Data(), "1m")) GTEST_SKIP() << "mounting a tmpfs needs root and mount";
  WriteJob(Images());
  const std::string job = ReadTextFile(JobFile()).value_or("");
  FillDisk(Data());
  RunJob();
  ExpectNoResultAndJobFileUntouched(Data(), job);
  EXPECT_FALSE(fs::exists(ResultFile() + ".tmp"));
  EXPECT_THAT(ReadCallsLog(Morlund(), "MC_TakeImage("), IsEmpty());
  EXPECT_THAT(ReadEventLogEntries(Morlund() + "/morlund.log"),
              Contains(HasSubstr("[Error] Couldn't write the result file: '")));

  fs::remove(Data() + "/ballast");
  SetHostsimSwitch(Morlund(), "MoModCh", "DelayMs", "2000");
  BackgroundProgram radlyn(Job());
  // The pending result holds ErrorNr=0 once the client is initialised (it is made empty first,
  // and a slow build may still be before that write); then the disk fills.
  const auto pending_written = [this] {
    std::error_code error;
    return fs::file_size(ResultFile() + ".tmp", error) > 0 && !error;
  };
  for (int i = 0; i < 3000 && !pending_written(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(pending_written());
  FillDisk(Data());
  EXPECT_EQ(radlyn.Wait(60), "exit 0");
  // The pending file took its room on the disk when it was made and is rewritten in place: the
  // whole result still fits, and is published.
  const std::vector<IniEntry> result = ReadIniEntries(ResultFile());
  EXPECT_EQ(Value(result, "ErrorNr"), "0");
  EXPECT_EQ(FindIniValue(result, "Patient", "Birthdate"), "19700305");
  EXPECT_TRUE(fs::exists(FindIniValue(result, "Config", "ImageDataPathFile").value_or("")));
  EXPECT_FALSE(fs::exists(ResultFile() + ".tmp"));
  EXPECT_THAT(ReadCallsLog(Morlund(), "MC_TakeImage("), SizeIs(1));
}

}  // namespace
}  // namespace radlyn::integration
