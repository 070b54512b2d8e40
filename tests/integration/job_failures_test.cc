// Whole jobs that fail, run by the real radlyn program on hostsim installations: every way a job
// can end badly reaches the client as one error number, its message and the debug text naming
// the failed step, and the same three values reach the event log. Each case gets its own
// installation, data folder and image folder, so no case sees what another one left behind.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "integration/support/integration_support.h"

namespace radlyn::integration {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

constexpr char kStepFailure[] = "Exception occured during acquisition: ";
constexpr char kProbeFile[] = "4176AF36-32EF-428f-8116-46E5D63BBF61.txt";

// Lets files be created in `folder` but not deleted: append-only for the superuser, whom file
// modes do not stop; read-only for others, whose files must then exist beforehand. False where
// the file system cannot do it.
bool ForbidDeletingIn(const std::string& folder) {
  if (::geteuid() != 0) return ::chmod(folder.c_str(), 0555) == 0;
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  int flags = 0;
  const bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                    (flags |= FS_APPEND_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
  if (fd >= 0) ::close(fd);
  return done;
}
void AllowDeletingIn(const std::string& folder) {
  ::chmod(folder.c_str(), 0755);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  int flags = 0;
  if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_APPEND_FL) != 0) {
    flags &= ~FS_APPEND_FL;
    ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
  }
  if (fd >= 0) ::close(fd);
}

struct Outcome {
  ProgramRun run;
  std::vector<IniEntry> result;
  std::string number;  // Info/ErrorNr, "<none>" when missing
};

// "Section/Key=Value" per entry, so that failures print readably.
std::vector<std::string> Lines(const std::vector<IniEntry>& entries) {
  std::vector<std::string> lines;
  for (const IniEntry& e : entries) lines.push_back(e.section + "/" + e.key + "=" + e.value);
  return lines;
}

class JobFailuresTest : public ::testing::Test {
 protected:
  // Installs a fresh Morlund (hostsim) with the given install options and run-time switches into
  // a folder of its own and registers it, so the next job uses it.
  void Install(const std::vector<std::string>& options, std::vector<IniSection> switches = {}) {
    ++case_number_;
    ASSERT_TRUE(InstallHostsim(sandbox_, Morlund(), options));
    // Small images keep the exposures quick.
    switches.push_back({"MoModCh", {{"Width", "320"}, {"Height", "240"}}});
    WriteIniFile(Morlund() + "/hostsim.ini", switches);
  }

  std::string Morlund() const { return sandbox_.Path("morlund" + std::to_string(case_number_)); }
  std::string Data() const { return sandbox_.Path("data" + std::to_string(case_number_)); }
  std::string Images() const { return sandbox_.Path("images" + std::to_string(case_number_)); }

  // Runs a job of a valid patient, doctor and take type, with `changes` replacing or adding
  // single keys of the job file.
  Outcome RunJob(const std::vector<IniEntry>& changes = {}) {
    std::vector<IniSection> job = {
        {"Logon", {{"ClientName", "Dental"}}},
        {"Info", {{"Type", "XI"}, {"Regio", "11"}, {"Doc", "Dr. Berger"}}},
        {"Patient",
         {{"FirstName", "Anna"}, {"LastName", "Moss"}, {"ID", "4711"}, {"Birthdate", "19800101"}}},
        {"Config", {{"ImageDataPath", Images()}}}};
    for (const IniEntry& change : changes) {
      auto section = std::find_if(job.begin(), job.end(),
                                  [&](const IniSection& s) { return s.name == change.section; });
      auto key = std::find_if(section->keys.begin(), section->keys.end(),
                              [&](const auto& k) { return k.first == change.key; });
      if (key != section->keys.end()) {
        key->second = change.value;
      } else {
        section->keys.emplace_back(change.key, change.value);
      }
    }
    WriteIniFile(Data() + "/RADLYN_in.ini", job);
    Outcome outcome;
    outcome.run = sandbox_.RunRadlyn({"datapath=" + Data(), "parentwnd=0x1234"});
    EXPECT_EQ(outcome.run.exit_code, 0) << outcome.run.standard_error;
    outcome.result = ReadIniEntries(Data() + "/RADLYN_out.ini");
    outcome.number = FindIniValue(outcome.result, "Info", "ErrorNr").value_or("<none>");
    return outcome;
  }

