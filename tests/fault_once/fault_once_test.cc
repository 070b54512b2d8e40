// Every platform call failing once: a whole job on hostsim is run once counting its calls into the
// platform layer (K), then once more for every call N that can fail, call N failing the way its
// service fails (fault_plan.h). After every run: the job file is as the client wrote it; a result
// file is either absent or tells the truth (a nonzero ErrorNr with its message, or ErrorNr=0
// beside the image file it names; a success that differs from the undisturbed job's result is
// noted); no temporary file is left (except one whose deletion was the call that failed); no
// memory block is lost, and in a sanitizer build no heap memory either (the jobs run in this
// process, each checked for leaks as it ends).
//
// Three jobs: a plain 16-bit one, one with auto-post-processing (a filter named by the take's
// extension), and one that Orbel processes (the newer generation's servers on a private session
// bus). Each run gets a fresh installation, data, output and temporary folder. The outcomes go to
// fault_once_<job>.csv in the build folder. RADLYN_FAULT_STRIDE=M runs only every Mth N (and the
// last); the default runs them all (the sanitizer build's tests: every second).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "fault_once/fault_plan.h"
#include "fault_once/faulty_services.h"
#include "fault_once/whole_job.h"
#include "integration/support/integration_support.h"
#include "job/error_table.h"
#include "platform/global_memory.h"
#include "support/platform_fakes.h"

#if defined(__SANITIZE_ADDRESS__) && __has_include(<sanitizer/lsan_interface.h>)
#include <sanitizer/lsan_interface.h>
#define RADLYN_LEAK_CHECK 1
#endif

