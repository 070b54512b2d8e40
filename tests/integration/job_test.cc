// Whole jobs of the real radlyn program on a hostsim installation: the result file of a successful
// job key by key, the image file and its name, the event log and the module calls; exposure
// texts with values missing; the output-folder rules; name collisions; file formats and bit
// depths; and a second instance while the first one is still exposing. Each test has its own
// installation and its own copy of the program, so a private Radlyn.ini can sit beside it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "integration/support/integration_support.h"
#include "platform/profile.h"

namespace radlyn::integration {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::StartsWith;

constexpr char kProbeFile[] = "4176AF36-32EF-428f-8116-46E5D63BBF61.txt";

// Local time as the image file names carry it: YYYYMMDD_HHMMSS.
std::string Stamp(std::time_t when) {
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d_%H%M%S", std::localtime(&when));
  return text;
}

class JobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InstallHostsim(sandbox_, Morlund()));
    // Small images keep the jobs quick, also under the sanitizers.
    SetSwitch("MoModCh", "Width", "320");
    SetSwitch("MoModCh", "Height", "240");
    radlyn_ = CopyRadlynProgram(ProgramFolder());
  }

  std::string Morlund() const { return sandbox_.Path("morlund"); }
  std::string ProgramFolder() const { return sandbox_.Path("bin"); }
  std::string DataFolder() const { return sandbox_.Path("data"); }
  std::string Images() const { return sandbox_.Path("images"); }

  void SetSwitch(const std::string& section, const std::string& key, const std::string& value) {
    SetHostsimSwitch(Morlund(), section, key, value);
  }
  void SetProgramSetting(const std::string& key, const std::string& value) {
    integration::SetProgramSetting(ProgramFolder(), key, value);
  }

  // A job for Anna Miller, tooth 36, intraoral; `config` comes after ImageDataPath.
  void WriteJob(const std::string& data_folder, const std::string& image_path,
                std::vector<std::pair<std::string, std::string>> config = {}) {
    WriteIniFile(data_folder + "/RADLYN_in.ini", StandardJob(image_path, config));
  }

  // Clears the logs and the result so that one test can run several jobs.
  void ResetForNextJob() {
    fs::remove(DataFolder() + "/RADLYN_out.ini");
    WriteTextFile(Morlund() + "/hostsim-calls.log", "");
    WriteTextFile(Morlund() + "/morlund.log", "");
  }

  ProgramRun RunJob(const std::string& data_folder) {
    ProgramStart start{radlyn_,
                       {"datapath=" + data_folder, "parentwnd=0x1234"},
                       sandbox_.environment(),
                       sandbox_.WorkFolder()};
    return RunProgram(start);
  }
  // Writes the standard job with `config`, runs it and returns the result file's entries.
  std::vector<IniEntry> Job(const std::string& image_path,
                            std::vector<std::pair<std::string, std::string>> config = {}) {
    ResetForNextJob();
    WriteJob(DataFolder(), image_path, std::move(config));
    ProgramRun run = RunJob(DataFolder());
    EXPECT_EQ(run.exit_code, 0) << run.standard_error;
    return ReadIniEntries(DataFolder() + "/RADLYN_out.ini");
  }

  std::vector<std::string> CallsLog() const { return ReadCallsLog(Morlund()); }
  std::map<std::string, std::string> Inspect(const std::string& file) {
    ProgramStart inspect{
        HostsimProgramPath(), {"inspect", file}, sandbox_.environment(), sandbox_.WorkFolder()};
    std::map<std::string, std::string> values;
    std::istringstream lines(RunProgram(inspect).standard_output);
    for (std::string line; std::getline(lines, line);) {
      const std::size_t equals = line.find('=');
      if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
  }
  // "tif" or "bmp" from the file's first bytes, "?" otherwise.
  static std::string FileKind(const std::string& file) {
    const std::string head = ReadTextFile(file).value_or("").substr(0, 4);
    if (head == std::string("II*\0", 4) || head == std::string("MM\0*", 4)) return "tif";
    return head.starts_with("BM") ? "bmp" : "?";
  }

  // The file name of `image` when it lies directly in `folder`, else "".
  static std::string NameIn(const std::string& folder, const std::string& image) {
    return image.starts_with(folder + "/") &&
                   image.find('/', folder.size() + 1) == std::string::npos
               ? image.substr(folder.size() + 1)
               : "";
  }

  RadlynSandbox sandbox_;
  std::string radlyn_;  // the test's copy of the program
};