  std::vector<std::string> Calls(const std::string& prefix) const {
    return ReadCallsLog(Morlund(), prefix);
  }

  // The event log holds the report of the job with the values of the result file.
  void ExpectLoggedReport(const Outcome& outcome) const {
    ExpectLoggedReport(outcome, Morlund() + "/morlund.log");
  }
  void ExpectLoggedReport(const Outcome& outcome, const std::string& event_log) const {
    const std::string message = FindIniValue(outcome.result, "Info", "ErrorMsg").value_or("");
    const std::string debug = FindIniValue(outcome.result, "Info", "DebugInfo").value_or("");
    EXPECT_THAT(ReadEventLogEntries(event_log),
                Contains("[Info] Error in RADLYN: ErrorNr=" + outcome.number + "; ErrorMsg='" +
                         message + "'; DebugInfo='" + debug + "'"));
  }

  // The result file holds the report's three Info keys and nothing else; no message box showed.
  static void ExpectOnlyReport(const Outcome& outcome, const std::string& number,
                               const std::string& message, const std::string& debug) {
    EXPECT_THAT(Lines(outcome.result),
                ElementsAre("Info/ErrorNr=" + number, "Info/ErrorMsg=" + message,
                            "Info/DebugInfo=" + debug));
    EXPECT_EQ(outcome.run.standard_error, "");
  }

  RadlynSandbox sandbox_;
  int case_number_ = 0;
};

