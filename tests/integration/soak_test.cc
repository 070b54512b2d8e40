// Many jobs in a row on one hostsim installation, of every kind a practice sees: Orbel on 16-bit
// TIFF, simulation, BMP and 16-bit TIFF with auto-post-processing, a cancelled exposure and an
// image Morlund cannot write. Every job of a kind must cost what the first one of that kind cost:
// the same peak memory (within a margin), the same open descriptors at its end, the same number
// of event-log lines, and nothing left in the temporary folder or the data folder.
//
// RADLYN_SOAK_JOBS sets the number of jobs (40 by default, for CI; scripts/soak.sh runs 1,000);
// RADLYN_SOAK_VALGRIND=N runs every Nth job under valgrind's memcheck, which must find no error
// and no definite leak (memory and descriptor figures are not compared for those jobs).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "integration/support/integration_support.h"

namespace radlyn::integration {
namespace {

namespace fs = std::filesystem;

struct Setting {
  const char* section;  // a hostsim section, or "Radlyn" for the program settings file
  const char* key;
  const char* value;
};

struct JobKind {
  const char* name;
  std::vector<Setting> settings;
  std::vector<std::pair<std::string, std::string>> config;  // job file, section Config
  const char* error_number;
};

// Every setting a kind may change, at its value for an ordinary job.
const std::vector<Setting> kDefaults = {{"PluginServer", "Version", "1.2"},
                                        {"MoModCh", "TakeImageStatus", "0"},
                                        {"MoFileIO", "CreateStatus", "0"},
                                        {"Radlyn", "Simu", "0"}};
const JobKind kKinds[] = {
    {"orbel tif16", {}, {{"fAssure8Bit", "0"}}, "0"},
    {"simulation", {{"Radlyn", "Simu", "1"}}, {{"fAssure8Bit", "0"}}, "0"},
    {"bmp auto-post", {{"PluginServer", "Version", "1.1"}}, {{"FileFormat", "bmp"}}, "0"},
    {"tif16 auto-post", {{"PluginServer", "Version", "1.1"}}, {{"fAssure8Bit", "0"}}, "0"},
    {"cancelled", {{"MoModCh", "TakeImageStatus", "1001"}}, {}, "1"},
    {"image not written", {{"MoFileIO", "CreateStatus", "2"}}, {}, "31"},
};

std::string SourceFolder() {
  const char* folder = std::getenv("RADLYN_SOURCE_DIR");
  return folder != nullptr ? folder : ".";
}

int EnvironmentNumber(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::atoi(text) : fallback;
}

// The first value of `key`=N among the details of a calls-log line, or -1.
long DetailNumber(const std::string& line, const std::string& key) {
  const std::size_t at = line.find(" " + key + "=");
  return at == std::string::npos ? -1 : std::atol(line.c_str() + at + key.size() + 2);
}

struct Figures {
  long first_rss_kb = -1, max_rss_kb = 0, min_rss_kb = 0;
  long descriptors = -1;
  long log_lines = -1;
  int jobs = 0;
};

class SoakTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InstallHostsim(sandbox_, Morlund()));
    SetHostsimSwitch(Morlund(), "MoModCh", "Width", "320");
    SetHostsimSwitch(Morlund(), "MoModCh", "Height", "240");
    SetHostsimSwitch(Morlund(), "MoFileDB", "ReportResources", "1");
    radlyn_ = CopyRadlynProgram(ProgramFolder());
    fs::copy(TargetBuildFolder() + "/bin/ORBEL", ProgramFolder() + "/ORBEL",
             fs::copy_options::recursive);
    fs::create_directories(Images());
    bus_ = std::make_unique<PrivateBus>(sandbox_, Morlund());
    ASSERT_TRUE(bus_->started());
  }

  std::string Morlund() const { return sandbox_.Path("morlund"); }
  std::string ProgramFolder() const { return sandbox_.Path("bin"); }
  std::string Data() const { return sandbox_.Path("data"); }
  std::string Images() const { return sandbox_.Path("images"); }

  void Apply(const Setting& s) {
    if (std::string(s.section) == "Radlyn") {
      SetProgramSetting(ProgramFolder(), s.key, s.value);
    } else {
      SetHostsimSwitch(Morlund(), s.section, s.key, s.value);
    }
  }

  void WriteJob(const JobKind& kind) {
    WriteIniFile(Data() + "/RADLYN_in.ini", StandardJob(Images(), kind.config));
  }

  ProgramStart Job(bool under_valgrind, int job) const {
    ProgramStart start{radlyn_,
                       {"datapath=" + Data(), "parentwnd=0x1234"},
                       sandbox_.environment(),
                       sandbox_.WorkFolder()};
    if (under_valgrind) {
      start.arguments.insert(
          start.arguments.begin(),
          {"--quiet", "--error-exitcode=77", "--leak-check=full",
           "--errors-for-leak-kinds=definite",
           "--suppressions=" + SourceFolder() + "/tests/integration/valgrind.supp",
           "--log-file=" + sandbox_.Path("valgrind-" + std::to_string(job)), start.program});
      start.program = "/usr/bin/valgrind";
    }
    return start;
  }

  RadlynSandbox sandbox_;
  std::string radlyn_;  // the test's copy of the program
  std::unique_ptr<PrivateBus> bus_;
};