TEST_F(JobTest, SuccessfulJobWritesResultImageLogAndModuleCalls) {
  const std::time_t before = std::time(nullptr);
  const std::vector<IniEntry> result = Job(Images() + "/", {{"fAssure8Bit", "0"}});
  const std::time_t after = std::time(nullptr);

  const std::string image = FindIniValue(result, "Config", "ImageDataPathFile").value_or("");
  EXPECT_THAT(
      result,
      ElementsAre(IniEntry{"Info", "ErrorNr", "0"}, IniEntry{"Info", "ErrorMsg", "No error"},
                  IniEntry{"Info", "Doc", "Dr. Berger"}, IniEntry{"Info", "Regio", "36"},
                  IniEntry{"Info", "Type", "XI"}, IniEntry{"Info", "XRayTime", "120"},
                  IniEntry{"Info", "TubeVoltage", "60"}, IniEntry{"Info", "TubeCurrent", "7"},
                  IniEntry{"Config", "fAutoPostProcessed", "0"},
                  IniEntry{"Config", "ImageDataPathFile", image},
                  IniEntry{"Patient", "FirstName", "Anna"},
                  IniEntry{"Patient", "LastName", "Miller"}, IniEntry{"Patient", "ID", "4711"},
                  IniEntry{"Patient", "Birthdate", "19700305"}));

  // The image: YYYYMMDD_HHMMSS.tif in the output folder, stamped while the job ran, 16 bits.
  const std::string name = NameIn(Images(), image);
  ASSERT_THAT(name, MatchesRegex("[0-9]{8}_[0-9]{6}\\.tif"));
  EXPECT_GE(name.substr(0, 15), Stamp(before));
  EXPECT_LE(name.substr(0, 15), Stamp(after));
  EXPECT_EQ(FileKind(image), "tif");
  const auto inspected = Inspect(image);
  EXPECT_EQ(inspected.at("width"), "320");
  EXPECT_EQ(inspected.at("bits"), "16");
  EXPECT_FALSE(fs::exists(Images() + "/" + kProbeFile));

  const std::vector<std::string> log = ReadEventLogEntries(Morlund() + "/morlund.log");
  // Without a session bus the newer generation's plug-in server cannot be reached.
  EXPECT_THAT(log, ElementsAre("[Info] RADLYN - New X-ray image",
                               "[Error] Connect to MORLUND PlugIn Server failed",
                               "[Info] RADLYN - End X-ray image"));

  // Each call by its name, then the arguments that matter.
  const std::vector<std::string> calls = CallsLog();
  std::vector<std::string> names;
  for (const std::string& call : calls) names.push_back(call.substr(0, call.find('(')));
  // The database opens as soon as its version is accepted; the two auto-post settings are read
  // right after the exposure.
  EXPECT_THAT(names,
              ElementsAre("FDB_CheckVersion", "FDB_Open", "MC_CheckVersion", "MGM_CheckVersion",
                          "UTL_CheckVersion", "FIO_CheckVersion", "MC_TakeImage",
                          "UTL_GetPrivateProfileIntTakeType", "UTL_GetPrivateProfileIntTakeType",
                          "UTL_GetLogo", "UTL_InitMark", "UTL_SetLogo", "UTL_SetVersion",
                          "UTL_GetPrivateProfileIntTakeType", "MGM_LRMarker", "MGM_SetMark",
                          "FIO_CreateImageFile", "FDB_Close"));
  ASSERT_EQ(calls.size(), names.size());
  const struct {
    std::size_t call;
    const char* version;
  } kVersions[] = {{0, "0x00000201"},
                   {2, "0x00000102"},
                   {3, "0x00000107"},
                   {4, "0x00000109"},
                   {5, "0x00000105"}};
  for (const auto& v : kVersions) {
    EXPECT_THAT(calls[v.call], EndsWith(std::string("(") + v.version + ", 0) = 1"));
  }
  EXPECT_EQ(calls[1], "FDB_Open() = 0");
  EXPECT_THAT(
      calls[6],
      StartsWith("MC_TakeImage(0, 0x00000001{last=\"Miller\" first=\"Anna\" "
                 "birth=1970-03-05 id=\"4711\" doctor=\"Dr. Berger\"}, 0x00000002{lead=\"}\" "
                 "type=\"36XI\" "));
  EXPECT_THAT(calls[6], MatchesRegex(".*\\}, 3, 0x[0-9a-f]{8}, 1, 0\\) = 0 image=320x240x16 .*"));
  EXPECT_EQ(calls[9], "UTL_GetLogo(mark, buffer, 11) = \"\"");
  EXPECT_EQ(calls[11], "UTL_SetLogo(mark, \"MORLUND\") = void");
  EXPECT_EQ(calls[12], "UTL_SetVersion(mark, \"7.0\") = void");
  EXPECT_EQ(calls[13],
            "UTL_GetPrivateProfileIntTakeType(\"Take\", \"SetLRLabel\", \"36XI\", 0, \"" +
                Morlund() + "/mofiledb.ini\") = 1");
  EXPECT_THAT(calls[15], EndsWith("mark=\"MORLUND 7.0\""));
  EXPECT_THAT(calls[16], StartsWith("FIO_CreateImageFile(\"" + image + "\", {"));
  EXPECT_THAT(calls[16], EndsWith("}, 0x00000000, 1, 0, 0) = 0"));
  EXPECT_EQ(calls[17], "FDB_Close() = void was_open=1");
}