// A step that fails before the exposure: the result file holds nothing but the three Info keys,
// Morlund never takes an image and the client's folder gets no image.
TEST_F(JobFailuresTest, RejectedJobDataAndUnusableFoldersEndTheJobBeforeTheExposure) {
  const std::string blocker = sandbox_.Path("blocker");
  WriteTextFile(blocker, "a file where the image folder should go");
  // Lengths count as the program sees the path, which under Wine starts with "Z:".
  const std::size_t extra = ToTargetPath("/").size() - 1;
  // 259 characters, as many as the job file's key holds: with its separator one too many.
  const std::string long_folder =
      sandbox_.Path(std::string(259 - extra - sandbox_.Path("").size(), 'f'));
  // Longer than 259 characters, with a separator as the 259th: cut there, it would name a
  // folder of its own.
  std::string too_long = sandbox_.Path("images-long") + "/";
  too_long += std::string(258 - extra - too_long.size(), 'a') + "/" + std::string(40, 'b');
  struct FolderCase {
    std::string name;
    std::vector<IniEntry> changes;
    const char* number;
    const char* message;
    std::string debug;  // after "Exception occured during acquisition: "
  };
  std::vector<FolderCase> cases = {
      {"unknown take type", {{"Info", "Type", "XX"}}, "2", "Parameter error", "SetImageType()"},
      {"no take type", {{"Info", "Type", ""}}, "2", "Parameter error", "SetImageType()"},
      {"program number of one character",
       {{"Info", "Type", "XP"}, {"Info", "Regio", "1"}},
       "2",
       "Parameter error",
       "SetImageType()"},
      {"tooth outside the scheme",
       {{"Info", "Regio", "19"}},
       "2",
       "Parameter error",
       "SetImageType()"},
      {"doctor too long",
       {{"Info", "Doc", "Dr. Bergerhoff"}},
       "2",
       "Parameter error",
       "Couldn't set doctor"},
      {"no birth date",
       {{"Patient", "Birthdate", ""}},
       "99",
       "Unspecified error",
       "Invalid datetime format for patient birthdate"},
      {"birth date of 7 characters",
       {{"Patient", "Birthdate", "1980010"}},
       "99",
       "Unspecified error",
       "Invalid datetime format for patient birthdate"},
      {"birth date of 9 characters",
       {{"Patient", "Birthdate", "198001011"}},
       "99",
       "Unspecified error",
       "Invalid datetime format for patient birthdate"},
      {"30 February",
       {{"Patient", "Birthdate", "20130230"}},
       "99",
       "Unspecified error",
       "Invalid datetime format for patient birthdate"},
      {"year below 100",
       {{"Patient", "Birthdate", "00500101"}},
       "2",
       "Parameter error",
       "Couldn't set patient"},
      {"29 February of a century year",
       {{"Patient", "Birthdate", "19000229"}},
       "99",
       "Unspecified error",
       "Invalid datetime format for patient birthdate"},
      {"patient ID too long",
       {{"Patient", "ID", std::string(20, '7')}},
       "2",
       "Parameter error",
       "Couldn't set patient"},
      {"last name too long",
       {{"Patient", "LastName", std::string(33, 'M')}},
       "2",
       "Parameter error",
       "Couldn't set patient"},
      {"first name too long",
       {{"Patient", "FirstName", std::string(33, 'A')}},
       "2",
       "Parameter error",
       "Couldn't set patient"},
      {"folder below a file",
       {{"Config", "ImageDataPath", blocker + "/sub"}},
       "7",
       "File creation error",
       "Couldn't create specified directory: '" + blocker + "/sub/'"},
      {"empty folder",
       {{"Config", "ImageDataPath", ""}},
       "7",
       "File creation error",
       "Couldn't create specified directory: ''"},
      {"folder longer than 259 characters",
       {{"Config", "ImageDataPath", long_folder}},
       "36",
       "String/array/etc. size too long/short",
       "Output folder path too long after expansion (more than 259 characters): '" + long_folder +
           "/'"},
      {"no free space",
       {{"Config", "ImageDataPath", "/proc/self/radlyn"}},
       "13",
       "Not enough disk space",
       "Not enough disk space available or could not detect available space."},
      {"drive that is not there",
       {{"Config", "ImageDataPath", "Q:\\xray"}},
       "13",
       "Not enough disk space",
       "Not enough disk space available or could not detect available space."},
      {"share that cannot be reached",
       {{"Config", "ImageDataPath", "\\\\nosuchserver\\share\\xray"}},
       "13",
       "Not enough disk space",
       "Not enough disk space available or could not detect available space."},
      {"folder naming a file",
       {{"Config", "ImageDataPath", blocker}},
       "7",
       "File creation error",
       "Couldn't create specified directory: '" + blocker + "/'"},
      {"folder over 259 characters",
       {{"Config", "ImageDataPath", too_long}},
       "36",
       "String/array/etc. size too long/short",
       "Output folder path too long after expansion (more than 259 characters): '" +
           too_long.substr(0, 260 - extra) + "/'"},
  };
  // A name Windows refuses cannot be created: the free space is that of the folders above it.
  for (const std::string refused : {"<", ">", "|", "\"", "?", "*", ":", "\t", "\x01"}) {
    // Not shared: Wine creates a folder with ':' in its name, which Windows refuses.
    if (TargetIsWindows() && refused == ":") continue;
    const std::string folder = Images() + refused + "x";
    // A Windows path read back is converted up to a quote only.
    const char* separator = TargetIsWindows() && refused == "\"" ? "\\" : "/";
    cases.push_back({"refused character " + refused,
                     {{"Config", "ImageDataPath", folder}},
                     "7",
                     "File creation error",
                     "Couldn't create specified directory: '" + folder + separator + "'"});
  }
  for (const FolderCase& c : cases) {
    SCOPED_TRACE(c.name);
    // Not shared: /proc stands for a full disk on Linux only.
    if (TargetIsWindows() && c.name == "no free space") continue;
    Install({});
    const Outcome outcome = RunJob(c.changes);
    ExpectOnlyReport(outcome, c.number, c.message, kStepFailure + c.debug);
    EXPECT_THAT(Calls("MC_TakeImage"), IsEmpty());
    EXPECT_FALSE(fs::exists(Images()));
    EXPECT_FALSE(fs::exists(sandbox_.Path("images-long")));
    ExpectLoggedReport(outcome);
  }
}

