// Jobs that die on the way: radlyn ended with SIGKILL while a module call hangs, and modules that
// crash the process. The client must never read success without an image: it finds no result
// file after a kill and a result with ErrorNr 99 after a crash, its job file as it wrote it, and
// the next job runs as usual. (Ending radlyn while Orbel
// runs is among the Orbel tests, which have the newer generation's bus.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "integration/support/integration_support.h"

namespace radlyn::integration {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class JobDeathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InstallHostsim(sandbox_, Morlund()));
    SetHostsimSwitch(Morlund(), "MoModCh", "Width", "320");
    SetHostsimSwitch(Morlund(), "MoModCh", "Height", "240");
    WriteIniFile(Data() + "/RADLYN_in.ini", StandardJob(Images()));
    job_file_ = ReadTextFile(Data() + "/RADLYN_in.ini").value_or("");
  }

  std::string Morlund() const { return sandbox_.Path("morlund"); }
  std::string Data() const { return sandbox_.Path("data"); }
  std::string Images() const { return sandbox_.Path("images"); }
  ProgramStart Job() const {
    return {RadlynProgramPath(),
            {"datapath=" + Data(), "parentwnd=0x1234"},
            sandbox_.environment(),
            sandbox_.WorkFolder()};
  }

  // After a death: the client's view, then a job without the fault that succeeds and leaves
  // nothing pending.
  void ExpectDeathHarmlessAndNextJobRuns(const std::string& section, const std::string& key) {
    ExpectNoResultAndJobFileUntouched(Data(), job_file_);
    EXPECT_TRUE(!fs::exists(Images()) || fs::is_empty(Images()));

    SetHostsimSwitch(Morlund(), section, key, "0");
    const ProgramRun next = RunProgram(Job());
    EXPECT_EQ(next.exit_code, 0) << next.standard_error;
    const std::vector<IniEntry> result = ReadIniEntries(Data() + "/RADLYN_out.ini");
    EXPECT_EQ(FindIniValue(result, "Info", "ErrorNr"), "0");
    EXPECT_TRUE(fs::exists(FindIniValue(result, "Config", "ImageDataPathFile").value_or("")));
    EXPECT_FALSE(fs::exists(Data() + "/RADLYN_out.ini.tmp"));
    EXPECT_EQ(ReadTextFile(Data() + "/RADLYN_in.ini"), job_file_);
    fs::remove_all(Images());
    WriteTextFile(Morlund() + "/hostsim-calls.log", "");
  }

  struct FaultyCall {
    const char* section;
    const char* call;
    const char* module;
  };
  static constexpr FaultyCall kFaultyCalls[] = {{"MoModCh", "MC_TakeImage(", "momodch"},
                                                {"MoFileIO", "FIO_CreateImageFile(", "mofileio"}};

  RadlynSandbox sandbox_;
  std::string job_file_;
};

TEST_F(JobDeathTest, KilledWhileAModuleCallHangs) {
  for (const FaultyCall& c : kFaultyCalls) {
    SCOPED_TRACE(c.call);
    SetHostsimSwitch(Morlund(), c.section, "Hang", "1");
    BackgroundProgram radlyn(Job());
    ASSERT_TRUE(WaitForCallsLogLine(Morlund(), c.call, "= hanging"));
    radlyn.Kill();
    EXPECT_EQ(radlyn.Wait(10), "signal 9");
    ExpectDeathHarmlessAndNextJobRuns(c.section, "Hang");
  }
}

TEST_F(JobDeathTest, AModuleThatCrashesTheProcess) {
  // The exception as each platform names it, and the module's file.
  const std::string exception = TargetIsWindows() ? "0xC0000005" : "SIGSEGV";
  const std::string extension = TargetIsWindows() ? ".dll" : ".so";
  for (const FaultyCall& c : kFaultyCalls) {
    SCOPED_TRACE(c.call);
    SetHostsimSwitch(Morlund(), c.section, "Crash", "1");
    BackgroundProgram radlyn(Job());
    EXPECT_NE(radlyn.Wait(60), "running");
    EXPECT_TRUE(WaitForCallsLogLine(Morlund(), c.call, "= crash", 0));
    // The crash is reported as an unexpected error, naming the exception and the module, and the
    // result is published whole.
    const std::string text = "Unhandled exception " + exception + " in " + c.module + extension +
                             " during a call into " + c.module;
    const std::vector<IniEntry> result = ReadIniEntries(Data() + "/RADLYN_out.ini");
    EXPECT_EQ(FindIniValue(result, "Info", "ErrorNr"), "99");
    EXPECT_EQ(FindIniValue(result, "Info", "DebugInfo"), text);
    EXPECT_FALSE(fs::exists(Data() + "/RADLYN_out.ini.tmp"));
    const std::string log = ReadTextFile(Morlund() + "/morlund.log").value_or("");
    EXPECT_THAT(log, HasSubstr("[Error] " + text + "; "));
    EXPECT_THAT(log, HasSubstr("ErrorNr=99; ErrorMsg='Unspecified error'; DebugInfo='" + text));
    fs::remove(Data() + "/RADLYN_out.ini");
    ExpectDeathHarmlessAndNextJobRuns(c.section, "Crash");
  }
}

}  // namespace
}  // namespace radlyn::integration
