// The support checker on a hostsim installation: the verdicts that name what a job would meet,
// each from one broken set-up, and the report file it leaves. Runs against both builds (under
// Wine through the Windows integration run).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "integration/support/integration_support.h"

namespace radlyn::integration {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

// A hostsim installation with copies of radlyn and the checker in a folder of their own (their
// settings file beside them), a data folder holding the standard job, and its image folder.
class Installation {
 public:
  explicit Installation(const std::vector<std::string>& install_options = {}) {
    installed_ = InstallHostsim(sandbox_, Morlund(), install_options);
    CopyRadlynProgram(Program());
    fs::copy_file(TargetBuildFolder() + "/bin/" + TargetProgramName("radlyn-check"), Checker());
    fs::create_directories(Images());
    WriteIniFile(Data() + "/RADLYN_in.ini", StandardJob(Images()));
  }
  bool installed() const { return installed_; }
  RadlynSandbox& sandbox() { return sandbox_; }
  std::string Morlund() const { return sandbox_.Path("morlund"); }
  std::string Program() const { return sandbox_.Path("program"); }
  std::string Checker() const { return Program() + "/" + TargetProgramName("radlyn-check"); }
  std::string Data() const { return sandbox_.Path("data"); }
  std::string Images() const { return sandbox_.Path("images"); }
  std::string Report() const { return sandbox_.Path("report.txt"); }

  // The checker's printed report (paths in Linux form); by default on the data folder, into
  // Report().
  ProgramRun Check(std::vector<std::string> arguments = {}) {
    if (arguments.empty()) arguments = {"datapath=" + Data(), "report=" + Report()};
    ProgramRun run =
        RunProgram({Checker(), arguments, sandbox_.environment(), sandbox_.WorkFolder(), 90});
    run.standard_output = FromTargetText(run.standard_output);
    return run;
  }