// The write probe: a folder where it cannot be created fails with 7, one where it cannot be
// deleted again with 8; no exposure follows either.
TEST_F(JobFailuresTest, OutputFolderThatRefusesTheProbeFileEndsTheJobBeforeTheExposure) {
  Install({});
  fs::create_directories(Images() + "/" + kProbeFile);  // a folder in the probe file's place
  Outcome outcome = RunJob();
  ExpectOnlyReport(outcome, "7", "File creation error",
                   std::string(kStepFailure) +
                       "Error during testing file access in the specified directory: '" + Images() +
                       "/'");
  EXPECT_THAT(Calls("MC_TakeImage"), IsEmpty());

  // Not shared: Wine removes a file only as its handle closes, and reports a refused removal as
  // done.
  if (TargetIsWindows()) GTEST_SKIP() << "Wine reports a refused deletion as done";
  Install({});
  const std::string probe = Images() + "/" + kProbeFile;
  WriteTextFile(probe, "");
  if (!ForbidDeletingIn(Images())) GTEST_SKIP() << "cannot make a folder keep its files here";
  outcome = RunJob();
  AllowDeletingIn(Images());
  ExpectOnlyReport(outcome, "8", "File deleting error",
                   std::string(kStepFailure) + "Couldn't delete test file: '" + probe +
                       "'. Please remove this file manually.");
  EXPECT_THAT(Calls("MC_TakeImage"), IsEmpty());
  ExpectLoggedReport(outcome);
}

// Morlund's exposure statuses become the client's error numbers; the job then writes nothing but
// its report.
TEST_F(JobFailuresTest, FailedExposureReportsTheMappedStatusAndOnlyInfoKeys) {
  const struct {
    const char* status;
    const char* number;
    const char* message;
  } kCases[] = {
      {"1001", "1", "Operation cancelled by user"},
      {"1002", "2", "Parameter error"},
      {"1005", "19", "No x-ray component available"},
      {"1102", "11", "Memory problems"},
      {"1103", "20", "System configuration error"},
      {"1201", "21", "No sensor"},
      {"1203", "22", "Sensor power failure"},
      {"1205", "23", "Sensor invalid"},
      {"1210", "25", "Unspecified database access error"},
      {"1214", "27", "Client not initialized"},
      {"1215", "28", "X-ray component already in use"},
      {"1216", "10", "Dialog creation error"},
      {"1217", "29", "X-ray component needs software update"},
      {"1218", "30", "Network down"},
      {"1219", "14", "Timeout occurred"},
      {"1220", "31", "File I/O problems"},
      {"1221", "32", "Image data invalid"},
      {"1222", "24", "Sensor file missing or corrupt"},
      {"1224", "33", "No connection to x-ray component"},
      {"1225", "34", "X-ray component was disconnected"},
      {"1202", "26", "Unspecified module error"},
      {"9999", "26", "Unspecified module error"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.status);
    Install({}, {{"MoModCh", {{"TakeImageStatus", c.status}}}});
    const Outcome outcome = RunJob();
    ExpectOnlyReport(outcome, c.number, c.message, std::string(kStepFailure) + "Acquire()");
    EXPECT_THAT(Calls("MC_TakeImage"), ElementsAre(HasSubstr(std::string(") = ") + c.status)));
    EXPECT_TRUE(fs::is_empty(Images()));
    ExpectLoggedReport(outcome);
  }
}

// An image that Morlund cannot write is a file failure naming the path; the post-processing flag
// written before stays, but no image path is reported.
TEST_F(JobFailuresTest, UnwrittenImageFileReportsItsPathAndNoImage) {
  Install({}, {{"MoFileIO", {{"CreateStatus", "2"}}}});
  const Outcome outcome = RunJob();
  EXPECT_EQ(outcome.number, "31");
  EXPECT_EQ(FindIniValue(outcome.result, "Info", "ErrorMsg"), "File I/O problems");
  const std::string debug = FindIniValue(outcome.result, "Info", "DebugInfo").value_or("");
  const std::string prefix = "File exception occured during acquisition, file='" + Images() + "/";
  EXPECT_THAT(debug, StartsWith(prefix));
  EXPECT_THAT(debug, EndsWith(".tif'"));
  EXPECT_EQ(debug.size(), prefix.size() + std::string("20261207_101500.tif'").size());
  EXPECT_EQ(FindIniValue(outcome.result, "Config", "fAutoPostProcessed"), "0");
  EXPECT_EQ(FindIniValue(outcome.result, "Config", "ImageDataPathFile"), std::nullopt);
  EXPECT_EQ(outcome.result.size(), 4u);
  EXPECT_THAT(Calls("FIO_CreateImageFile"), ElementsAre(HasSubstr(") = 2")));
  EXPECT_TRUE(fs::is_empty(Images()));
  ExpectLoggedReport(outcome);
}

