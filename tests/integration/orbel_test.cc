// The newer Morlund generation end to end: the real radlyn program on a hostsim installation
// whose plug-in server, options manager and Orbel program run on a private session bus. Each
// test gets its own installation, bus and copy of the program (with its simulation data beside
// it, so settings and data of one test never reach another).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <thread>

#include "integration/support/integration_support.h"
#include "platform/profile.h"

namespace radlyn::integration {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

constexpr const char* kSimulationWarning =
    "[Warning] RADLYN - Simulation mode: the image is a stored sample, not an exposure of this "
    "patient";

class OrbelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InstallHostsim(sandbox_, Morlund()));
    // Small images keep the exposures quick.
    SetSwitch("MoModCh", "Width", "320");
    SetSwitch("MoModCh", "Height", "240");

    radlyn_ = CopyRadlynProgram(ProgramFolder());
    fs::copy(TargetBuildFolder() + "/bin/ORBEL", ProgramFolder() + "/ORBEL",
             fs::copy_options::recursive);
    fs::create_directories(ImageFolder());
    WriteIniFile(DataFolder() + "/RADLYN_in.ini",
                 StandardJob(ImageFolder(), {{"fAssure8Bit", "0"}, {"FileFormat", "tif"}}));
    bus_ = std::make_unique<PrivateBus>(sandbox_, Morlund());
    ASSERT_TRUE(bus_->started());
    // Under Wine the temporary folder is the prefix's, shared by every test; jobs that other tests
    // kill on purpose leave theirs there, as they do in their own folders on Linux.
    if (TargetIsWindows()) {
      for (const auto& entry : fs::directory_iterator(TempFolder())) fs::remove_all(entry.path());
    }
  }

  std::string Morlund() const { return sandbox_.Path("morlund"); }
  std::string ProgramFolder() const { return sandbox_.Path("bin"); }
  std::string DataFolder() const { return sandbox_.Path("data"); }
  std::string ImageFolder() const { return sandbox_.Path("images"); }
  std::string TempFolder() const { return TargetTempFolder(sandbox_.Path("tmp")); }

  void SetSwitch(const std::string& section, const std::string& key, const std::string& value) {
    SetHostsimSwitch(Morlund(), section, key, value);
  }
  void SetProgramSetting(const std::string& key, const std::string& value) {
    integration::SetProgramSetting(ProgramFolder(), key, value);
  }

  void RemoveService(const std::string& name) { RemoveNewerGenerationClass(Morlund(), name); }

  // Clears what one job leaves behind (image, result, logs) so the next job starts afresh.
  void ResetForNextJob() {
    for (const auto& image : fs::directory_iterator(ImageFolder())) fs::remove(image.path());
    fs::remove(DataFolder() + "/RADLYN_out.ini");
    fs::remove(Morlund() + "/hostsim-calls.log");
    fs::remove(Morlund() + "/morlund.log");
  }

  ProgramRun RunJob() {
    ProgramStart start;
    start.program = radlyn_;
    start.arguments = {"datapath=" + DataFolder()};
    start.environment = sandbox_.environment();
    start.current_folder = sandbox_.WorkFolder();
    ProgramRun run = RunProgram(start);
    EXPECT_EQ(run.exit_code, 0) << run.standard_error;
    return run;
  }

  std::vector<IniEntry> Result() const { return ReadIniEntries(DataFolder() + "/RADLYN_out.ini"); }
  std::string ResultValue(const std::string& section, const std::string& key) const {
    return FindIniValue(Result(), section, key).value_or("<none>");
  }
  std::vector<std::string> EventLog() const {
    return ReadEventLogEntries(Morlund() + "/morlund.log");
  }
  std::vector<std::string> ErrorEvents() const {
    std::vector<std::string> errors;
    for (const std::string& entry : EventLog()) {
      if (entry.rfind("[Error] ", 0) == 0) errors.push_back(entry.substr(8));
    }
    return errors;
  }

  // The calls log lines of the newer generation (servers and Orbel) and of the exposure.
  std::vector<std::string> Calls(const std::string& prefix) const {
    std::vector<std::string> calls;
    std::istringstream lines(
        FromTargetCallsLog(ReadTextFile(Morlund() + "/hostsim-calls.log").value_or("")));
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind(prefix, 0) == 0) calls.push_back(line);
    }
    return calls;
  }
  std::vector<std::string> OrbelCalls() const {
    std::vector<std::string> calls;
    for (const std::string& line : Calls("Orbel(")) {
      calls.push_back(line.substr(0, line.find(')') + 1));
    }
    return calls;
  }
  std::string ImageFile() const {
    const std::string path = ResultValue("Config", "ImageDataPathFile");
    return fs::exists(path) ? path : "";
  }
  std::map<std::string, std::string> InspectImage() const {
    ProgramStart inspect;
    inspect.program = HostsimProgramPath();
    inspect.arguments = {"inspect", ImageFile()};
    std::map<std::string, std::string> values;
    std::istringstream lines(RunProgram(inspect).standard_output);
    for (std::string line; std::getline(lines, line);) {
      const std::size_t equals = line.find('=');
      if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
  }
  std::string CheckArguments() const {
    const std::vector<std::string> checks = Calls("Orbel(\"-check\"");
    if (checks.empty()) return "<none>";
    const std::size_t start = checks[0].find(", \"") + 3;
    return " -check \"" + checks[0].substr(start, checks[0].find('"', start) - start) + "\"";
  }

  RadlynSandbox sandbox_;
  std::string radlyn_;  // the test's copy of the program
  std::unique_ptr<PrivateBus> bus_;
};