TEST_F(SoakTest, ConsecutiveJobsOfEveryKindCostTheSameEachTime) {
  const int jobs = EnvironmentNumber("RADLYN_SOAK_JOBS", 40);
  const int valgrind_every = EnvironmentNumber("RADLYN_SOAK_VALGRIND", 0);
  const std::string temp = sandbox_.environment().at("TMPDIR");
  std::map<std::string, Figures> figures;
  int valgrind_jobs = 0;

  for (int job = 0; job < jobs; ++job) {
    const JobKind& kind = kKinds[job % std::size(kKinds)];
    SCOPED_TRACE("job " + std::to_string(job) + ", " + kind.name);
    for (const Setting& s : kDefaults) Apply(s);
    for (const Setting& s : kind.settings) Apply(s);
    WriteJob(kind);
    WriteTextFile(Morlund() + "/hostsim-calls.log", "");
    const std::size_t lines_before = ReadEventLogLines(Morlund() + "/morlund.log").size();

    const bool under_valgrind = valgrind_every > 0 && job % valgrind_every == 0;
    BackgroundProgram radlyn(Job(under_valgrind, job));
    ASSERT_EQ(radlyn.Wait(under_valgrind ? 300 : 60), "exit 0")
        << ReadTextFile(sandbox_.Path("valgrind-" + std::to_string(job))).value_or("");

    const std::vector<IniEntry> result = ReadIniEntries(Data() + "/RADLYN_out.ini");
    EXPECT_EQ(FindIniValue(result, "Info", "ErrorNr"), kind.error_number);
    const long images = std::distance(fs::directory_iterator(Images()), fs::directory_iterator());
    EXPECT_EQ(images, std::string(kind.error_number) == "0" ? 1 : 0);
    fs::remove_all(Images());
    fs::create_directories(Images());
    EXPECT_TRUE(fs::is_empty(temp));
    EXPECT_EQ(std::distance(fs::directory_iterator(Data()), fs::directory_iterator()), 2);

    Figures& f = figures[kind.name];
    const long log_lines =
        static_cast<long>(ReadEventLogLines(Morlund() + "/morlund.log").size() - lines_before);
    if (f.log_lines < 0) f.log_lines = log_lines;
    EXPECT_EQ(log_lines, f.log_lines);
    if (under_valgrind) {
      ++valgrind_jobs;
      continue;
    }
    // Descriptors and peak memory are figures of a Linux process (its /proc).
    if (TargetIsWindows()) continue;
    const std::vector<std::string> close = ReadCallsLog(Morlund(), "FDB_Close(");
    ASSERT_EQ(close.size(), 1u);
    const long descriptors = DetailNumber(close[0], "fds");
    if (f.descriptors < 0) f.descriptors = descriptors;
    EXPECT_EQ(descriptors, f.descriptors);
    // Measured inside the process: the peak of a child seen from its parent would include the
    // parent's own memory, shared between fork and exec.
    const long rss = DetailNumber(close[0], "peak_kb");
    EXPECT_GT(rss, 0);
    if (f.first_rss_kb < 0) f.first_rss_kb = f.min_rss_kb = rss;
    EXPECT_LE(rss, f.first_rss_kb + std::max(2048L, f.first_rss_kb / 10));
    f.max_rss_kb = std::max(f.max_rss_kb, rss);
    f.min_rss_kb = std::min(f.min_rss_kb, rss);
    ++f.jobs;
  }

  std::printf("%d jobs, %d under memcheck; event log %zu lines\n", jobs, valgrind_jobs,
              ReadEventLogLines(Morlund() + "/morlund.log").size());
  for (const auto& [name, f] : figures) {
    std::printf("  %-18s %4d jobs  peak RSS %ld..%ld KiB  fds at end %ld  log lines/job %ld\n",
                name.c_str(), f.jobs, f.min_rss_kb, f.max_rss_kb, f.descriptors, f.log_lines);
  }
}

}  // namespace
}  // namespace radlyn::integration