namespace radlyn::faults {
namespace {

namespace fs = std::filesystem;
using integration::FindIniValue;
using integration::IniEntry;
using integration::ReadIniEntries;
using integration::ReadTextFile;

struct Job {
  const char* name;
  bool auto_post;
  bool orbel;
};

void PrintTo(const Job& job, std::ostream* out) { *out << job.name; }

// What one run left behind.
struct Outcome {
  std::size_t n = 0;
  std::string call;     // the call made to fail ("-" for the undisturbed run)
  std::string failure;  // its kind of failure
  std::string error_number = "no result";
  std::string error_message;
  std::string debug_info;
  std::vector<std::string> faults;  // broken rules; empty when the run is sound
  std::vector<std::string> notes;   // what is allowed but worth reading
};

std::string CsvField(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string Joined(const std::vector<std::string>& texts) {
  std::string joined;
  for (const std::string& text : texts) joined += (joined.empty() ? "" : "; ") + text;
  return joined;
}

// The native file system, except that the program file lies in the run's own program folder
// (where no settings file is), not beside this test.
class RelocatedProgram final : public radlyn::testing::ForwardingFileSystem {
 public:
  explicit RelocatedProgram(std::string program_file) : program_file_(std::move(program_file)) {}
  std::string ProgramFilePath() override { return program_file_; }

 private:
  std::string program_file_;
};

class FaultOnceTest : public ::testing::TestWithParam<Job> {
 protected:
  void SetUp() override {
    const Job& job = GetParam();
    initial_folder_ = fs::current_path();
    for (const auto& [name, value] : sandbox_.environment()) SetVariable(name, value);
    // Headless dialogs; no session bus but the job's own.
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"}) {
      SetVariable(name, std::nullopt);
    }
    ASSERT_TRUE(integration::InstallHostsim(sandbox_, Morlund()));
    integration::SetHostsimSwitch(Morlund(), "MoModCh", "Width", "320");
    integration::SetHostsimSwitch(Morlund(), "MoModCh", "Height", "240");
    // The take carries an extension whose document names a filter class: auto-post-processing
    // then reads typed values from the document and applies a filter.
    if (job.auto_post) integration::SetHostsimSwitch(Morlund(), "MoModCh", "Extension", "1");
    fs::copy(Morlund(), Template(), fs::copy_options::recursive);
    fs::create_directories(sandbox_.Path("bin"));
    if (job.orbel) {
      bus_ = std::make_unique<integration::PrivateBus>(sandbox_, Morlund());
      ASSERT_TRUE(bus_->started());
      SetVariable("DBUS_SESSION_BUS_ADDRESS",
                  sandbox_.environment().at("DBUS_SESSION_BUS_ADDRESS"));
    }
    job_file_ =
        "[Logon]\r\nClientName=DentalOffice\r\n"
        "[Info]\r\nType=XI\r\nRegio=36\r\nDoc=Dr. Berger\r\n"
        "[Patient]\r\nFirstName=Anna\r\nLastName=Miller\r\nID=4711\r\nBirthdate=19700305\r\n"
        "[Config]\r\nfAssure8Bit=0\r\nImageDataPath=" +
        Images() + "\r\nFileFormat=tif\r\nfDoAutoPostProc=" + (job.auto_post ? "1" : "0") + "\r\n";
  }

  void TearDown() override {
    fs::current_path(initial_folder_);
    bus_.reset();
    for (const auto& [name, value] : saved_environment_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }

  // The jobs run in this process: they see its environment. Restored after the test.
  void SetVariable(const std::string& name, const std::optional<std::string>& value) {
    if (!saved_environment_.contains(name)) {
      const char* old = std::getenv(name.c_str());
      saved_environment_[name] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) {
      setenv(name.c_str(), value->c_str(), 1);
    } else {
      unsetenv(name.c_str());
    }
  }

  std::string Morlund() const { return sandbox_.Path("morlund"); }
  std::string Template() const { return sandbox_.Path("template"); }
  std::string Data() const { return sandbox_.Path("data"); }
  std::string Images() const { return sandbox_.Path("images"); }
  std::string Temp() const { return sandbox_.Path("tmp"); }

  // The installation as the template holds it: files the last run added are removed and files it
  // changed are copied back; program files, which no run changes, stay (a server of the last
  // run may still be running them).
  void ResetInstallation() {
    std::vector<fs::path> added;
    for (const auto& entry : fs::recursive_directory_iterator(Morlund())) {
      const fs::path relative = fs::relative(entry.path(), Morlund());
      const fs::path original = fs::path(Template()) / relative;
      if (!fs::exists(original)) {
        added.push_back(entry.path());
      } else if (entry.is_regular_file() && ReadTextFile(entry.path()) != ReadTextFile(original)) {
        fs::copy_file(original, entry.path(), fs::copy_options::overwrite_existing);
      }
    }
    for (const fs::path& path : added) fs::remove_all(path);
    for (const auto& entry : fs::recursive_directory_iterator(Template())) {
      const fs::path copy = fs::path(Morlund()) / fs::relative(entry.path(), Template());
      if (!fs::exists(copy)) fs::copy(entry.path(), copy, fs::copy_options::recursive);
    }
  }

  void ResetFolders() {
    ResetInstallation();
    for (const std::string& folder : {Data(), Images(), Temp()}) fs::remove_all(folder);
    fs::create_directories(Temp());
    integration::WriteTextFile(Data() + "/RADLYN_in.ini", job_file_);
    fs::current_path(sandbox_.WorkFolder());
  }

  // One whole job with call `fail_at` failing (0: none); the calls it made go to `calls`.
  Outcome Run(std::size_t fail_at, std::vector<Call>* calls = nullptr) {
    ResetFolders();
    Outcome outcome;
    outcome.n = fail_at;
    const std::uint32_t blocks_before = GmLiveBlockCount();
    FaultPlan plan(fail_at);
    std::size_t teardown_from = 0;  // calls made before the teardown began
    {
      radlyn::testing::FixedClock clock({2026, 12, 8, 10, 15, 0});
      RelocatedProgram files(sandbox_.Path("bin/radlyn"));
      FaultyPlatform platform(plan, {&clock, &files});
      RunWholeJob({"datapath=" + Data()}, [&] { teardown_from = plan.calls().size(); });
    }
    fs::current_path(sandbox_.WorkFolder());
    if (calls != nullptr) *calls = plan.calls();
    if (plan.failed()) {
      outcome.call = Describe(*plan.failed()).name;
      outcome.failure = FailureName(Describe(*plan.failed()).failure);
    } else {
      outcome.call = "-";
      if (fail_at != 0) outcome.faults.push_back("the run did not reach the call");
    }
    // The undisturbed job may leave blocks that belong to Morlund's modules (the take's
    // extension block): no run may leave more.
    const std::uint32_t lost = GmLiveBlockCount() - blocks_before;
    if (fail_at == 0) {
      module_blocks_ = lost;
      if (lost != 0) outcome.notes.push_back("module's blocks: " + std::to_string(lost));
    } else if (lost > module_blocks_) {
      const std::string text = "memory blocks lost: " + std::to_string(lost - module_blocks_);
      // Releasing the take at the teardown reads its image handles through a lock: when that
      // lock (or the block's size) fails, the image blocks stay with the ending process.
      const bool at_release = fail_at > teardown_from && (plan.failed() == Call::kMemoryLock ||
                                                          plan.failed() == Call::kMemorySize);
      (at_release ? outcome.notes : outcome.faults).push_back(text);
    }
#ifdef RADLYN_LEAK_CHECK
    if (!leaked_ && __lsan_do_recoverable_leak_check() != 0) {
      leaked_ = true;  // later checks would report the same memory again
      outcome.faults.push_back("heap memory leaked (see the sanitizer's report)");
    }
#endif
    CheckFiles(outcome, plan);
    return outcome;
  }

  void CheckFiles(Outcome& outcome, const FaultPlan& plan) {
    if (ReadTextFile(Data() + "/RADLYN_in.ini") != job_file_) {
      outcome.faults.push_back("job file changed");
    }
    const std::string result_file = Data() + "/RADLYN_out.ini";
    std::string image;
    if (fs::exists(result_file)) {
      const std::vector<IniEntry> result = ReadIniEntries(result_file);
      outcome.error_number = FindIniValue(result, "Info", "ErrorNr").value_or("missing");
      outcome.error_message = FindIniValue(result, "Info", "ErrorMsg").value_or("");
      outcome.debug_info = FindIniValue(result, "Info", "DebugInfo").value_or("");
      image = FindIniValue(result, "Config", "ImageDataPathFile").value_or("");
      const bool is_number =
          !outcome.error_number.empty() &&
          outcome.error_number.find_first_not_of("-0123456789") == std::string::npos;
      if (!is_number) {
        outcome.faults.push_back("ErrorNr is no number");
      } else if (outcome.error_number == "0") {
        const std::vector<Call>& calls = plan.calls();
        const bool no_job = image.empty() && std::find(calls.begin(), calls.end(),
                                                       Call::kUiRunModalDialog) != calls.end();
        if (no_job) {
          // The job file was not seen: the information dialog showed and the report at exit
          // says no error, without an image path, which clients are told means no job ran.
          outcome.notes.push_back("no job ran (information dialog)");
        } else if (image.empty() || !fs::is_regular_file(image)) {
          outcome.faults.push_back("ErrorNr=0 without an image file");
        }
        if (!no_job) CompareWithUndisturbed(outcome, result_file);
      } else if (outcome.error_message != GetErrorMessage(std::stoi(outcome.error_number))) {
        outcome.faults.push_back("ErrorMsg is not the message of ErrorNr");
      }
    }
    // An exposure that was taken is not thrown away: its image is written, or writing it is
    // what failed (31), or the result could not be written at all.
    bool exposed = false;
    for (const std::string& line : integration::ReadCallsLog(Morlund(), "MC_TakeImage(")) {
      exposed |= line.find(") = 0 ") != std::string::npos;
    }
    if (exposed && outcome.error_number != "0" && outcome.error_number != "31" &&
        outcome.error_number != "no result") {
      outcome.faults.push_back("the exposure's image was dropped");
    }

    // Temporary files: everything in the data and temporary folders but the job and result
    // files, and in the output folder anything but the image the result names.
    std::vector<std::string> left;
    for (const std::string& folder : {Data(), Temp(), Images()}) {
      if (!fs::exists(folder)) continue;
      for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (folder == Data() && (name == "RADLYN_in.ini" || name == "RADLYN_out.ini")) continue;
        if (entry.path().string() == image) continue;
        if (folder == Images() && outcome.error_number != "0" && name.ends_with(".tif")) {
          outcome.notes.push_back("image left by a failed job: " + name);
          continue;
        }
        left.push_back(entry.path().string());
      }
    }
    if (!left.empty()) {
      // A pending file that seemed taken over is left to whoever took it (the next job removes
      // it by name): what stands there may not be this job's to delete.
      const bool by_design =
          plan.failed() == Call::kFilesDeleteFile || plan.failed() == Call::kOwnFileHoldsItsName;
      (by_design ? outcome.notes : outcome.faults)
          .push_back("left behind: " + Joined(left) +
                     (plan.failed() == Call::kFilesDeleteFile ? " (its delete failed)" : ""));
    }
  }

  // A success should read as the undisturbed job's; what differs is noted (a job-file key that
  // read as its default, a processing step that was left out, keys written in another order).
  void CompareWithUndisturbed(Outcome& outcome, const std::string& result_file) const {
    if (!baseline_result_ || ReadTextFile(result_file) == baseline_result_) return;
    std::vector<IniEntry> now = ReadIniEntries(result_file);
    std::vector<IniEntry> before = baseline_entries_;
    const auto order = [](const IniEntry& a, const IniEntry& b) {
      return std::tie(a.section, a.key, a.value) < std::tie(b.section, b.key, b.value);
    };
    std::sort(now.begin(), now.end(), order);
    std::sort(before.begin(), before.end(), order);
    if (now == before) {
      outcome.notes.push_back("success: the same keys in another order");
      return;
    }
    std::vector<std::string> changed;
    for (const IniEntry& entry : before) {
      const std::optional<std::string> value = FindIniValue(now, entry.section, entry.key);
      if (value != entry.value) {
        changed.push_back(entry.section + "/" + entry.key + "=" + value.value_or("<none>"));
      }
    }
    outcome.notes.push_back("success with " + Joined(changed));
  }

  void WriteCsv(const std::vector<Outcome>& outcomes) const {
    std::ofstream csv(integration::BuildFolder() + "/fault_once_" + GetParam().name + ".csv",
                      std::ios::trunc);
    csv << "N,call,failure,ErrorNr,ErrorMsg,DebugInfo,faults,notes\n";
    for (const Outcome& o : outcomes) {
      csv << o.n << ',' << CsvField(o.call) << ',' << CsvField(o.failure) << ','
          << CsvField(o.error_number) << ',' << CsvField(o.error_message) << ','
          << CsvField(o.debug_info) << ',' << CsvField(Joined(o.faults)) << ','
          << CsvField(Joined(o.notes)) << '\n';
    }
  }

  integration::RadlynSandbox sandbox_;
  std::unique_ptr<integration::PrivateBus> bus_;
  std::map<std::string, std::optional<std::string>> saved_environment_;
  fs::path initial_folder_;
  std::string job_file_;
  std::optional<std::string> baseline_result_;
  std::vector<IniEntry> baseline_entries_;
  bool leaked_ = false;
  std::uint32_t module_blocks_ = 0;
};

#ifndef RADLYN_FAULT_BUILD_STRIDE
#define RADLYN_FAULT_BUILD_STRIDE 1
#endif

// RADLYN_FAULT_STRIDE, else the build's own choice.
std::size_t Stride() {
  const char* text = std::getenv("RADLYN_FAULT_STRIDE");
  const long stride = text != nullptr ? std::strtol(text, nullptr, 10) : RADLYN_FAULT_BUILD_STRIDE;
  return stride > 1 ? static_cast<std::size_t>(stride) : 1;
}

TEST_P(FaultOnceTest, EveryPlatformCallFailingOnce) {
  std::vector<Call> calls;
  Outcome undisturbed = Run(0, &calls);
  ASSERT_EQ(undisturbed.error_number, "0") << undisturbed.debug_info;
  ASSERT_TRUE(undisturbed.faults.empty()) << Joined(undisturbed.faults);
  baseline_result_ = ReadTextFile(Data() + "/RADLYN_out.ini");
  baseline_entries_ = ReadIniEntries(Data() + "/RADLYN_out.ini");
  if (GetParam().orbel) {
    const std::string log = ReadTextFile(Morlund() + "/morlund.log").value_or("");
    ASSERT_EQ(log.find("[Error]"), std::string::npos) << log;
    ASSERT_FALSE(integration::ReadCallsLog(Morlund(), "Orbel(\"-check\"").empty());
  }

  const std::size_t stride = Stride();
  std::vector<Outcome> outcomes{undisturbed};
  std::size_t runs = 0;
  const auto start = std::chrono::steady_clock::now();
  for (std::size_t n = 1; n <= calls.size(); ++n) {
    const PlatformCall& call = Describe(calls[n - 1]);
    if (call.failure == Failure::kNone) continue;
    if (n % stride != 0 && n != calls.size()) continue;
    Outcome outcome = Run(n);
    ++runs;
    if (outcome.call != call.name && outcome.call != "-") {
      outcome.notes.push_back(std::string("the undisturbed run's call ") + std::to_string(n) +
                              " was " + call.name);
    }
    EXPECT_TRUE(outcome.faults.empty())
        << "N=" << n << " " << outcome.call << ": " << Joined(outcome.faults) << " (ErrorNr "
        << outcome.error_number << ", " << outcome.debug_info << ")";
    outcomes.push_back(std::move(outcome));
    WriteCsv(outcomes);  // as far as it got, should a run end the process
  }
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
          .count();
  std::map<std::string, int> per_error_number;
  for (std::size_t i = 1; i < outcomes.size(); ++i) ++per_error_number[outcomes[i].error_number];
  std::string summary;
  for (const auto& [number, count] : per_error_number) {
    summary += " " + number + ":" + std::to_string(count);
  }
  std::cout << GetParam().name << ": K=" << calls.size() << " calls, " << runs << " runs in "
            << seconds << " s; ErrorNr counts" << summary << "\n";
}

INSTANTIATE_TEST_SUITE_P(Jobs, FaultOnceTest,
                         ::testing::Values(Job{"plain16", false, false},
                                           Job{"autopost", true, false}, Job{"orbel", false, true}),
                         [](const auto& job) { return std::string(job.param.name); });

}  // namespace
}  // namespace radlyn::faults