TEST_F(OrbelTest, ProcessedTakeIsOrbelsImageWithTheFlagSetAndNoTraces) {
  RunJob();
  EXPECT_EQ(ResultValue("Info", "ErrorNr"), "0");
  EXPECT_EQ(ResultValue("Config", "fAutoPostProcessed"), "1");
  EXPECT_THAT(OrbelCalls(), ElementsAre("Orbel(\"-backupoem\")", StartsWith("Orbel(\"-check\"")));
  EXPECT_THAT(Calls("Orbel(\"-check\""), ElementsAre(HasSubstr("= 0 processed=1")));
  EXPECT_THAT(CheckArguments(), StartsWith(" -check \"" + TempFolder() + "/"));
  EXPECT_THAT(CheckArguments(), HasSubstr(".tif\""));
  EXPECT_THAT(
      Calls("PluginServer."),
      ElementsAre(
          "PluginServer.CreateInstance() = /Instance/1",
          "PluginServer.Login(\"MorlundNG\") = 0 login=\"/Login/2\"", "PluginServer.Prepare() = 0",
          "PluginServer.FindPlugin(\"{7E41C0D2-9A35-4F6B-8C17-3B52E9A06D84}\") = 3",
          "PluginServer.Plugin(3) = \"/Plugin/3\"", "PluginServer.Version() = \"1.2\"",
          "PluginServer.ProgramPath() = \"" + Morlund() + "/" + TargetProgramName("orbel") + "\"",
          "PluginServer.Release(\"/Plugin/3\") = 0", "PluginServer.Release(\"/Login/2\") = 0",
          "PluginServer.Logout(\"MorlundNG\") = 0", "PluginServer.Release(\"/Instance/1\") = 0"));
  EXPECT_THAT(Calls("OptionsManager.GetOption"),
              ElementsAre("OptionsManager.GetOption(\"{7E41C0D2-9A35-4F6B-8C17-3B52E9A06D84}\", "
                          "\"ORBEL\") = \"" +
                          Morlund() + "/OrbelData/\""));
  EXPECT_THAT(ErrorEvents(), IsEmpty());
  EXPECT_FALSE(ImageFile().empty());
  // The temporary image went back and forth and is gone; the preparation stands (no restore).
  EXPECT_TRUE(fs::is_empty(TempFolder()));
  EXPECT_TRUE(fs::exists(Morlund() + "/OrbelData/orbel-backup.state"));
}