 private:
  RadlynSandbox sandbox_;
  bool installed_ = false;
};

struct BrokenSetUp {
  const char* name;
  std::function<void(Installation&)> breaks;
  std::vector<std::string> lines;                 // parts of the report that must appear
  std::vector<std::string> install_options = {};  // hostsim's, for a broken installation
};

TEST(CheckerTest, EachBrokenSetUpIsNamed) {
  const std::vector<BrokenSetUp> cases = {
      {"simulation left on",
       [](Installation& i) { SetProgramSetting(i.Program(), "Simu", "1"); },
       {"FAIL Simulation: Radlyn is in demonstration mode: jobs would file the demonstration "
        "image under real patients",
        "Simu=1 in [Config] of "}},
      {"output folder on a drive that is gone",
       [](Installation& i) { WriteIniFile(i.Data() + "/RADLYN_in.ini", StandardJob("Q:\\xray")); },
       {"FAIL Output folder: The folder for the X-ray images is on a drive or share that is not "
        "connected: jobs end with error 13",
        ": drive Q: is not present"}},
      {"an image left behind",
       [](Installation& i) { WriteTextFile(i.Images() + "/20261201_101010.tif", "II*"); },
       {"FAIL Output folder: An image of an earlier job is still in the image folder: the next "
        "job ends with error 20",
        "/20261201_101010.tif is left behind (DelOutImage=0)"}},
      {"an image left behind, deleted by the next job",
       [](Installation& i) {
         WriteTextFile(i.Images() + "/20261201_101010.tif", "II*");
         SetProgramSetting(i.Program(), "DelOutImage", "1");
       },
       {"the next job deletes it (DelOutImage=1)", "OK   Output folder: "}},
      {"Morlund's folder gone, its registration left",
       [](Installation& i) { fs::remove_all(i.Morlund()); },
       {"FAIL Morlund folder: Morlund's folder is gone although Morlund is still registered",
        "(from the registration) does not exist",
        "INFO Event log: Morlund's folder is gone: Radlyn's lines go to the debug output"}},
      {"a module that crashes when probed",
       [](Installation& i) { SetHostsimSwitch(i.Morlund(), "MoGrfMan", "VersionFault", "1"); },
       {"OK   Module momodch.", "FAIL Module mogrfman.",
        "loading it and asking for its version crashed the probe", "Summary: "}},
      {"Morlund 6.9",
       [](Installation&) {},
       {"FAIL Morlund version: Morlund is missing or too old for Radlyn", "6.9.9.9"},
       {"--version", "6.9.9.9"}},
      {"a module lacking a function",
       [](Installation&) {},
       {"FAIL Module mofileio.", "     lacks FIO_ImportImageFile -- "},
       {"--lacking", "FIO_ImportImageFile"}},
      {"a module missing",
       [](Installation&) {},
       {"FAIL Module mogrfman.", "is missing -- repair Morlund's installation"},
       {"--without", "MoGrfMan"}},
      {"the event log's last job",
       [](Installation& i) {
         WriteTextFile(i.Morlund() + "/morlund.log",
                       "2026-12-01T10:00:00 [Info] RADLYN - New X-ray image\r\n"
                       "2026-12-01T10:00:01 [Error] an earlier job\r\n"
                       "2026-12-01T11:00:00 [Info] RADLYN - New X-ray image\r\n"
                       "2026-12-01T11:00:02 [Error] Couldn't write the result file\r\n");
       },
       {"OK   Event log: ",
        "INFO Event log, last job: 2026-12-01T11:00:00 [Info] RADLYN - New X-ray image\n"
        "INFO Event log, last job: 2026-12-01T11:00:02 [Error] Couldn't write the result file\n"
        "OK   Temporary folder"}},
      {"a pending result and the last one",
       [](Installation& i) {
         WriteTextFile(i.Data() + "/RADLYN_out.ini.tmp", "[Info]\r\nErrorNr=0\r\n");
         WriteIniFile(i.Data() + "/RADLYN_out.ini",
                      {{"Info", {{"ErrorNr", "13"}, {"ErrorMsg", "Not enough disk space"}}},
                       {"Patient", {{"LastName", "Miller"}, {"ID", "4711"}}}});
       },
       {"WARN Pending result: ", "INFO Last result: ErrorNr=13, ErrorMsg='Not enough disk space'"}},
  };
  for (const BrokenSetUp& broken : cases) {
    SCOPED_TRACE(broken.name);
    Installation installation(broken.install_options);
    ASSERT_TRUE(installation.installed());
    broken.breaks(installation);
    const ProgramRun run = installation.Check();
    for (const std::string& line : broken.lines) {
      EXPECT_THAT(run.standard_output, HasSubstr(line));
    }
    // The same report in the file; never a patient's identity, never advice for all users.
    std::string written = FromTargetText(ReadTextFile(installation.Report()).value_or(""));
    std::erase(written, '\r');
    EXPECT_EQ(written + "Report written to " + installation.Report() + "\n", run.standard_output);
    EXPECT_THAT(run.standard_output, Not(HasSubstr("Miller")));
    EXPECT_THAT(run.standard_output, Not(HasSubstr("-- grant the practice's users")));
    EXPECT_EQ(run.exit_code, run.standard_output.find("FAIL ") == std::string::npos ? 0 : 1);
  }
}

TEST(CheckerTest, TakesRadlynsCommandLineAndWritesANewReportFile) {
  Installation i;
  ASSERT_TRUE(i.installed());
  ASSERT_EQ(i.Check().exit_code, 0) << i.Check().standard_output;
  // The report holds what was printed, line by line, and the computer and user.
  i.Check({"datapath=" + i.Data()});  // into a file of its own (below)
  const std::string written = FromTargetText(ReadTextFile(i.Report()).value_or(""));
  EXPECT_THAT(written, HasSubstr("\nComputer "));
  EXPECT_THAT(written, HasSubstr("Summary: 0 failed"));

  // Radlyn's own spellings: a "/" or "-" lead, any case, a pasted parentwnd.
  for (const std::vector<std::string>& spelling :
       {std::vector<std::string>{"/DATAPATH=" + ToTargetPath(i.Data()), "parentwnd=0x1234"},
        {"-datapath=" + ToTargetPath(i.Data())},
        {"DataPath=" + ToTargetPath(i.Data()), "/parentwnd=0x0"}}) {
    const ProgramRun run = i.Check(spelling);
    EXPECT_EQ(run.exit_code, 0) << spelling[0];
    EXPECT_THAT(run.standard_output, HasSubstr("is writable")) << spelling[0];
  }
  EXPECT_EQ(i.Check({"datapath=" + i.Data(), "colour=blue"}).exit_code, 2);
  // A data folder on a drive that is gone is named as a drive, not as a missing folder.
  EXPECT_THAT(i.Check({"datapath=Q:\\practice"}).standard_output,
              HasSubstr(": drive q: is not present -- connect it again"));

  // A report name that is taken, or planted as a link, is never written through.
  WriteTextFile(i.sandbox().Path("victim.txt"), "mine");
  fs::create_symlink(i.sandbox().Path("victim.txt"), i.sandbox().Path("planted.txt"));
  i.Check({"datapath=" + i.Data(), "report=" + i.sandbox().Path("planted.txt")});
  EXPECT_EQ(ReadTextFile(i.sandbox().Path("victim.txt")), "mine");
  EXPECT_THAT(ReadTextFile(i.sandbox().Path("planted-2.txt")).value_or(""), HasSubstr("Summary: "));

  if (!TargetIsWindows()) {
    // Without datapath: Radlyn's default data folder; the report goes to the current folder.
    const ProgramRun run = i.Check({"parentwnd=0x1"});
    EXPECT_THAT(run.standard_output,
                HasSubstr("RADLYN/ (Radlyn's default: no datapath given) does not exist"));
    EXPECT_THAT(run.standard_output,
                HasSubstr("Report written to " + i.sandbox().WorkFolder() + "/radlyn-check-"));
    // A data folder other users may write.
    fs::permissions(i.Data(), fs::perms::others_write, fs::perm_options::add);
    EXPECT_THAT(i.Check().standard_output,
                HasSubstr("WARN Data folder access: " + i.Data() + "/ can be written by others"));
  }
}

TEST(CheckerTest, NamesARunningRadlyn) {
  Installation i;
  ASSERT_TRUE(i.installed());
  SetHostsimSwitch(i.Morlund(), "MoModCh", "DelayMs", "20000");
  ProgramStart start{i.Program() + "/" + TargetProgramName("radlyn"),
                     {"datapath=" + i.Data()},
                     i.sandbox().environment(),
                     i.sandbox().WorkFolder()};
  BackgroundProgram job(start);
  ASSERT_TRUE(WaitForCallsLogLine(i.Morlund(), "MC_TakeImage", ""));
  const ProgramRun run = i.Check();
  EXPECT_THAT(run.standard_output, HasSubstr("WARN Running Radlyn: process "));
  EXPECT_THAT(run.standard_output,
              HasSubstr("a job runs now: a second job started meanwhile ends without a result"));
  if (!TargetIsWindows()) {
    // An upgrade that replaced the program file while the job runs (Windows refuses to replace a
    // running program file): the running one is older.
    const std::string program = i.Program() + "/radlyn";
    fs::copy_file(i.Morlund() + "/morlund", program + ".new");
    fs::rename(program + ".new", program);
    EXPECT_THAT(i.Check().standard_output,
                HasSubstr(", the program file is 7.0.0.0 -- the upgrade takes "
                          "effect once that Radlyn has ended"));
  }
  job.Kill();
}

}  // namespace
}  // namespace radlyn::integration