// A Morlund installation that cannot be used fails the client initialisation. The number is the
// operating system's last error, not the host link's 11 or 26: 126 or 127 when a module or one of
// its functions cannot be loaded, otherwise the code an earlier operation left, here 2 from the
// deletion of a result file that was not there. The message boxes name the cause; no exposure.
TEST_F(JobFailuresTest, UnusableMorlundFailsTheClientInitialisationWithItsMessages) {
  const char* kTooOld = "Error: The detected version of MORLUND is too old. Requested version: 7.0";
  const struct {
    const char* name;
    std::vector<std::string> options;
    std::vector<IniSection> switches;
    const char* client;
    const char* number;
    std::vector<std::string> boxes;  // lines on standard error, in order
  } kCases[] = {
      {"module rejects its version",
       {},
       {{"MoUtil", {{"RejectVersion", "1"}}}},
       "Dental",
       "2",
       {"Error: Wrong version of MoUtil.dll"}},
      {"database cannot be opened",
       {},
       {{"MoFileDB", {{"OpenStatus", "3"}}}},
       "Dental",
       "2",
       {"Error: Morlund x-ray configuration database cannot be opened"}},
      {"module file missing",
       {"--without", "MoGrfMan"},
       {},
       "Dental",
       "126",
       {"Error: MoGrfMan.dll not found"}},
      {"export missing", {"--lacking", "FIO_ImportImageFile"}, {}, "Dental", "127", {}},
      {"MoFileIO file missing", {"--without", "MoFileIO"}, {}, "Dental", "126", {}},
      {"Morlund too old", {"--version", "6.9.9.9"}, {}, "Dental", "2", {kTooOld}},
      {"Morlund missing", {"--no-morlund"}, {}, "Dental", "2", {kTooOld}},
      {"Morlund not registered",
       {"--no-register"},
       {},
       "Dental",
       "2",
       {"Error: MoFileDB.dll not found", "Error: MoModCh.dll not found",
        "Error: MoGrfMan.dll not found", "Error: MoUtil.dll not found"}},
      {"empty client name", {}, {}, "", "2", {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    ForgetMorlundRegistration(sandbox_.RegistryFile());
    Install(c.options, c.switches);
    const Outcome outcome = RunJob({{"Logon", "ClientName", c.client}});
    ASSERT_EQ(outcome.result.size(), 3u);
    EXPECT_EQ(outcome.result[0].key, "ErrorNr");
    EXPECT_EQ(outcome.number, c.number);
    EXPECT_EQ(outcome.result[1].key, "ErrorMsg");
    EXPECT_EQ(Lines(outcome.result)[2],
              "Info/DebugInfo=Error occurred during client initialization; ClientName = " +
                  std::string(c.client) + "!");
    std::vector<std::string> lines;
    std::istringstream errors(outcome.run.standard_error);
    for (std::string line; std::getline(errors, line);) lines.push_back(line);
    EXPECT_EQ(lines, c.boxes);
    EXPECT_THAT(Calls("MC_TakeImage"), IsEmpty());
    // Without a registered Morlund the event log lands in radlyn's current folder.
    const bool registered =
        std::find(c.options.begin(), c.options.end(), "--no-register") == c.options.end();
    ExpectLoggedReport(
        outcome, registered ? Morlund() + "/morlund.log" : sandbox_.WorkFolder() + "/morlund.log");
  }
}

}  // namespace
}  // namespace radlyn::integration