TEST_F(JobTest, ExposureValueMissingFromTheTextIsLeftOutOfTheResult) {
  const struct {
    const char* text;
    const char* time;
    const char* voltage;
    const char* current;
  } kCases[] = {
      {"TXRay,120,kV,60,mA,7", "120", "60", "7"}, {"kV,60,mA,7", nullptr, "60", "7"},
      {"TXRay,120,mA,7", "120", nullptr, "7"},    {"TXRay,120,kV,60", "120", "60", nullptr},
      {"no values", nullptr, nullptr, nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    SetSwitch("MoModCh", "ExposureParameters", c.text);
    fs::remove_all(Images());
    const std::vector<IniEntry> result = Job(Images());
    EXPECT_EQ(FindIniValue(result, "Info", "ErrorNr"), "0");
    const auto expect = [&](const char* key, const char* value) {
      EXPECT_EQ(FindIniValue(result, "Info", key),
                value ? std::optional<std::string>(value) : std::nullopt)
          << key;
    };
    expect("XRayTime", c.time);
    expect("TubeVoltage", c.voltage);
    expect("TubeCurrent", c.current);
  }
}

TEST_F(JobTest, MissingOutputFolderIsCreatedWithItsParents) {
  const std::string folder = Images() + "/2026/Miller";
  const std::vector<IniEntry> result = Job(folder);
  EXPECT_EQ(FindIniValue(result, "Info", "ErrorNr"), "0");
  const std::string image = FindIniValue(result, "Config", "ImageDataPathFile").value_or("");
  EXPECT_THAT(NameIn(folder, image), MatchesRegex("[0-9]{8}_[0-9]{6}\\.tif"));
  EXPECT_TRUE(fs::exists(image));
  EXPECT_FALSE(fs::exists(folder + "/" + kProbeFile));
}

TEST_F(JobTest, ImageFilesInTheOutputFolderFailTheJobUnlessOneMayBeDeleted) {
  const struct {
    const char* name;
    std::vector<std::string> present;
    const char* del_out_image;  // nullptr: no Radlyn.ini
    std::vector<std::string> left;
  } kCases[] = {
      {"bmp, no settings", {"old.bmp"}, nullptr, {"old.bmp"}},
      {"tif, DelOutImage=0", {"old.tif"}, "0", {"old.tif"}},
      {"bmp and tif, DelOutImage=1", {"old.bmp", "old.tif"}, "1", {"old.tif"}},
      {"tif, DelOutImage=1", {"old.tif"}, "1", {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(Images());
    fs::remove(ProgramFolder() + "/Radlyn.ini");
    for (const std::string& file : c.present) WriteTextFile(Images() + "/" + file, "old image");
    if (c.del_out_image) SetProgramSetting("DelOutImage", c.del_out_image);

    const std::vector<IniEntry> result = Job(Images());
    const std::string image = FindIniValue(result, "Config", "ImageDataPathFile").value_or("");
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(Images())) {
      if (entry.path() != image) left.push_back(entry.path().filename());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, c.left);
    if (c.del_out_image && *c.del_out_image == '1') {
      EXPECT_EQ(FindIniValue(result, "Info", "ErrorNr"), "0");
      EXPECT_TRUE(fs::exists(image));
      continue;
    }
    EXPECT_THAT(
        result,
        ElementsAre(IniEntry{"Info", "ErrorNr", "20"},
                    IniEntry{"Info", "ErrorMsg", "System configuration error"},
                    IniEntry{"Info", "DebugInfo",
                             "Exception occured during acquisition: Image files in output "
                             "folder '" +
                                 Images() + "/' detected. Please ensure an empty output folder."}));
    EXPECT_THAT(ReadEventLogEntries(Morlund() + "/morlund.log"),
                Contains("[Info] RADLYN - End X-ray image"));
  }
}

TEST_F(JobTest, TakenNamesGetTheNextFreeCounterWithOneTimeStamp) {
  SetProgramSetting("DelOutImage", "1");
  fs::create_directories(Images());
  WriteTextFile(Images() + "/aaa.bmp", "decoy");
  // Both the plain name and the first counter are taken for every second the job may start in.
  const std::time_t now = std::time(nullptr);
  constexpr int kSeconds = 30;
  for (int s = 0; s <= kSeconds; ++s) {
    WriteTextFile(Images() + "/" + Stamp(now + s) + ".tif", "taken");
    WriteTextFile(Images() + "/" + Stamp(now + s) + "_1.tif", "taken");
  }

  const std::vector<IniEntry> result = Job(Images(), {{"FileFormat", "tif"}});
  EXPECT_EQ(FindIniValue(result, "Info", "ErrorNr"), "0");
  const std::string image = FindIniValue(result, "Config", "ImageDataPathFile").value_or("");
  ASSERT_THAT(NameIn(Images(), image), MatchesRegex("[0-9]{8}_[0-9]{6}_2\\.tif"));
  const std::string stamp = NameIn(Images(), image).substr(0, 15);
  EXPECT_GE(stamp, Stamp(now));
  EXPECT_LE(stamp, Stamp(now + kSeconds));
  EXPECT_EQ(FileKind(image), "tif");
  EXPECT_FALSE(fs::exists(Images() + "/aaa.bmp"));
  EXPECT_EQ(ReadTextFile(Images() + "/" + stamp + ".tif"), "taken");
  EXPECT_EQ(ReadTextFile(Images() + "/" + stamp + "_1.tif"), "taken");
}

TEST_F(JobTest, FileFormatAndEightBitFlagChooseTheImageFile) {
  const struct {
    const char* format;  // nullptr: no FileFormat key
    const char* assure_8bit;
    const char* kind;
    const char* bits;
  } kCases[] = {
      {"tif", "1", "tif", "8"},   {"tif", "0", "tif", "16"}, {"bmp", "0", "bmp", "8"},
      {"BMP", "1", "bmp", "8"},   {"jpg", "0", "tif", "16"}, {"tiff", "0", "tif", "16"},
      {nullptr, "1", "tif", "8"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.format ? c.format : "no format");
    fs::remove_all(Images());
    std::vector<std::pair<std::string, std::string>> config = {{"fAssure8Bit", c.assure_8bit}};
    if (c.format) config.emplace_back("FileFormat", c.format);
    const std::vector<IniEntry> result = Job(Images(), config);
    EXPECT_EQ(FindIniValue(result, "Info", "ErrorNr"), "0");
    const std::string image = FindIniValue(result, "Config", "ImageDataPathFile").value_or("");
    EXPECT_THAT(image, EndsWith(std::string(".") + c.kind));
    EXPECT_EQ(FileKind(image), c.kind);
    EXPECT_EQ(Inspect(image)["bits"], c.bits);
  }
}

// What the client gets back: names and ID may be empty; Windows-1252 text returns byte for byte
// in a CR LF result file, while UTF-8 reaches Morlund as two characters per umlaut; the doctor is
// echoed with all 13 characters though the image record keeps 12; and a relative output folder
// (or ".") gives a relative image path, taken from radlyn's current folder.
TEST_F(JobTest, ResultEchoesTheJobAsMorlundHoldsIt) {
  const auto run = [&](const std::string& last_name, const std::string& image_path) {
    ResetForNextJob();
    WriteIniFile(
        DataFolder() + "/RADLYN_in.ini",
        {{"Logon", {{"ClientName", "DentalOffice"}}},
         {"Info", {{"Type", "XI"}, {"Regio", "36"}, {"Doc", "Dr. Bergerhof"}}},
         {"Patient",
          {{"FirstName", ""}, {"LastName", last_name}, {"ID", ""}, {"Birthdate", "19700305"}}},
         {"Config", {{"ImageDataPath", image_path}}}});
    EXPECT_EQ(RunJob(DataFolder()).exit_code, 0);
    return ReadIniEntries(DataFolder() + "/RADLYN_out.ini");
  };

  std::vector<IniEntry> result = run("M\xFCller", Images());
  EXPECT_EQ(FindIniValue(result, "Info", "ErrorNr"), "0");
  EXPECT_EQ(FindIniValue(result, "Info", "Doc"), "Dr. Bergerhof");
  EXPECT_EQ(FindIniValue(result, "Patient", "FirstName"), "");
  EXPECT_EQ(FindIniValue(result, "Patient", "LastName"), "M\xFCller");
  EXPECT_EQ(FindIniValue(result, "Patient", "ID"), "");
  const std::string text = ReadTextFile(DataFolder() + "/RADLYN_out.ini").value_or("");
  EXPECT_THAT(text, HasSubstr("\r\nLastName=M\xFCller\r\n"));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(text.begin(), text.end(), '\r'));
  EXPECT_EQ(Inspect(FindIniValue(result, "Config", "ImageDataPathFile").value_or(""))["doctor"],
            "\"Dr. Bergerho\"");
  EXPECT_THAT(CallsLog(), Contains(HasSubstr("{last=\"M\\xFCller\" first=\"\"")));

  fs::remove_all(Images());
  result = run("M\xC3\xBCller", Images());
  EXPECT_EQ(FindIniValue(result, "Patient", "LastName"), "M\xC3\xBCller");
  EXPECT_THAT(CallsLog(), Contains(HasSubstr("{last=\"M\\xC3\\xBCller\"")));

  result = run("Miller", "images");
  const std::string image = FindIniValue(result, "Config", "ImageDataPathFile").value_or("");
  EXPECT_THAT(image, MatchesRegex("images/[0-9]{8}_[0-9]{6}\\.tif"));
  EXPECT_TRUE(fs::exists(sandbox_.WorkFolder() + "/" + image));

  // "." is the current folder itself.
  result = run("Miller", ".");
  const std::string here = FindIniValue(result, "Config", "ImageDataPathFile").value_or("");
  EXPECT_THAT(here, MatchesRegex("\\./[0-9]{8}_[0-9]{6}\\.tif"));
  EXPECT_TRUE(fs::exists(sandbox_.WorkFolder() + "/" + here));
}

TEST_F(JobTest, SecondInstanceDuringASlowExposureEndsAtOnceAndLeavesNoTrace) {
  // Long enough for the second start, which under Wine takes a second or more.
  SetSwitch("MoModCh", "DelayMs", TargetIsWindows() ? "10000" : "3000");
  ResetForNextJob();
  WriteJob(DataFolder(), Images());
  ProgramRun first;
  std::thread first_job([&] { first = RunJob(DataFolder()); });

  // hostsim logs MC_TakeImage only when it returns, so the job's opening event-log line is the
  // sign that the first instance holds the guard and is on its way into the slow exposure.
  bool exposing = false;
  for (int i = 0; i < 400 && !exposing; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    exposing =
        ReadTextFile(Morlund() + "/morlund.log").value_or("").find("RADLYN - New X-ray image") !=
        std::string::npos;
  }
  if (exposing) {
    const std::string other = sandbox_.Path("other-data");
    WriteJob(other, sandbox_.Path("other-images"));
    const ProgramRun second = RunJob(other);
    EXPECT_EQ(second.exit_code, 0);
    EXPECT_EQ(second.standard_error, "");
    EXPECT_FALSE(fs::exists(other + "/RADLYN_out.ini"));
    EXPECT_FALSE(fs::exists(sandbox_.Path("other-images")));
    EXPECT_EQ(ReadTextFile(Morlund() + "/hostsim-calls.log").value_or("").find("MC_TakeImage"),
              std::string::npos)
        << "the second instance ended only after the first one's exposure";
  }
  first_job.join();
  ASSERT_TRUE(exposing) << "the first job never started";
  EXPECT_EQ(first.exit_code, 0);
  EXPECT_EQ(FindIniValue(ReadIniEntries(DataFolder() + "/RADLYN_out.ini"), "Info", "ErrorNr"), "0");
  // The event log holds the first job's lines only.
  const std::vector<std::string> log = ReadEventLogEntries(Morlund() + "/morlund.log");
  EXPECT_EQ(std::count(log.begin(), log.end(), "[Info] RADLYN - New X-ray image"), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "[Info] RADLYN - End X-ray image"), 1);
}

}  // namespace
}  // namespace radlyn::integration