// The file module may leave, free or reuse the image blocks it finds in the record it imports
// into; whichever it does, the job delivers the same processed image and ends cleanly.
TEST_F(OrbelTest, ImportThatFreesOrReusesTheBlocksItFindsGivesTheSameImage) {
  std::map<std::string, std::string> first;
  for (const char* blocks : {"leave", "free", "reuse"}) {
    SetSwitch("MoFileIO", "ImportBlocks", blocks);
    ResetForNextJob();
    RunJob();
    EXPECT_EQ(ResultValue("Info", "ErrorNr"), "0") << blocks;
    EXPECT_EQ(ResultValue("Config", "fAutoPostProcessed"), "1") << blocks;
    EXPECT_THAT(ErrorEvents(), IsEmpty()) << blocks;
    ASSERT_FALSE(ImageFile().empty()) << blocks;
    std::map<std::string, std::string> image = InspectImage();
    image.erase("taken");
    image["size"] = std::to_string(fs::file_size(ImageFile()));
    if (first.empty()) first = image;
    EXPECT_EQ(image, first) << blocks;
  }
}

TEST_F(OrbelTest, UtfSixteenConfigurationDecidesLikeTheEightBitOne) {
  for (const char* filter : {"12XI,36XI", "36OK", "*", "?*"}) {
    ProgramStart config;
    config.program = TargetBuildFolder() + "/bin/" + TargetProgramName("hostsim-orbel-config");
    config.arguments = {Morlund(), "--filter", filter, "--utf16"};
    ASSERT_EQ(RunProgram(config).exit_code, 0);
    ResetForNextJob();
    RunJob();
    const bool expected = std::string(filter) == "12XI,36XI" || std::string(filter) == "?*";
    EXPECT_EQ(OrbelCalls().size(), expected ? 2u : 0u) << filter;
  }
}

TEST_F(OrbelTest, WithoutPluginServerTheTakeIsRealAndOneErrorIsLogged) {
  RemoveService("PluginServer");
  RunJob();
  EXPECT_EQ(ResultValue("Info", "ErrorNr"), "0");
  EXPECT_THAT(ErrorEvents(), ElementsAre("Connect to MORLUND PlugIn Server failed"));
  EXPECT_THAT(Calls("PluginServer."), IsEmpty());
  EXPECT_THAT(OrbelCalls(), IsEmpty());
  EXPECT_THAT(Calls("MC_TakeImage"), Not(IsEmpty()));
}

TEST_F(OrbelTest, RefusedLoginIsLoggedAndNotLoggedOut) {
  SetSwitch("PluginServer", "LoginStatus", "-1");
  RunJob();
  EXPECT_EQ(ResultValue("Info", "ErrorNr"), "0");
  EXPECT_THAT(ErrorEvents(), ElementsAre("MORLUND PlugIn Server Login failed"));
  EXPECT_THAT(Calls("PluginServer.Login"), ElementsAre(HasSubstr("= -1")));
  EXPECT_THAT(Calls("PluginServer.Logout"), IsEmpty());
  EXPECT_THAT(Calls("PluginServer.Release"),
              ElementsAre("PluginServer.Release(\"/Instance/1\") = 0"));
  EXPECT_THAT(OrbelCalls(), IsEmpty());
}

