// A job frame over a fake host link, with its data folder, settings and event log in a scratch
// folder and the clock fixed at 2026-12-07 10:15:00.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "job/fake_host_link.h"
#include "job/job_frame.h"
#include "platform/last_error.h"
#include "platform/named_mutex.h"
#include "platform/paths.h"
#include "platform/service.h"
#include "platform/windows_codes.h"
#include "support/event_log.h"
#include "support/platform_fakes.h"

namespace radlyn::testing {

// A file of the process's own whose writes fail while `fail` is set (a full disk).
class FailingOwnFile : public platform::OwnFile {
 public:
  FailingOwnFile(std::unique_ptr<platform::OwnFile> file, const bool& fail)
      : file_(std::move(file)), fail_(fail) {}
  bool Rewrite(std::string_view bytes) override {
    if (!fail_) return file_->Rewrite(bytes);
    platform::SetLastErrorCode(platform::kWinDiskFull);
    return false;
  }
  bool HoldsItsName() override { return file_->HoldsItsName(); }

 private:
  std::unique_ptr<platform::OwnFile> file_;
  const bool& fail_;
};

// Lets a test place the program file (and so Radlyn.ini) in its scratch folder.
class ProgramInFolder : public ForwardingFileSystem {
 public:
  bool Exists(std::string_view path) override {
    if (exists_error == 0) return ForwardingFileSystem::Exists(path);
    platform::SetLastErrorCode(exists_error);
    return false;
  }
  std::unique_ptr<platform::OwnFile> CreateOwnFile(std::string_view path) override {
    std::unique_ptr<platform::OwnFile> file = ForwardingFileSystem::CreateOwnFile(path);
    if (!file) return nullptr;
    return std::make_unique<FailingOwnFile>(std::move(file), fail_own_file_writes);
  }
  std::string ProgramFilePath() override { return program_path; }
  std::optional<std::uint64_t> FreeBytesAvailable(std::string_view root) override {
    free_space_roots.emplace_back(root);
    return free_bytes;
  }
  bool CreateEmptyFile(std::string_view path) override {
    return !Refused(fail_create_empty_file, path) && ForwardingFileSystem::CreateEmptyFile(path);
  }
  bool DeleteFile(std::string_view path) override {
    return !Refused(fail_delete_file, path) && ForwardingFileSystem::DeleteFile(path);
  }
  bool RenameFile(std::string_view from, std::string_view to) override {
    return !Refused(fail_rename_file, from) && !Refused(false, to) &&
           ForwardingFileSystem::RenameFile(from, to);
  }
  std::string program_path;
  // Every Exists fails with this error (0: none), as on a share that stopped answering.
  std::uint32_t exists_error = 0;
  bool fail_own_file_writes = false;
  // Refused for good with access denied.
  bool fail_create_empty_file = false;
  bool fail_delete_file = false;
  bool fail_rename_file = false;
  // Files another program holds: creating, deleting or renaming one fails with a sharing
  // violation for as many more tries as its count says (-1: for good).
  std::map<std::string, int> held;
  std::optional<std::uint64_t> free_bytes = std::uint64_t{1} << 40;
  std::vector<std::string> free_space_roots;

 private:
  bool Refused(bool always, std::string_view path) {
    auto hold = held.find(std::string(path));
    if (!always && (hold == held.end() || hold->second == 0)) return false;
    if (!always && hold->second > 0) --hold->second;
    platform::SetLastErrorCode(always ? platform::kWinAccessDenied
                                      : platform::kWinSharingViolation);
    return true;
  }
};

inline std::string& LogFolderForTests() {
  static std::string folder;
  return folder;
}

class JobFixture : public ::testing::Test {
 protected:
  JobFixture() : previous_source_(SetEventLogFolderSource([] { return LogFolderForTests(); })) {
    LogFolderForTests() = scratch_.Sub("morlund/");
    std::filesystem::create_directories(scratch_.Sub("morlund"));
    std::filesystem::create_directories(scratch_.Sub("data"));
    std::filesystem::create_directories(scratch_.Sub("program"));
    files_.program_path = scratch_.Sub("program/radlyn") + platform::kProgramFileSuffix;
    frame_.SetDataFolder(DataFolder());
  }
  ~JobFixture() override { SetEventLogFolderSource(previous_source_); }

  std::string DataFolder() const { return scratch_.Sub("data/"); }

  static void WriteFile(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
  static std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  }

  void WriteJob(const std::string& ini) { WriteFile(frame_.GetJobFilePath(), ini); }
  void WriteSettings(const std::string& ini) { WriteFile(scratch_.Sub("program/Radlyn.ini"), ini); }

  // The result file as "Section/Key=Value" lines, in file order.
  std::vector<std::string> ResultKeys() const {
    std::vector<std::string> keys;
    std::istringstream lines(ReadFile(frame_.GetResultFilePath()));
    std::string line, section;
    while (std::getline(lines, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty()) continue;
      if (line.front() == '[') {
        section = line.substr(1, line.size() - 2);
      } else {
        keys.push_back(section + "/" + line);
      }
    }
    return keys;
  }

  // Event-log lines without their time stamp (checked to be the fixed clock's).
  std::vector<std::string> LogEntries() const {
    std::vector<std::string> entries;
    std::istringstream lines(ReadFile(LogFolderForTests() + "morlund.log"));
    std::string line;
    while (std::getline(lines, line)) {
      EXPECT_EQ(line.back(), '\r');
      EXPECT_EQ(line.substr(0, 20), "2026-12-07T10:15:00 ");
      entries.push_back(line.substr(20, line.size() - 21));
    }
    return entries;
  }

  ScratchFolder scratch_;
  FixedClock clock_{{2026, 12, 7, 10, 15, 0}};
  platform::ScopedService<platform::Clock> scoped_clock_{clock_};
  ProgramInFolder files_;
  platform::ScopedService<platform::FileSystem> scoped_files_{files_};
  FakeHostLink link_;
  CJobFrame frame_{&link_};
  EventLogFolderSource previous_source_;
};

}  // namespace radlyn::testing