TEST_F(OrbelTest, PluginMissingOrTooOldMeansNoOrbelAndNoMessage) {
  const struct {
    const char* key;
    const char* value;
    std::size_t version_reads;
  } kCases[] = {{"PluginFound", "0", 0}, {"PluginObject", "0", 0}, {"Version", "1.1", 1}};
  for (const auto& c : kCases) {
    SetSwitch("PluginServer", "PluginFound", "1");
    SetSwitch("PluginServer", "PluginObject", "1");
    SetSwitch("PluginServer", "Version", "1.2");
    SetSwitch("PluginServer", c.key, c.value);
    ResetForNextJob();
    RunJob();
    EXPECT_EQ(ResultValue("Info", "ErrorNr"), "0") << c.key;
    EXPECT_EQ(Calls("PluginServer.Version").size(), c.version_reads) << c.key;
    EXPECT_THAT(Calls("PluginServer.ProgramPath"), IsEmpty()) << c.key;
    EXPECT_THAT(Calls("PluginServer.Logout"), ElementsAre(HasSubstr("= 0"))) << c.key;
    EXPECT_THAT(Calls("OptionsManager."), IsEmpty()) << c.key;
    EXPECT_THAT(OrbelCalls(), IsEmpty()) << c.key;
  }
  EXPECT_THAT(ErrorEvents(), IsEmpty());
}

TEST_F(OrbelTest, RunningServerIsUsedInsteadOfANewInstance) {
  if (TargetIsWindows()) GTEST_SKIP() << "the server is started here on the Linux session bus";
  const std::string ready_file = sandbox_.Path("server-ready");
  const std::string command =
      "DBUS_SESSION_BUS_ADDRESS='" + sandbox_.environment()["DBUS_SESSION_BUS_ADDRESS"] + "' " +
      Morlund() + "/hostsim-ngserver PluginServer --running >" + ready_file + " 2>/dev/null &";
  ASSERT_EQ(std::system(command.c_str()), 0);
  for (int i = 0; i < 500 && ReadTextFile(ready_file).value_or("").empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(ReadTextFile(ready_file).value_or(""), "ready\n");
  RunJob();
  EXPECT_THAT(Calls("PluginServer.GetActiveObject"),
              ElementsAre("PluginServer.GetActiveObject() = /Instance/1"));
  EXPECT_THAT(Calls("PluginServer.CreateInstance"), IsEmpty());
  EXPECT_THAT(OrbelCalls(), Contains("Orbel(\"-backupoem\")"));
}

TEST_F(OrbelTest, MissingOptionsManagerLooksForConfigInTheMorlundFolder) {
  RemoveService("OptionsManager");
  RunJob();
  EXPECT_THAT(Calls("PluginServer.ProgramPath"), Not(IsEmpty()));
  EXPECT_THAT(OrbelCalls(), IsEmpty());
  EXPECT_THAT(ErrorEvents(), IsEmpty());

  // The empty folder text leaves the bare name "Config.xml", found in the current folder of the
  // acquisition: the Morlund folder.
  fs::copy_file(Morlund() + "/OrbelData/Config.xml", Morlund() + "/Config.xml");
  ResetForNextJob();
  RunJob();
  EXPECT_THAT(OrbelCalls(), Contains("Orbel(\"-backupoem\")"));
}

TEST_F(OrbelTest, RejectedAutomationCallEndsTheJobAsUnexpectedError) {
  for (const auto& [section, key, value] : {std::tuple{"PluginServer", "Reject", "FindPlugin"},
                                            std::tuple{"OptionsManager", "Reject", "1"}}) {
    SetSwitch("PluginServer", "Reject", "");
    SetSwitch("OptionsManager", "Reject", "0");
    SetSwitch(section, key, value);
    ResetForNextJob();
    RunJob();
    EXPECT_EQ(ResultValue("Info", "ErrorNr"), "99") << section;
    EXPECT_EQ(ResultValue("Info", "DebugInfo"), "Unknown exception occured during acquisition")
        << section;
    EXPECT_THAT(Calls("MC_TakeImage"), IsEmpty()) << section;
    EXPECT_THAT(OrbelCalls(), IsEmpty()) << section;
  }
}

TEST_F(OrbelTest, HungAutomationCallEndsTheJobAtTheCallLimit) {
  // A 1.5 s limit; each hung server ends itself after 10 s (before this limit the job could only
  // end then), and the test waits for that, so no hung server is left for the next job. The options
  // manager first, so that the plug-in server's session, which comes before it, has ended in good
  // order.
  sandbox_.environment()["RADLYN_CALL_LIMIT_MS"] = "1500";
  const struct {
    const char* section;
    const char* value;
    const char* event;
  } kCases[] = {
      {"OptionsManager", "1", "MORLUND Options Manager GetOption did not answer within 1500 ms"},
      {"PluginServer", "Login", "MORLUND PlugIn Server Login did not answer within 1500 ms"},
      // Login's out-argument is passed in the form the server's type information declares, and
      // asking for that information is a call into the server too.
      {"PluginServer", "GetTypeInfo", "MORLUND PlugIn Server Login did not answer within 1500 ms"},
      // Before any call: the class factory making the instance, and the instance asked for its
      // IDispatch (the bus has neither bounded by the call limit, nor a separate request).
      {"PluginServer", "CreateInstance",
       "MORLUND PlugIn Server CreateInstance did not answer within 1500 ms"},
      {"PluginServer", "QueryInterface",
       "MORLUND PlugIn Server QueryInterface did not answer within 1500 ms"}};
  for (const auto& c : kCases) {
    const std::string value = c.value;
    if (!TargetIsWindows() &&
        (value == "GetTypeInfo" || value == "CreateInstance" || value == "QueryInterface")) {
      continue;
    }
    SetSwitch("OptionsManager", "Hang", "0");
    SetSwitch(c.section, "Hang", c.value);
    SetSwitch(c.section, "HangMs", "10000");
    ResetForNextJob();
    const auto start = std::chrono::steady_clock::now();
    RunJob();
    const auto end = std::chrono::steady_clock::now();
    EXPECT_LT(end - start, std::chrono::seconds(10)) << c.section;
    EXPECT_EQ(ResultValue("Info", "ErrorNr"), "99") << c.section;
    EXPECT_EQ(ResultValue("Info", "DebugInfo"), "Unknown exception occured during acquisition");
    EXPECT_THAT(Calls(std::string(c.section) + "."), Contains(HasSubstr("= hanging ms=10000")));
    EXPECT_THAT(Calls("MC_TakeImage"), IsEmpty()) << c.section;
    EXPECT_THAT(ErrorEvents(), ElementsAre(c.event));
    std::this_thread::sleep_until(end + std::chrono::seconds(11));
  }
}

// A plug-in server that answers "busy, retry later" for a moment is asked again, and Orbel runs.
// (Wine's servers take the call all the same: there the spell only shows that its answer is
// given; the retry itself is shown in-process, AutomationWin32Test.)
TEST_F(OrbelTest, BusyPluginServerIsAskedAgainAndOrbelRuns) {
  sandbox_.environment()["RADLYN_CALL_LIMIT_MS"] = "1500";
  SetSwitch("PluginServer", "BusyMs", "1000");
  RunJob();
  EXPECT_EQ(ResultValue("Info", "ErrorNr"), "0");
  EXPECT_THAT(ErrorEvents(), IsEmpty());
  if (TargetIsWindows()) {
    EXPECT_THAT(Calls("PluginServer.Busy"),
                ElementsAre("PluginServer.Busy() = retry later ms=1000"));
  }
  EXPECT_THAT(OrbelCalls(), ElementsAre("Orbel(\"-backupoem\")", StartsWith("Orbel(\"-check\"")));
}

TEST_F(OrbelTest, FailuresAfterThePreparationRestoreOrbelAndKeepTheImage) {
  const struct {
    const char* section;
    const char* key;
    const char* value;
    const char* event;
    bool restored;
  } kCases[] = {
      {"Orbel", "CheckExit", "1", "Orbel image processing failed: ", true},
      {"MoFileIO", "ImportStatus", "1", "Orbel result image file could not be imported: ", false},
  };
  for (const auto& c : kCases) {
    SetSwitch("Orbel", "CheckExit", "0");
    SetSwitch("MoFileIO", "ImportStatus", "0");
    SetSwitch(c.section, c.key, c.value);
    ResetForNextJob();
    RunJob();
    EXPECT_EQ(ResultValue("Info", "ErrorNr"), "0") << c.key;
    EXPECT_NE(ResultValue("Config", "fAutoPostProcessed"), "1") << c.key;
    EXPECT_FALSE(ImageFile().empty()) << c.key;
    const std::string check = CheckArguments();
    std::vector<std::string> expected_calls = {"Orbel(\"-backupoem\")",
                                               OrbelCalls().size() > 1 ? OrbelCalls()[1] : ""};
    if (c.restored) expected_calls.push_back("Orbel(\"-restore\")");
    EXPECT_EQ(OrbelCalls(), expected_calls) << c.key;
    EXPECT_THAT(expected_calls[1], StartsWith("Orbel(\"-check\"")) << c.key;
    // The processing failure names the whole argument text (so two blanks follow the colon),
    // the import failure the temporary file.
    const std::string temporary_file = check.substr(9, check.size() - 10);
    const bool check_failed = std::string(c.key) == "CheckExit";
    EXPECT_THAT(ErrorEvents(),
                ElementsAre(std::string(c.event) + (check_failed ? check : temporary_file)))
        << c.key;
    EXPECT_TRUE(fs::is_empty(TempFolder())) << c.key;
  }
}

TEST_F(OrbelTest, FailedPreparationSkipsOrbelForTheTake) {
  SetSwitch("Orbel", "BackupExit", "1");
  RunJob();
  EXPECT_EQ(ResultValue("Info", "ErrorNr"), "0");
  EXPECT_THAT(OrbelCalls(), ElementsAre("Orbel(\"-backupoem\")"));
  EXPECT_THAT(Calls("MC_TakeImage"), Not(IsEmpty()));
  EXPECT_FALSE(ImageFile().empty());
}

TEST_F(OrbelTest, TemporaryFileThatCannotBeMadeRestoresOrbel) {
  if (TargetIsWindows()) {
    GTEST_SKIP() << "under Wine the temporary folder is the prefix's, which TMPDIR does not move";
  }
  sandbox_.environment()["TMPDIR"] = sandbox_.Path("no-such-folder");
  RunJob();
  EXPECT_EQ(ResultValue("Info", "ErrorNr"), "0");
  EXPECT_THAT(OrbelCalls(), ElementsAre("Orbel(\"-backupoem\")", "Orbel(\"-restore\")"));
  EXPECT_THAT(ErrorEvents(),
              ElementsAre(StartsWith("Intermediate Orbel image file could not be created: ")));
  EXPECT_FALSE(ImageFile().empty());
}

// The user's temporary folder (HKCU\Environment TMP and TEMP, which every program started from
// outside Wine takes) set for the test to `parent`\\<name>, and put back afterwards. A .reg file in
// UTF-16 carries the name, whatever the code pages; it and the saved settings lie in `parent`.
class UserTempFolder {
 public:
  UserTempFolder(const std::string& parent, std::u16string_view name)
      : saved_(parent + "/environment.reg"), set_(parent + "/temp.reg") {
    RunProgram({"reg.exe", {"export", "HKCU\\Environment", saved_, "/y"}, {}, {}});
    std::u16string folder;
    for (const char c : ToTargetPath(parent) + "\\")
      folder += c == '\\' ? u"\\\\" : std::u16string(1, c);
    folder += name;
    // GetTempPath looks at TMP before TEMP.
    const std::u16string text =
        u"\uFEFFWindows Registry Editor Version 5.00\r\n"
        u"[HKEY_CURRENT_USER\\Environment]\r\n\"TMP\"=\"" +
        folder + u"\"\r\n\"TEMP\"=\"" + folder + u"\"\r\n";
    WriteTextFile(set_,
                  std::string_view(reinterpret_cast<const char*>(text.data()), text.size() * 2));
    EXPECT_EQ(RunProgram({"reg.exe", {"import", set_}, {}, {}}).exit_code, 0);
  }
  ~UserTempFolder() { RunProgram({"reg.exe", {"import", saved_}, {}, {}}); }

 private:
  std::string saved_;
  std::string set_;
};

TEST_F(OrbelTest, TemporaryFolderOutsideTheAnsiCodePageStillReachesOrbel) {
  if (!TargetIsWindows()) GTEST_SKIP() << "a Linux folder name is never out of reach of its texts";
  // A profile named \u0141ukasz on a Western code page, which has no \u0141.
  const std::string temp = sandbox_.Path("profile") + "/\xC5\x81ukasz";
  fs::create_directories(temp);
  const UserTempFolder user_temp(sandbox_.Path("profile"), u"\u0141ukasz");
  RunJob();
  EXPECT_EQ(ResultValue("Info", "ErrorNr"), "0");
  EXPECT_EQ(ResultValue("Config", "fAutoPostProcessed"), "1");
  EXPECT_THAT(ErrorEvents(), IsEmpty());
  // Through the folder's short name, or (where it has none that the code page can write, as under
  // Wine) a folder of Orbel's; nothing left in either.
  EXPECT_TRUE(fs::is_empty(temp));
  EXPECT_FALSE(fs::exists(Morlund() + "/OrbelData/RadlynTemp") &&
               !fs::is_empty(Morlund() + "/OrbelData/RadlynTemp"));
}

TEST_F(OrbelTest, CheckOutlivingItsLimitCountsAsFailedAndKeepsRunning) {
  if (TargetIsWindows()) GTEST_SKIP() << "the build with short time limits is a Linux program";
  // radlyn built for the tests with a hundredth of each limit: 3 s instead of 300 s for the check.
  fs::copy_file(BuildFolder() + "/tests/radlyn_short_limits", radlyn_,
                fs::copy_options::overwrite_existing);
  SetSwitch("Orbel", "CheckSleepMs", "6000");
  const auto start = std::chrono::steady_clock::now();
  RunJob();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(6));
  EXPECT_EQ(ResultValue("Info", "ErrorNr"), "0");
  EXPECT_THAT(Calls("Orbel(\"-check\""), ElementsAre(HasSubstr("= sleeping ms=6000")));
  EXPECT_THAT(Calls("Orbel(\"-restore\")"), ElementsAre(HasSubstr("= 0")));
  EXPECT_THAT(ErrorEvents(), ElementsAre("Orbel image processing failed: " + CheckArguments()));
  EXPECT_NE(ResultValue("Config", "fAutoPostProcessed"), "1");
}

TEST_F(OrbelTest, KilledWhileOrbelProcessesLeavesNoResultAndTheNextJobRuns) {
  SetSwitch("Orbel", "CheckSleepMs", "1500");
  const std::string job_file = ReadTextFile(DataFolder() + "/RADLYN_in.ini").value_or("");
  BackgroundProgram radlyn(
      {radlyn_, {"datapath=" + DataFolder()}, sandbox_.environment(), sandbox_.WorkFolder()});
  ASSERT_TRUE(WaitForCallsLogLine(Morlund(), "Orbel(\"-check\"", "= sleeping"));
  radlyn.Kill();
  EXPECT_EQ(radlyn.Wait(10), "signal 9");
  ExpectNoResultAndJobFileUntouched(DataFolder(), job_file);
  // Orbel, a process of its own, finishes its call before the next job starts.
  ASSERT_TRUE(WaitForCallsLogLine(Morlund(), "Orbel(\"-check\"", "= 0"));

  SetSwitch("Orbel", "CheckSleepMs", "0");
  ResetForNextJob();
  RunJob();
  EXPECT_EQ(ResultValue("Info", "ErrorNr"), "0");
  EXPECT_EQ(ResultValue("Config", "fAutoPostProcessed"), "1");
  EXPECT_NE(ImageFile(), "");
  EXPECT_FALSE(fs::exists(DataFolder() + "/RADLYN_out.ini.tmp"));
  // The killed job's exchange (the whole X-ray with the patient's identity) is gone too.
  EXPECT_TRUE(fs::is_empty(TempFolder()));
}

TEST_F(OrbelTest, SimulationDeliversTheStoredImageDatedNowAndHandsOverOrbelsFiles) {
  SetProgramSetting("Simu", "1");
  // Prepared files that are read-only (copied from a read-only medium, say) give read-only
  // copies, which the next simulated job replaces all the same.
  for (const auto& entry : fs::recursive_directory_iterator(ProgramFolder() + "/ORBEL/TEMP")) {
    if (entry.is_regular_file()) {
      fs::permissions(entry.path(),
                      fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }
  }
  RunJob();
  EXPECT_EQ(ResultValue("Info", "ErrorNr"), "0");
  ResetForNextJob();
  RunJob();
  EXPECT_EQ(ResultValue("Info", "ErrorNr"), "0");
  EXPECT_THAT(Calls("MC_TakeImage"), IsEmpty());
  EXPECT_EQ(ResultValue("Info", "XRayTime"), "100");
  EXPECT_EQ(ResultValue("Info", "TubeVoltage"), "65");
  EXPECT_EQ(ResultValue("Info", "TubeCurrent"), "8");
  EXPECT_EQ(ResultValue("Config", "fAutoPostProcessed"), "1");
  const auto image = InspectImage();
  EXPECT_EQ(image.at("hardware"), "\"Morlund simulation image\"");
  EXPECT_THAT(image.at("taken"), Not(StartsWith("2010-")));
  EXPECT_THAT(OrbelCalls(), ElementsAre("Orbel(\"-backupoem\")", StartsWith("Orbel(\"-check\"")));
  EXPECT_TRUE(fs::exists(Morlund() + "/OrbelData/TEMP/OrbelWork.ini"));
  EXPECT_TRUE(fs::exists(Morlund() + "/OrbelData/TEMP/Presets/Simulation.xml"));
  // The result file reads like an exposure of this patient; the event log says it is none.
  EXPECT_THAT(EventLog(), Contains(kSimulationWarning));
}

TEST_F(OrbelTest, SimulationWithoutOrbelTakesARealExposure) {
  SetProgramSetting("Simu", "1");
  SetSwitch("PluginServer", "Version", "1.1");
  RunJob();
  EXPECT_EQ(ResultValue("Info", "ErrorNr"), "0");
  EXPECT_THAT(Calls("MC_TakeImage"), Not(IsEmpty()));
  EXPECT_EQ(ResultValue("Info", "XRayTime"), "120");
  EXPECT_THAT(EventLog(), Not(Contains(kSimulationWarning)));
}

TEST_F(OrbelTest, MissingSimulationDataFailsTheTakeAfterRestoringOrbel) {
  for (const char* missing : {"simu.tif", "TEMP"}) {
    SetProgramSetting("Simu", "1");
    fs::remove_all(ProgramFolder() + "/ORBEL");
    fs::copy(TargetBuildFolder() + "/bin/ORBEL", ProgramFolder() + "/ORBEL",
             fs::copy_options::recursive);
    fs::remove_all(ProgramFolder() + "/ORBEL/" + missing);
    ResetForNextJob();
    RunJob();
    EXPECT_EQ(ResultValue("Info", "ErrorNr"), "31") << missing;
    EXPECT_EQ(ResultValue("Info", "ErrorMsg"), "File I/O problems") << missing;
    EXPECT_EQ(ResultValue("Info", "DebugInfo"), "Exception occured during acquisition: Acquire()")
        << missing;
    EXPECT_THAT(OrbelCalls(), ElementsAre("Orbel(\"-backupoem\")", "Orbel(\"-restore\")"))
        << missing;
    EXPECT_THAT(Calls("MC_TakeImage"), IsEmpty()) << missing;
    EXPECT_THAT(EventLog(), Contains(kSimulationWarning)) << missing;
  }
}

}  // namespace
}  // namespace radlyn::integration
